#pragma once

#include "CameraFixture.h"
#include "LoopbackFtpServer.h"
#include "RecordingSession.h"
#include "ScopedEnv.h"
#include "SecretStore.h"

#include <QDir>
#include <QFile>
#include <QTimer>

#include <memory>
#include <optional>

// The jpg files of a folder, by name.
inline QStringList jpegsIn(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
}

// Reads a file on a server over and over, as a web page reloads the always-current
// picture, and counts the reads that found no whole JPEG.
class WholePictureReader {
public:
    explicit WholePictureReader(const QString& path)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, path] {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                return;
            const QByteArray bytes = file.readAll();
            ++reads;
            half += !bytes.startsWith("\xff\xd8") || !bytes.endsWith("\xff\xd9");
        });
        m_timer.start(0);
    }
    void stop() { m_timer.stop(); }
    int reads = 0;
    int half = 0;

private:
    QTimer m_timer;
};

#ifdef OMBRIX_BINARY
// Runs ombrix --trust-host with the argument and answers yes on its terminal, as the
// owner of a service does; what it said comes back, the exit status in *status.
inline QByteArray trustFromTerminal(const QString& server, int* status)
{
    QByteArray said;
    *status = runToEnd({QStringLiteral("sh"), QStringLiteral("-c"),
                        QStringLiteral("echo y | QT_QPA_PLATFORM=offscreen %1 --trust-host %2").arg(QStringLiteral(OMBRIX_BINARY), server)},
                       {}, &said);
    return said;
}
#endif

// A recording session over the test cameras, with no keyring to reach, as either
// front-end drives it: `typed` is the window's password field (set `windowLike`
// false for the service, which reads its netrc file instead).
class SessionFixture : public CameraFixture {
protected:
    // First, so that it is put back last, after the session and its keyring calls.
    std::optional<ScopedEnv> m_noKeyring;

    void open(const QString& devices, FTPTransferSettings transfer = {})
    {
        prepare(devices, std::move(transfer));
        controller->addAnyCaptureDevice(); // as the service starts its camera
        restart();
    }
    // The cameras, the settings and the services a front-end is made with.
    void prepare(const QString& devices, FTPTransferSettings transfer = {})
    {
        m_noKeyring.emplace("DBUS_SESSION_BUS_ADDRESS", kNoSessionBus);
        start(devices);
        secrets = std::make_unique<SecretStore>();
        services.userDefaults = store.get();
        services.camController = controller.get();
        services.secretStore = secrets.get();
        services.transfer = std::move(transfer);
        services.outboxFolder = outboxFolder();
        services.clock = clock;
        services.firstRetryPause = std::chrono::milliseconds(300);
        if (windowLike)
            services.typedPassword = [this] { return typed; };
        else
            services.netrcPath = home.path() + QStringLiteral("/netrc");
    }
    // Ombrix quit and started again over the same camera, settings and outbox.
    void restart()
    {
        session.reset();
        session = std::make_unique<RecordingSession>(services);
        QObject::connect(session.get(), &RecordingSession::tickFinished, [this](const TickOutcome& outcome) {
            last = outcome;
            said = QString();
            ++ended;
        });
        QObject::connect(session.get(), &RecordingSession::tickSkipped, [this](const QDateTime&, const QString& why) {
            said = why;
            ++ended;
        });
        QObject::connect(session.get(), &RecordingSession::tickRefused, [this](const QDateTime&, const QString& why) {
            said = why;
            ++ended;
        });
        QObject::connect(session.get(), &RecordingSession::problemEvent,
                         [this](const ProblemEvent& event) { events << event.name; });
    }
    QString outboxFolder() const { return home.path() + QStringLiteral("/outbox"); }
    // Uploads to the loopback server on the port with its account; the password as typed.
    void useServer(quint16 port) { useServer(QStringLiteral("ftp://127.0.0.1:%1").arg(port)); }
    void useServer(const QString& address)
    {
        store->setObject(address, OXFTPServerAddress);
        store->setObject(LoopbackFtpServer::user(), OXFTPUsername);
        typed = LoopbackFtpServer::password();
        session->lookUpPassword();
        if (windowLike) { // no keyring answers: the typed password is the one
            EXPECT_TRUE(QTest::qWaitFor([&] { return session->isPasswordKnown(); }, 5000));
        }
    }
    void saveTo(const QString& folder, bool sequence = false)
    {
        store->setObject(true, OXSaveToDiskFlag);
        store->setObject(folder, OXSaveToDiskPath);
        store->setObject(sequence, OXSaveSequenceFlag);
    }
    // One tick by hand, waited for until it ended (picture saved and upload tried, or skipped).
    bool tick(int timeoutMs = 15000)
    {
        const int before = ended;
        session->tick();
        return QTest::qWaitFor([&] { return ended > before; }, timeoutMs);
    }
    // Five ticks uploaded while a reader polls the always-current picture: it never sees half of one.
    void sendWhileReading(const QString& path)
    {
        WholePictureReader reader(path);
        for (int n = 0; n < 5; ++n) {
            ASSERT_TRUE(tick());
            ASSERT_EQ(last.upload, TickOutcome::Upload::Sent) << last.uploadError.description.toStdString();
        }
        reader.stop();
        EXPECT_GT(reader.reads, 0);
        EXPECT_EQ(reader.half, 0) << "of " << reader.reads << " reads";
    }
    bool waitForTicks(int ticks, int timeoutMs = 15000)
    {
        const int until = ended + ticks;
        return QTest::qWaitFor([&] { return ended >= until; }, timeoutMs);
    }

    bool windowLike = true;
    QString typed;
    Clock clock; // the pictures' clock, when a test sets one
    RecordingSession::Services services;
    std::unique_ptr<SecretStore> secrets;
    std::unique_ptr<RecordingSession> session;
    TickOutcome last; // of the last tick that took a picture
    QString said;     // why the last tick took none
    QStringList events; // of problems started and ended
    int ended = 0;
};
