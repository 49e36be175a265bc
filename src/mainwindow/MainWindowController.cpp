#include "MainWindowController.h"

#include "CameraController.h"
#include "CaptureButtonCell.h"
#include "ConnectionTestButton.h"
#include "ContentViewControllers.h"
#include "SecretStore.h"
#include "SettingsBinder.h"
#include "SessionQuestions.h"
#include "SettingsTable.h"
#include "SideBarPaneView.h"
#include "CameraMenu.h"
#include "SideBarStacker.h"
#include "UserDefaults.h"
#include "Paths.h"
#include "TickOutcomeText.h"
#include "WindowDrag.h"
#include "ui_MainWindow.h"

#include <QDebug>
#include <QIntValidator>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>

#include <algorithm>

MainWindowController::MainWindowController(Services services, QObject* parent)
    : QObject(parent)
    , m_userDefaults(services.userDefaults ? services.userDefaults : UserDefaults::standardUserDefaults())
    , m_camController(services.camController ? services.camController : CameraController::sharedCameraController())
    , m_ownedSecretStore(services.secretStore ? nullptr : std::make_unique<SecretStore>())
    , m_keychain(m_userDefaults, services.secretStore ? services.secretStore : m_ownedSecretStore.get())
{
    services.userDefaults = m_userDefaults;
    services.camController = m_camController;
    services.secretStore = services.secretStore ? services.secretStore : m_ownedSecretStore.get();
    services.typedPassword = [this] { return m_ui ? m_ui->passwordTextField->text() : QString(); };
    services.netrcPath.clear(); // a person is here to type the password
    services.confirmRemoval = [this](const QString& question, std::function<void(bool)> answer) {
        SessionQuestions::askToRemoveOldPictures(window(), question, std::move(answer));
    };
    m_session = std::make_unique<RecordingSession>(services);
    RecordingSession* session = m_session.get();
    connect(session, &RecordingSession::aboutToTick, this, [this] {
        window();
        m_binder->writePending(); // a tick reads the settings: what is being typed counts
    });
    connect(session, &RecordingSession::tickFinished, this, &MainWindowController::tickDidFinish);
    connect(session, &RecordingSession::tickSkipped, this, [this](const QDateTime&, const QString& reason) {
        m_lastPictureTime = QDateTime(); // no file, no upload
        tickDidNotTakePicture(reason);
    });
    connect(session, &RecordingSession::tickRefused, this,
            [this](const QDateTime&, const QString& problem) { tickDidNotTakePicture(problem); });
    connect(session, &RecordingSession::outboxChanged, this, [this](const OutboxState& state) {
        if (state.nextTry.isValid())
            m_statusRefresh.start();
        else
            m_statusRefresh.stop();
        showStatus();
    });
    // The status line says why the picture is old while the camera is restarted.
    connect(session, &RecordingSession::cleaned, this, &MainWindowController::showStatus);
    connect(session, &RecordingSession::cameraProblemChanged, this, [this](const QString& text) {
        m_cameraProblem = text;
        showStatus();
    });
    connect(session, &RecordingSession::keyringPasswordRead, this, [this](const QString& password) {
        m_keyringPassword = password;
        window();
        m_ui->passwordTextField->setText(password);
    });
    connect(session, &RecordingSession::passwordProblemChanged, this, [this](const QString& text) {
        m_keyringProblem = text;
        showStatus();
    });
    connect(session, &RecordingSession::hostKeyUnknown, this,
            [this](const SshHostKey& key) { SessionQuestions::askToTrustHostKey(window(), m_session.get(), key); });
    connect(session, &RecordingSession::certificateUnknown, this,
            [this](const TrustedCertificate& c) { SessionQuestions::askToTrustCertificate(window(), m_session.get(), c); });
    // The window has no log of its own: the event command's outcome goes to the standard error; the day's film is shown.
    connect(session, &RecordingSession::eventCommandFinished, this,
            [](const QString& text) { qInfo().noquote() << QStringLiteral("ombrix:") << text; });
    connect(session, &RecordingSession::dailyFilmFinished, this, [this](const QString& text) { m_filmText = text, showStatus(); });
    m_statusRefresh.setInterval(1000);
    connect(&m_statusRefresh, &QTimer::timeout, this, &MainWindowController::showStatus);
    // recEnabled depends on isCameraOn and on two settings, whoever changes them.
    connect(m_userDefaults, &UserDefaults::valueChanged, this, [this](const QString& key) {
        if (key == OXSaveToDiskFlag || key == OXFTPServerAddress)
            Q_EMIT recEnabledChanged();
    });
    connect(this, &MainWindowController::isCameraOnChanged, this, &MainWindowController::recEnabledChanged);
    connect(this, &MainWindowController::recEnabledChanged, this, &MainWindowController::updateRecordButton);
    connect(this, &MainWindowController::isRecordingChanged, this, &MainWindowController::updateRecordButton);
}

