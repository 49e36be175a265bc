#pragma once

#include "MakeVideoDialog.h"
#include "PasswordKeychain.h"
#include "RecordingSession.h"

#include <QDateTime>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

class CameraController;
class ContentViewController;
class QAction;
class QMainWindow;
class QMenu;
class QWidget;
class SecretCall;
class SecretStore;
class SettingsBinder;
class SideBarStacker;
class CameraMenu;
class UserDefaults;

namespace Ui {
class MainWindow;
}

// The controller of the one main window: the window and its controls, the content
// view (live preview or placeholder), the status line and the error message of a
// failed upload. It drives a RecordingSession, which takes the ticks and delivers
// their pictures, and shows what comes back.
class MainWindowController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(bool isCameraOn READ isCameraOn NOTIFY isCameraOnChanged)
    Q_PROPERTY(bool recEnabled READ recEnabled NOTIFY recEnabledChanged)
public:
    // The session's; null stores and controllers are the shared ones, and the typed
    // password is the window's field.
    using Services = RecordingSession::Services;

    // How long quitting waits for the keyring to store the password.
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
    bool recEnabled() const;
    // The running timer's interval, for as long as recording is on.
    std::chrono::milliseconds timerInterval() const { return m_session->timerInterval(); }
    RecordingSession* session() const { return m_session.get(); }

    void toggleRecording();
    // Opens the dialog that makes a film of a recorded sequence (one at a time).
    void showMakeVideoDialog();
    MakeVideoDialog* makeVideoDialog() const { return m_makeVideoDialog; }
    void startRecording();
    void stopRecording();
    void capturePic() { m_session->tick(); }
    void setInterval();
    void setIntervalUnit();

    void changeViewControllers(const QString& identifier);

    // The camera menu (see CameraMenu), rebuilt before each showing, and a choice from it.
    void menuNeedsUpdate(QMenu* menu);
    bool validateMenuItem(QAction* item) const;
    void chooseCameraFromMenu(QAction* item);

    // Asks the keyring for the password without waiting; uploads wait for it (or for
    // the user to type it), saving goes on meanwhile.
    void readFromKeyChain();
    bool isPasswordKnown() const { return m_session->isPasswordKnown(); }
    // Stores the password field's text when it differs from what the keyring holds,
    // waiting for the keyring at most kKeyringStoreBound.
    bool writeToKeychain(Error* error = nullptr);

    // The error message of a failed upload while it is shown, else null.
    QMessageBox* errorMessage() const { return m_errorMessage; }
    QString statusText() const { return m_statusText; }

Q_SIGNALS:
    void isRecordingChanged(bool recording);
    void isCameraOnChanged(bool on);
    void recEnabledChanged();
    // A tick ended, whatever became of it.
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
    void updateRecordButton();
    void updateMenuItems();
    void showStatus();

    void uploadDidNotFinishWithError(const Error& error, const QString& whatBecomesOfIt);
    void tickDidFinish(const TickOutcome& outcome);
    void tickDidNotTakePicture(const QString& why);

    UserDefaults* m_userDefaults;
    CameraController* m_camController;
    std::unique_ptr<SecretStore> m_ownedSecretStore;
    PasswordKeychain m_keychain;

    std::unique_ptr<QMainWindow> m_window;
    std::unique_ptr<Ui::MainWindow> m_ui;
    SideBarStacker* m_stacker = nullptr;
    std::unique_ptr<ContentViewController> mCurrentViewController;

    SettingsBinder* m_binder = nullptr;
    bool m_isRecording = false;
    bool m_isCameraOn = false;
    QPointer<QMessageBox> m_errorMessage;
    CameraMenu* m_cameraMenu = nullptr; // the controller's child
    QPointer<MakeVideoDialog> m_makeVideoDialog;

    // What the status line says about the last tick.
    QDateTime m_lastPictureTime;
    QString m_lastTickSummary;
    QString m_saveProblem; // shown until a save succeeds again
    QString m_keyringProblem;
    QString m_filmText; // the day's film, once made
    QString m_cameraProblem; // the camera in use failed and is being restarted
    QString m_statusText; // whole, also where the status line shows it cut short

    std::optional<QString> m_keyringPassword; // what the keyring holds, once read

    QTimer m_statusRefresh; // counts down to the next try
    std::unique_ptr<RecordingSession> m_session; // last: its worker stops before the rest goes
};
