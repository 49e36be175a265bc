#include "MainWindowController.h"

#include "CameraController.h"
#include "CaptureButtonCell.h"
#include "ContentViewControllers.h"
#include "SecretStore.h"
#include "SettingsBinder.h"
#include "SettingsTable.h"
#include "SideBarPaneView.h"
#include "CameraMenu.h"
#include "SideBarStacker.h"
#include "UserDefaults.h"
#include "FtpText.h"
#include "Outbox.h"
#include "Paths.h"
#include "TickGate.h"
#include "WindowDrag.h"
#include "ui_MainWindow.h"

#include <QDoubleValidator>
#include <QEventLoop>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QFileInfo>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSaveFile>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace {

// Moves the window when a drag starts on its background (not on a pane or control).
class BackgroundDrag : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress) {
            startWindowDrag(static_cast<QWidget*>(watched));
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

MainWindowController::MainWindowController(Services services, QObject* parent)
    : QObject(parent)
    , m_userDefaults(services.userDefaults ? services.userDefaults : UserDefaults::standardUserDefaults())
    , m_camController(services.camController ? services.camController : CameraController::sharedCameraController())
    , m_naming(m_userDefaults, services.clock)
    , m_ownedSecretStore(services.secretStore ? nullptr : std::make_unique<SecretStore>())
    , m_keychain(m_userDefaults, services.secretStore ? services.secretStore : m_ownedSecretStore.get())
{
    DeliveryWorker::Settings delivery =
        DeliveryWorker::Settings::fromUserDefaults(*m_userDefaults, services.transfer, services.outboxFolder);
    delivery.firstRetryPause = services.firstRetryPause;
    m_delivery = std::make_unique<DeliveryWorker>(delivery);
    connect(m_delivery.get(), &DeliveryWorker::tlsSeen, this,
            [this](const QString& host) { DeliveryWorker::rememberTlsHost(*m_userDefaults, host); }, Qt::QueuedConnection);
    connect(m_delivery.get(), &DeliveryWorker::tickFinished, this, &MainWindowController::tickDidFinish, Qt::QueuedConnection);
    connect(m_delivery.get(), &DeliveryWorker::outboxChanged, this, [this](const OutboxState& state) {
        m_outboxState = state;
        if (state.nextTry.isValid())
            m_statusRefresh.start();
        else
            m_statusRefresh.stop();
        if (m_ui)
            showStatus();
    }, Qt::QueuedConnection);
    m_statusRefresh.setInterval(1000);
    connect(&m_statusRefresh, &QTimer::timeout, this, [this] {
        if (m_ui)
            showStatus();
    });
    m_sequenceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_sequenceTimer, &QTimer::timeout, this, &MainWindowController::capturePic);
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
    m_sequenceTimer.stop();
    m_keychainCall.reset();
    if (m_ui)
        disconnect(m_ui->passwordTextField, nullptr, this, nullptr); // the window's teardown moves the focus
    m_delivery.reset(); // saves finish; an upload under way is abandoned, its picture kept
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

    new SettingsBinder(m_window.get(), m_userDefaults, this); // lives as the controller's child
    ui.intervalTextField->setText(QString::number(settingValue(*m_userDefaults, OXRecordingInterval)));
    ui.intervalUnitPopUp->setCurrentIndex(settingValue(*m_userDefaults, OXIntervalUnit));
    auto* validator = new QDoubleValidator(0.0, kMaximumIntervalSeconds, 3, ui.intervalTextField);
    validator->setNotation(QDoubleValidator::StandardNotation);
    validator->setLocale(QLocale::c());
    ui.intervalTextField->setValidator(validator);
    // In minutes the field may hold only a sixtieth as much.
    auto boundInterval = [validator](int unit) { validator->setTop(unit == 0 ? kMaximumIntervalSeconds : kMaximumIntervalSeconds / 60.0); };
    boundInterval(ui.intervalUnitPopUp->currentIndex());
    connect(ui.intervalUnitPopUp, &QComboBox::currentIndexChanged, this, boundInterval);
    connect(ui.intervalTextField, &QLineEdit::editingFinished, this, &MainWindowController::setInterval);
    connect(ui.intervalUnitPopUp, &QComboBox::currentIndexChanged, this, &MainWindowController::setIntervalUnit);
    // A password typed by the user is known from then on (and replaces a keyring that did not answer).
    // Finishing it also tries the waiting pictures again at once.
    connect(ui.passwordTextField, &QLineEdit::editingFinished, this, [this] {
        // Focus leaving the field is no answer: only what the user typed replaces the keyring's.
        if (m_passwordState != PasswordState::Known && !m_ui->passwordTextField->isModified())
            return;
        m_passwordState = PasswordState::Known;
        m_keyringProblem.clear();
        passwordBecameKnown();
        showStatus();
    });
    connect(ui.startStopButton, &QAbstractButton::clicked, this, [this] {
        toggleRecording();
        updateRecordButton(); // the click toggled the button itself; the recording state decides
    });
    updateRecordButton();