MainWindowController::~MainWindowController()
{
    if (m_ui)
        disconnect(m_ui->passwordTextField, nullptr, this, nullptr); // the window's teardown moves the focus
    m_session.reset(); // saves finish; an upload under way is abandoned, its picture kept
    disconnect(m_camController, nullptr, this, nullptr);
    if (mCurrentViewController && mCurrentViewController->view())
        mCurrentViewController->view()->setParent(nullptr);
    mCurrentViewController.reset();
}

QWidget* MainWindowController::window()
{
    if (!m_window) {
        m_window = std::make_unique<QMainWindow>();
        m_ui = std::make_unique<Ui::MainWindow>();
        m_ui->setupUi(m_window.get());
        awakeFromNib();
    }
    return m_window.get();
}

void MainWindowController::awakeFromNib()
{
    Ui::MainWindow& ui = *m_ui;
    m_stacker = new SideBarStacker(m_window.get(), ui.centralwidget, ui.sideBarView, this);
    for (auto [pane, box, button] : {std::tuple{ui.recPane, ui.recBox, ui.recPaneCollapseButton},
                                     std::tuple{ui.ftpPane, ui.ftpBox, ui.ftpPaneCollapseButton}}) {
        pane->setBox(box);
        pane->fitToBox();
        pane->setCollapseButton(button);
        connect(button, &QAbstractButton::toggled, button,
                [button](bool expanded) { button->setArrowType(expanded ? Qt::DownArrow : Qt::RightArrow); });
        m_stacker->addPane(pane);
    }
    m_stacker->repositionViewsIgnoringView(nullptr);
    ui.centralwidget->installEventFilter(this);
    placeStatusLine();
    ui.centralwidget->installEventFilter(new BackgroundDrag(ui.centralwidget));

    m_cameraMenu = new CameraMenu(ui.cameraMenu, m_camController, this);
    connect(ui.preferencesAction, &QAction::triggered, this, &MainWindowController::preferencesRequested);
    connect(ui.websiteAction, &QAction::triggered, this, &MainWindowController::websiteRequested);
    connect(ui.donateAction, &QAction::triggered, this, &MainWindowController::donateRequested);
    connect(ui.quitAction, &QAction::triggered, m_window.get(), &QWidget::close); // closing the main window quits
    connect(ui.makeVideoAction, &QAction::triggered, this, &MainWindowController::showMakeVideoDialog);
    connect(ui.toggleRecordingAction, &QAction::triggered, this, [this] {
        if (validateMenuItem(m_ui->toggleRecordingAction))
            toggleRecording();
    });
    connect(this, &MainWindowController::recEnabledChanged, this, &MainWindowController::updateMenuItems);
    connect(this, &MainWindowController::isRecordingChanged, this, &MainWindowController::updateMenuItems);
    updateMenuItems();

    m_binder = new SettingsBinder(m_window.get(), m_userDefaults, this); // lives as the controller's child
    ui.intervalTextField->setText(QString::number(settingValue(*m_userDefaults, OXRecordingInterval)));
    ui.intervalUnitPopUp->setCurrentIndex(settingValue(*m_userDefaults, OXIntervalUnit));
    // Whole numbers only, as they are stored: the timer runs what the settings hold,
    // in the window and in the service.
    constexpr int kLongest = static_cast<int>(RecordingSession::kMaximumIntervalSeconds);
    auto* validator = new QIntValidator(0, kLongest, ui.intervalTextField);
    validator->setLocale(QLocale::c());
    ui.intervalTextField->setValidator(validator);
    // In minutes the field may hold only a sixtieth as much.
    auto boundInterval = [validator](int unit) { validator->setTop(unit == 0 ? kLongest : kLongest / 60); };
    boundInterval(ui.intervalUnitPopUp->currentIndex());
    connect(ui.intervalUnitPopUp, &QComboBox::currentIndexChanged, this, boundInterval);
    connect(ui.intervalTextField, &QLineEdit::editingFinished, this, &MainWindowController::setInterval);
    connect(ui.intervalUnitPopUp, &QComboBox::currentIndexChanged, this, &MainWindowController::setIntervalUnit);
    // A typed password is known from then on (replacing a keyring that did not answer) and retries the waiting pictures.
    connect(ui.passwordTextField, &QLineEdit::editingFinished, this, [this] {
        // Focus leaving the field is no answer: only what the user typed replaces the keyring's.
        if (!m_session->isPasswordKnown() && !m_ui->passwordTextField->isModified())
            return;
        m_session->passwordTyped();
    });
    new ConnectionTestButton(ui.testConnectionAction, ui.testConnectionButton, m_userDefaults,
                             [this] { return m_ui->passwordTextField->text(); }, m_window.get());
    connect(ui.startStopButton, &QAbstractButton::clicked, this, [this] {
        toggleRecording();
        updateRecordButton(); // the click toggled the button itself; the recording state decides
    });
    updateRecordButton();

    changeViewControllers(kCaptureView);
    connect(m_camController, &CameraController::cameraSuspendedChanged, this, &MainWindowController::followCameraSuspension);
    connect(m_camController, &CameraController::devicesDictChanged, this, &MainWindowController::devicesDictChanged);
    m_camController->addAnyCaptureDevice();
    // Nothing attached at all: say so rather than show an empty preview.
    if (m_camController->devicesDict().isEmpty())
        devicesDictChanged();
}

