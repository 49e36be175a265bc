#pragma once

#include "AlertPresenter.h"
#include "MakeVideoDialog.h"
#include "DeliveryWorker.h"
#include "FTPController.h"
#include "PasswordKeychain.h"
#include "PictureNaming.h"

#include <QDateTime>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <deque>
#include <memory>

class CameraController;
class ContentViewController;
class QAction;
class QMainWindow;
class QMenu;
class QWidget;
class SecretCall;
class SecretStore;
class SideBarStacker;
class CameraMenu;
class UserDefaults;

namespace Ui {
class MainWindow;
}

// The controller of the one main window: the window and its controls, the content
// view (live preview or placeholder), the recording timer and its ticks, and the
// outcome of uploads. Ticks are taken on the main thread; their pictures are made,
// saved and uploaded by a DeliveryWorker, whose outcomes come back here.
class MainWindowController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(bool isCameraOn READ isCameraOn NOTIFY isCameraOnChanged)
    Q_PROPERTY(int filenameCounter READ filenameCounter NOTIFY filenameCounterChanged)
    Q_PROPERTY(bool recEnabled READ recEnabled NOTIFY recEnabledChanged)
public:
    // The shortest interval the timer runs at, whatever is typed.
    static constexpr double kMinimumIntervalSeconds = 1.0;
    // The longest interval the timer can hold: its milliseconds are an int.
    static constexpr double kMaximumIntervalSeconds = 2147483.0;

    struct Services {
        UserDefaults* userDefaults = nullptr;
        CameraController* camController = nullptr;
        SecretStore* secretStore = nullptr;
        FTPTransferSettings transfer;
        PictureNaming::Clock clock;
        // Where pictures wait for their server (empty: the default state folder).
        QString outboxFolder;
        std::chrono::milliseconds firstRetryPause{2000};
    };

    // How long the keyring may take before the status line says it has not answered,
    // and how long quitting waits for it to store the password.
    static constexpr std::chrono::milliseconds kKeyringPatience{5000};
    static constexpr std::chrono::milliseconds kKeyringStoreBound{800};

    explicit MainWindowController(Services services, QObject* parent = nullptr);
    ~MainWindowController() override;

    // The window, loaded and set up on first use.
    QWidget* window();
    Ui::MainWindow* ui() const { return m_ui.get(); }
    // Quitting, also offered by other windows (Ctrl+Q wherever the focus is).
    QAction* quitAction() const;
    CameraController* camController() const { return m_camController; }
    ContentViewController* currentViewController() const { return mCurrentViewController.get(); }

    bool isRecording() const { return m_isRecording; }
    bool isCameraOn() const { return m_isCameraOn; }
    int filenameCounter() const { return m_filenameCounter; }
    bool recEnabled() const;
    // The running timer's interval, for as long as recording is on.
    std::chrono::milliseconds timerInterval() const { return m_sequenceTimer.intervalAsDuration(); }

    void toggleRecording();
    // Opens the dialog that makes a film of a recorded sequence (one at a time).
    void showMakeVideoDialog();
    MakeVideoDialog* makeVideoDialog() const { return m_makeVideoDialog; }
    void startRecording();
    void stopRecording();
    void capturePic();
    float convertedInterval() const;
    void setInterval();
    void setIntervalUnit();

    void changeViewControllers(const QString& identifier);

    // The camera menu (see CameraMenu), rebuilt before each showing, and a choice from it.
    void menuNeedsUpdate(QMenu* menu);
    bool validateMenuItem(QAction* item) const;
    void chooseCameraFromMenu(QAction* item);

    // The naming and the stored password, as the window's fields give them.
    const PictureNaming& naming() const { return m_naming; }
    QUrl composedUploadURL() const;
    // Asks the keyring for the password without waiting; uploads wait for it (or for
    // the user to type it), saving goes on meanwhile.
    void readFromKeyChain();
    bool isPasswordKnown() const { return m_passwordState == PasswordState::Known; }
    // Stores the password field's text when it differs from what the keyring holds,
    // waiting for the keyring at most kKeyringStoreBound.
    bool writeToKeychain(Error* error = nullptr);
    // The pictures waiting for their server, as last reported.
    const OutboxState& outboxState() const { return m_outboxState; }

    // The error message of a failed upload while it is shown, else null.
    QMessageBox* errorMessage() const { return m_errorMessage; }
    QString statusText() const;

Q_SIGNALS:
    void isRecordingChanged(bool recording);
    void isCameraOnChanged(bool on);
    void filenameCounterChanged(int counter);
    void recEnabledChanged();
    void tickFinished();
    // The application menu's commands that the application answers.
    void preferencesRequested();
    void websiteRequested();
    void donateRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void awakeFromNib();
    void placeStatusLine();
    // Recording stops while the camera is turned off; the view shows why.
    void followCameraSuspension(bool suspended);
    void devicesDictChanged();
    void setIsRecording(bool recording);
    void setIsCameraOn(bool on);
    void resetCounter();
    void updateRecordButton();
    void updateMenuItems();
    void showStatus();

    void uploadDidFinish();
    void uploadDidNotFinishWithError(const Error& error);
    void tickDidFinish(const TickOutcome& outcome);
    void passwordBecameKnown();
    QString outboxSummary() const;
    // The name of the first upload field holding a control character, or empty.
    QString controlCharacterField() const;

    UserDefaults* m_userDefaults;
    CameraController* m_camController;
    PictureNaming m_naming;
    std::unique_ptr<SecretStore> m_ownedSecretStore;
    PasswordKeychain m_keychain;

    std::unique_ptr<QMainWindow> m_window;
    std::unique_ptr<Ui::MainWindow> m_ui;
    SideBarStacker* m_stacker = nullptr;
    std::unique_ptr<ContentViewController> mCurrentViewController;

    QTimer m_sequenceTimer;
    bool m_isRecording = false;
    bool m_isCameraOn = false;
    int m_filenameCounter = 0;
    QPointer<QMessageBox> m_errorMessage;
    CameraMenu* m_cameraMenu = nullptr; // the controller's child
    QPointer<MakeVideoDialog> m_makeVideoDialog;

    // What the status line says about the last tick.
    QDateTime m_lastPictureTime;
    QString m_lastTickSummary;
    QString m_saveProblem; // shown until a save succeeds again
    QString m_keyringProblem;
    QString m_cameraProblem; // the camera in use failed and is being restarted
    QString m_statusText; // whole, also where the status line shows it cut short

    enum class PasswordState { Pending, Known, Unknown };
    PasswordState m_passwordState = PasswordState::Known;
    std::optional<QString> m_keyringPassword; // what the keyring holds, once read
    std::unique_ptr<SecretCall> m_keychainCall;

    quint64 m_tickNumber = 0;
    GivenSequenceNames m_givenNames;
    OutboxState m_outboxState;
    QTimer m_statusRefresh; // counts down to the next try
    std::unique_ptr<DeliveryWorker> m_delivery; // last: its thread stops before the rest goes
};