    changeViewControllers(kCaptureView);
    connect(m_camController, &CameraController::cameraSuspendedChanged, this, &MainWindowController::followCameraSuspension);
    connect(m_camController, &CameraController::devicesDictChanged, this, &MainWindowController::devicesDictChanged);
    // Ticks go on with the last frame while the camera is restarted; the status line says why it is old.
    connect(m_camController, &CameraController::cameraFailed, this, [this](const QString& text) {
        m_cameraProblem = text + QLatin1Char(' ') + tr("Trying again.");
        showStatus();
    });
    connect(m_camController, &CameraController::cameraRecovered, this, [this] {
        m_cameraProblem.clear();
        showStatus();
    });
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
    mCurrentViewController->setRepresentedObject(static_cast<quint32>(view->children().size()));
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
    return m_isCameraOn &&
        (settingValue(*m_userDefaults, OXSaveToDiskFlag) || m_userDefaults->objectForKey(OXFTPServerAddress).isValid());
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

void MainWindowController::resetCounter()
{
    m_filenameCounter = 0;
    Q_EMIT filenameCounterChanged(0);
}

void MainWindowController::updateRecordButton()
{
    if (!m_ui)
        return;
    m_ui->startStopButton->setChecked(m_isRecording);
    // A running recording can always be stopped.
    m_ui->startStopButton->setEnabled(m_isRecording || recEnabled());
}

float MainWindowController::convertedInterval() const
{
    const qsizetype unit = m_ui->intervalUnitPopUp->currentIndex();
    const float value = m_ui->intervalTextField->text().toFloat();
    return unit == 0 ? value : value * 60.0f;
}

void MainWindowController::setInterval()
{
    double typed = m_ui->intervalTextField->text().toDouble();
    if (!std::isfinite(typed))
        typed = 0;
    typed = std::clamp(typed, -kMaximumIntervalSeconds, kMaximumIntervalSeconds); // an int holds it
    setSettingValue(*m_userDefaults, OXRecordingInterval, static_cast<int>(std::trunc(typed)));
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
    setIsRecording(true);
    resetCounter();
    double seconds = convertedInterval();
    // Zero, negative or unreadable intervals would make the timer fire without pause.
    if (std::isnan(seconds) || seconds < kMinimumIntervalSeconds)
        seconds = kMinimumIntervalSeconds;
    // Longer would wrap round the timer's milliseconds into a short or negative interval.
    seconds = std::min(seconds, kMaximumIntervalSeconds);
    m_sequenceTimer.start(std::chrono::milliseconds(std::llround(seconds * 1000.0)));
    updateRecordButton();
}

void MainWindowController::stopRecording()
{
    if (!m_isRecording)
        return;
    m_sequenceTimer.stop();
    setIsRecording(false);
    updateRecordButton();
}

QUrl MainWindowController::composedUploadURL() const
{
    return m_naming.composedUploadURL(settingValue(*m_userDefaults, OXFTPServerAddress),
                                      m_ui->pathTextField->text());
}

void MainWindowController::capturePic()
{
    ++m_filenameCounter; // counted without telling observers
    const QString namingProblem = m_naming.namingProblem();
    if (!namingProblem.isEmpty()) {
        m_lastTickSummary = namingProblem;
        showStatus();
        Q_EMIT tickFinished();
        return;
    }
    // Only what the moment decides is taken here; the picture is made on the worker.
    TickJob job;
    job.frame = m_camController->newestFrame();
    job.time = m_naming.now(); // one reading of the clock for the name, the stamp and the status line
    if (const std::optional<QString> skipped = reasonToSkipTick(*m_userDefaults, job.time, job.frame.get())) {
        m_lastTickSummary = *skipped; // no file, no upload
        m_lastPictureTime = QDateTime();
        showStatus();
        Q_EMIT tickFinished();
        return;
    }
    job.tick = ++m_tickNumber;
    job.quality = JpegQuality::fromFactor(settingValue(*m_userDefaults, OXImageQuality));
    job.stamp = m_camController->stampStyle();
    const bool saving = settingValue(*m_userDefaults, OXSaveToDiskFlag);
    const bool sequence = settingValue(*m_userDefaults, OXSaveSequenceFlag);
    // One name for the disk and the server, taken once for the tick.
    QString fileName = m_naming.imageWithSequence(sequence, job.time);
    if (sequence)
        fileName = m_givenNames.unused(fileName);
    if (saving) {
        // Without a folder the picture would land in whatever folder Ombrix was started from.
        if (settingValue(*m_userDefaults, OXSaveToDiskPath).trimmed().isEmpty())
            m_saveProblem = tr("Not saved: no save folder is chosen (Ombrix > Preferences)");
        else
            job.savePath = m_naming.saveToDiskPath(fileName);
    }
    Error refused;
    if (m_userDefaults->objectForKey(OXFTPServerAddress).isValid()) {
        const QString unsafe = controlCharacterField();
        if (unsafe.isEmpty()) {
            job.upload = true;
            if (m_passwordState == PasswordState::Known)
                job.password = m_ui->passwordTextField->text();
            job.username = m_ui->usernameTextField->text();
            job.url = m_naming.uploadURL(settingValue(*m_userDefaults, OXFTPServerAddress),
                                         m_ui->pathTextField->text(), fileName);
            job.replaceable = !sequence;
            job.fileName = fileName;
        } else {
            refused = Error{QStringLiteral("OmbrixUploadErrorDomain"), 1,
                            tr("The %1 holds a control character (such as a line break), which would reach the server "
                               "as a command of its own: the picture was not uploaded. Retype the %1.")
                                .arg(unsafe)};
        }
    }
    m_delivery->addTick(std::move(job));
    if (!refused.description.isEmpty())
        uploadDidNotFinishWithError(refused);
}

QString MainWindowController::controlCharacterField() const
{
    const std::pair<QString, QString> fields[] = {
        {tr("user name"), m_ui->usernameTextField->text()},
        {tr("password"), m_ui->passwordTextField->text()},
        {tr("server address"), settingValue(*m_userDefaults, OXFTPServerAddress)},
        {tr("server folder"), m_ui->pathTextField->text()},
        {tr("picture name"), settingValue(*m_userDefaults, OXImageFilename)},
    };
    for (const auto& [name, text] : fields) {
        if (hasControlCharacter(text))
            return name;
    }
    return {};
}

void MainWindowController::tickDidFinish(const TickOutcome& outcome)
{
    QStringList done;
    if (!outcome.pictureMade) {
        m_lastTickSummary = tr("no picture from the camera yet");
    } else {
        m_lastPictureTime = outcome.time;
        if (outcome.save == TickOutcome::Save::Saved) {
            m_saveProblem.clear();
            done << tr("saved");
        } else if (outcome.save == TickOutcome::Save::Failed) {
            m_saveProblem = tr("Not saved to %1: %2").arg(QFileInfo(outcome.savePath).absolutePath(), outcome.saveProblem);
        }
        switch (outcome.upload) {
        case TickOutcome::Upload::NotAsked:
            break;
        case TickOutcome::Upload::Sent:
            done << tr("uploaded");
            break;
        case TickOutcome::Upload::Kept:
            done << tr("upload waiting");
            break;
        case TickOutcome::Upload::Failed:
            done << tr("upload failed");
            break;
        }
        m_lastTickSummary = done.isEmpty() ? tr("taken") : done.join(QStringLiteral(", "));
    }
    if (m_ui)
        showStatus();
    if (outcome.upload == TickOutcome::Upload::Sent)
        uploadDidFinish();
    else if (outcome.upload == TickOutcome::Upload::Failed)
        uploadDidNotFinishWithError(outcome.uploadError);
    Q_EMIT tickFinished();
}

QString MainWindowController::statusText() const
{
    return m_statusText;
}

void MainWindowController::showStatus()
{
    QString text;
    if (m_lastPictureTime.isValid())
        text = tr("Last picture %1: %2").arg(QLocale().toString(m_lastPictureTime.time(), QLocale::LongFormat), m_lastTickSummary);
    else
        text = m_lastTickSummary;
    if (!m_saveProblem.isEmpty())
        text = m_saveProblem + QStringLiteral(" — ") + text;
    const QString waiting = outboxSummary();
    if (!waiting.isEmpty())
        text = text.isEmpty() ? waiting : text + QStringLiteral(" — ") + waiting;
    if (!m_keyringProblem.isEmpty())
        text = text.isEmpty() ? m_keyringProblem : m_keyringProblem + QStringLiteral(" — ") + text;
    if (!m_cameraProblem.isEmpty())
        text = text.isEmpty() ? m_cameraProblem : m_cameraProblem + QStringLiteral(" — ") + text;
    m_statusText = text;
    // A long text is cut with an ellipsis at the window's edge; the tooltip has all of it.
    QLabel* label = m_ui->statusLabel;
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideRight, label->width()));
    label->setToolTip(text);
}