void MainWindowController::followCameraSuspension(bool suspended)
{
    if (suspended) {
        if (m_isRecording) {
            stopRecording();
            // Recording stops by design here; whoever comes back to the camera learns why.
            m_lastTickSummary = tr("Recording stopped: the camera was turned off");
            m_lastPictureTime = QDateTime();
            showStatus();
        }
        setIsCameraOn(false);
        changeViewControllers(kSuspendedView);
    } else {
        setIsCameraOn(true);
        changeViewControllers(kCaptureView);
    }
}

void MainWindowController::devicesDictChanged()
{
    if (m_camController->devicesDict().isEmpty()) {
        setIsCameraOn(false);
        changeViewControllers(kNoCameraView);
    }
}

void MainWindowController::changeViewControllers(const QString& identifier)
{
    if (mCurrentViewController && mCurrentViewController->view())
        mCurrentViewController->view()->setParent(nullptr);
    std::unique_ptr<ContentViewController> next;
    if (identifier == kSuspendedView)
        next = std::make_unique<SuspendedCameraViewController>();
    else if (identifier == kNoCameraView)
        next = std::make_unique<NoCameraViewController>();
    else if (identifier == kCaptureView)
        next = std::make_unique<CaptureViewController>();
    if (!next)
        return;
    mCurrentViewController = std::move(next); // the replaced controller and its view go now
    mCurrentViewController->setTitle(identifier);
    if (identifier == kCaptureView)
        static_cast<CaptureViewController*>(mCurrentViewController.get())
            ->setCaptureSession(m_camController->mCaptureSession());
    QWidget* view = mCurrentViewController->view();
    view->setParent(m_ui->qtSwapView);
    view->setGeometry(m_ui->qtSwapView->rect());
    view->show();
}

bool MainWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (m_ui && watched == m_ui->centralwidget && event->type() == QEvent::Resize)
        placeStatusLine();
    return QObject::eventFilter(watched, event);
}

void MainWindowController::placeStatusLine()
{
    // The status line sits in the bottom margin, whatever the window's height.
    m_ui->statusLabel->move(6, m_ui->centralwidget->height() - SideBarStacker::kBottomMargin + 1);
}

// ---- camera menu ----------------------------------------------------------------

void MainWindowController::menuNeedsUpdate(QMenu*)
{
    m_cameraMenu->fill();
}

bool MainWindowController::validateMenuItem(QAction* item) const
{
    if (m_ui && item == m_ui->toggleRecordingAction)
        return recEnabled() && !m_isRecording; // the menu starts recordings; the button stops them
    return true;
}

void MainWindowController::updateMenuItems()
{
    if (m_ui)
        m_ui->toggleRecordingAction->setEnabled(validateMenuItem(m_ui->toggleRecordingAction));
}

void MainWindowController::chooseCameraFromMenu(QAction* item)
{
    m_cameraMenu->choose(item);
}

// ---- recording ----------------------------------------------------------------

bool MainWindowController::recEnabled() const
{
    return m_isCameraOn && RecordingSession::hasWork(*m_userDefaults);
}

void MainWindowController::setIsRecording(bool recording)
{
    m_isRecording = recording;
    Q_EMIT isRecordingChanged(recording);
}

void MainWindowController::setIsCameraOn(bool on)
{
    m_isCameraOn = on;
    Q_EMIT isCameraOnChanged(on);
}

void MainWindowController::updateRecordButton()
{
    if (!m_ui)
        return;
    m_ui->startStopButton->setChecked(m_isRecording);
    // A running recording can always be stopped.
    m_ui->startStopButton->setEnabled(m_isRecording || recEnabled());
}

void MainWindowController::setInterval()
{
    // The validator lets through only whole numbers up to the longest interval; an
    // empty field reads 0, which runs at the shortest.
    setSettingValue(*m_userDefaults, OXRecordingInterval, m_ui->intervalTextField->text().toInt());
}