QString MainWindowController::outboxSummary() const
{
    const OutboxState& state = m_outboxState;
    QStringList parts;
    if (state.waiting > 0) {
        QString line = state.waiting == 1 ? tr("1 picture waiting for %1").arg(state.host)
                                          : tr("%1 pictures waiting for %2").arg(state.waiting).arg(state.host);
        if (state.needsPassword) {
            line += tr(", until the FTP password is known");
        } else if (state.nextTry.isValid()) {
            const qint64 seconds = std::max<qint64>(0, QDateTime::currentDateTime().secsTo(state.nextTry));
            line += tr(", next try in %1 s").arg(seconds);
        }
        parts << line;
    }
    if (state.dropped > 0)
        parts << (state.dropped == 1 ? tr("1 picture dropped: the outbox is full")
                                     : tr("%1 pictures dropped: the outbox is full").arg(state.dropped));
    if (!state.keepProblem.isEmpty())
        parts << tr("Pictures cannot be kept for upload: %1").arg(state.keepProblem);
    return parts.join(QStringLiteral(" — "));
}

// ---- upload outcome -------------------------------------------------------------

void MainWindowController::uploadDidFinish() {}

void MainWindowController::uploadDidNotFinishWithError(const Error& error)
{
    if (m_errorMessage)
        return; // one message at a time; recording stops when it is closed
    auto* message = new QMessageBox(QMessageBox::Warning, tr("A FTP error occured"),
                                  tr("Server message: %1").arg(error.description), QMessageBox::Ok, window());
    message->setInformativeText(tr("The picture is kept and will be sent when the server answers again."));
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
    m_passwordState = PasswordState::Pending;
    m_keychainCall = m_keychain.readLater([this](std::optional<QString> password, const Error& error) {
        if (password) {
            m_keyringPassword = password;
            if (m_passwordState == PasswordState::Pending) // a password typed meanwhile wins
                m_ui->passwordTextField->setText(*password);
        } else if (error.description.isEmpty()) {
            m_keyringPassword = QString(); // nothing stored: the field holds what there is
        } else if (m_passwordState == PasswordState::Pending) {
            m_keyringProblem = error.description + tr(": type the password to upload");
            m_passwordState = PasswordState::Unknown;
            showStatus();
            return;
        }
        if (m_passwordState != PasswordState::Known) {
            m_passwordState = PasswordState::Known;
            m_keyringProblem.clear();
            passwordBecameKnown();
        }
        showStatus();
    });
    if (!m_keychainCall) {
        m_passwordState = PasswordState::Known; // no server: nothing to ask for
        return;
    }
    QTimer::singleShot(kKeyringPatience, this, [this] {
        if (m_passwordState != PasswordState::Pending)
            return;
        // The call goes on: a keyring unlocked later still delivers the password.
        m_keyringProblem = tr("The keyring has not answered (it may be locked): uploads wait for the FTP password; "
                              "type it to upload now");
        showStatus();
    });
}

void MainWindowController::passwordBecameKnown()
{
    const QString host = m_keychain.storedHost();
    if (!host.isEmpty())
        m_delivery->setPassword(host, m_ui->passwordTextField->text());
}

bool MainWindowController::writeToKeychain(Error* error)
{
    window();
    const QString password = m_ui->passwordTextField->text();
    // Nothing new to keep: the keyring has it, or nothing was read and nothing typed.
    if (m_keyringPassword ? *m_keyringPassword == password : password.isEmpty())
        return true;
    bool finished = false;
    bool stored = false;
    Error failure;
    QEventLoop wait;
    const std::unique_ptr<SecretCall> call = m_keychain.writeLater(password, [&](bool ok, const Error& why) {
        finished = true;
        stored = ok;
        failure = why;
        wait.quit();
    });
    if (!call)
        return true; // no host to file it under
    QTimer::singleShot(kKeyringStoreBound, &wait, &QEventLoop::quit);
    if (!finished)
        wait.exec();
    if (!finished) {
        failure = Error{QStringLiteral("SecretServiceErrorDomain"), 0,
                        tr("The FTP password could not be stored in the keyring (no answer from the keyring)")};
    } else if (stored) {
        m_keyringPassword = password;
    }
    if (!stored && error)
        *error = failure;
    return stored;
}

void MainWindowController::showMakeVideoDialog()
{
    if (!m_makeVideoDialog)
        m_makeVideoDialog = new MakeVideoDialog(expandTilde(settingValue(*m_userDefaults, OXSaveToDiskPath)),
                                                settingValue(*m_userDefaults, OXImageFilename), window());
    m_makeVideoDialog->show();
    m_makeVideoDialog->raise();
    m_makeVideoDialog->activateWindow();
}

QAction* MainWindowController::quitAction() const
{
    return m_ui ? m_ui->quitAction : nullptr;
}