void MainWindowController::setIntervalUnit()
{
    setSettingValue(*m_userDefaults, OXIntervalUnit, static_cast<int>(m_ui->intervalUnitPopUp->currentIndex()));
}

void MainWindowController::toggleRecording()
{
    if (m_isRecording)
        stopRecording();
    else
        startRecording();
}

void MainWindowController::startRecording()
{
    window();
    setInterval(); // a start from the menu leaves the field without finishing it
    setIntervalUnit();
    setIsRecording(true);
    m_session->start();
    updateRecordButton();
}

void MainWindowController::stopRecording()
{
    if (!m_isRecording)
        return;
    m_session->stop();
    setIsRecording(false);
    updateRecordButton();
}

void MainWindowController::tickDidNotTakePicture(const QString& why)
{
    m_lastTickSummary = why;
    showStatus();
    Q_EMIT tickFinished();
}

void MainWindowController::tickDidFinish(const TickOutcome& outcome)
{
    if (outcome.pictureMade) {
        m_lastPictureTime = outcome.time;
        if (outcome.save == TickOutcome::Save::Saved)
            m_saveProblem.clear();
        else if (outcome.save == TickOutcome::Save::Failed)
            m_saveProblem = saveProblemText(outcome);
    }
    m_lastTickSummary = statusLineSummary(outcome);
    showStatus();
    if (const QString fate = uploadFailureFate(outcome); !fate.isEmpty())
        uploadDidNotFinishWithError(outcome.uploadError, fate);
    Q_EMIT tickFinished();
}

void MainWindowController::showStatus()
{
    if (!m_ui) // no window yet: it shows the status when it opens
        return;
    QString text;
    if (m_lastPictureTime.isValid())
        text = tr("Last picture %1: %2").arg(QLocale().toString(m_lastPictureTime.time(), QLocale::LongFormat), m_lastTickSummary);
    else
        text = m_lastTickSummary;
    if (!m_saveProblem.isEmpty())
        text = m_saveProblem + QStringLiteral(" — ") + text;
    // Problems first, then the last picture, then what waits and the disk.
    const auto join = [](const QString& a, const QString& b) {
        return a.isEmpty() ? b : b.isEmpty() ? a : a + QStringLiteral(" — ") + b;
    };
    const QString disk = m_session->cleanup() ? cleanupSummary(*m_session->cleanup()) : QString();
    text = join(join(join(text, outboxSummary(m_session->outboxState())), disk), m_filmText);
    text = join(m_cameraProblem, join(m_keyringProblem, text));
    m_statusText = text;
    // A long text is cut with an ellipsis at the window's edge; the tooltip has all of it.
    QLabel* label = m_ui->statusLabel;
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideRight, label->width()));
    label->setToolTip(text);
}

// ---- upload outcome -------------------------------------------------------------

void MainWindowController::uploadDidNotFinishWithError(const Error& error, const QString& whatBecomesOfIt)
{
    if (m_errorMessage)
        return; // one message at a time; recording stops when it is closed
    auto* message = new QMessageBox(QMessageBox::Warning, tr("A FTP error occured"),
                                  tr("Server message: %1").arg(error.description), QMessageBox::Ok, window());
    message->setInformativeText(whatBecomesOfIt);
    message->setAttribute(Qt::WA_DeleteOnClose);
    message->setWindowModality(Qt::WindowModal);
    message->addAction(m_ui->quitAction); // quitting must not wait for the message to be read
    connect(message, &QMessageBox::finished, this, [this] { stopRecording(); });
    m_errorMessage = message;
    message->open();
}

// ---- stored password --------------------------------------------------------------

void MainWindowController::readFromKeyChain()
{
    window();
    m_session->lookUpPassword();
}

bool MainWindowController::writeToKeychain(Error* error)
{
    window();
    const QString password = m_ui->passwordTextField->text();
    // Nothing new to keep: the keyring has it, or nothing was read and nothing typed.
    if (m_keyringPassword ? *m_keyringPassword == password : password.isEmpty())
        return true;
    Error failure;
    const bool stored = m_keychain.storeWithin(password, kKeyringStoreBound, &failure);
    if (stored)
        m_keyringPassword = password;
    else if (error)
        *error = failure;
    return stored;
}

void MainWindowController::showMakeVideoDialog()
{
    if (!m_makeVideoDialog)
        m_makeVideoDialog = new MakeVideoDialog(expandTilde(settingValue(*m_userDefaults, OXSaveToDiskPath)),
                                                settingValue(*m_userDefaults, OXImageFilename), m_userDefaults, window());
    m_makeVideoDialog->show();
    m_makeVideoDialog->raise();
    m_makeVideoDialog->activateWindow();
}

QAction* MainWindowController::quitAction() const
{
    return m_ui ? m_ui->quitAction : nullptr;
}
