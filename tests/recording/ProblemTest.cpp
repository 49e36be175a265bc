#include "ChildProcess.h"
#include "SessionFixture.h"

#include <QDBusConnection>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// A session bus of the test's own, with a notification service that records what it is asked to show.
class NotificationRecorder : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown {
        uint replaces;
        QString summary, body;
    };
    NotificationRecorder()
    {
        ChildProcess::Options options;
        options.endsWithTest = true;
        const QString socket = m_dir.path() + QStringLiteral("/bus");
        m_daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                       QStringLiteral("--address=unix:path=") + socket}, options);
        address = (QStringLiteral("unix:path=") + socket).toLocal8Bit();
        serving = QTest::qWaitFor([&] { return QFileInfo::exists(socket); }, 5000);
        QDBusConnection bus = QDBusConnection::connectToBus(QString::fromLocal8Bit(address), QStringLiteral("notifications"));
        serving = serving && bus.registerService(QStringLiteral("org.freedesktop.Notifications")) &&
            bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this, QDBusConnection::ExportAllSlots);
    }
    QByteArray address;
    bool serving = false;
    std::vector<Shown> shown; // a new notification's id is its place here, from 1

public Q_SLOTS:
    uint Notify(const QString&, uint replaces, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int)
    {
        shown.push_back({replaces, summary, body});
        return replaces ? replaces : uint(shown.size());
    }

private:
    QTemporaryDir m_dir;
    ChildProcess m_daemon;
};

using Problems = SessionFixture;

// Camera failures and disconnection, and uploads that fail past the alert's time,
// each told once as it starts and once as it ends, never per tick.
TEST_F(Problems, EachIsToldOnceWhenItStartsAndOnceWhenItEndsAlsoOnTheDesktop)
{
    NotificationRecorder desktop;
    ASSERT_TRUE(desktop.serving);
    LoopbackFtpServer server;
    QDateTime now(QDate(2026, 12, 7), QTime(9, 0));
    clock = [&] { return now; };
    open(QStringLiteral("Cam=160x120"), FTPTransferSettings{server.caPath()});
    store->setObject(3600, OXRecordingInterval); // the ticks here are the test's
    session->start();
    ASSERT_TRUE(waitForFrame());
    useServer(server.port());
    m_noKeyring.emplace("DBUS_SESSION_BUS_ADDRESS", desktop.address); // after the keyring was asked: none there
    ASSERT_TRUE(tick());
    ASSERT_EQ(last.upload, TickOutcome::Upload::Sent);

    camera->command(QStringLiteral("fail Cam"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.size() == 2; }, 15000)) << events.join(QLatin1Char(' ')).toStdString();
    camera->command(QStringLiteral("disconnect Cam"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.size() == 3; }, 5000));
    camera->command(QStringLiteral("connect Cam=160x120"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.size() == 4; }, 5000));
    ASSERT_TRUE(framesFlow()); // a tick takes only a frame that came after the last one

    server.stop();
    for (const int minutes : {0, 14, 16, 17}) { // failing for the default 15 minutes
        now = now.addSecs(60 * minutes);
        ASSERT_TRUE(tick());
        EXPECT_EQ(last.upload, TickOutcome::Upload::Failed);
        EXPECT_EQ(events.size(), minutes < 15 ? 4 : 5) << minutes << " minutes";
    }
    ASSERT_TRUE(server.resume());
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.size() == 6; }, 10000));
    EXPECT_EQ(events, words(QStringLiteral("camera-failed camera-back camera-failed camera-back uploads-failing uploads-back")));
    EXPECT_EQ(session->outboxState().waiting, 0);

    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.shown.size() == 6; }, 5000));
    const uint replaced[] = {0, 1, 1, 1, 0, 5}; // each problem's latest notification gives way to its next
    for (size_t n = 0; n < 6; ++n)
        EXPECT_EQ(desktop.shown[n].replaces, replaced[n]) << n;
    EXPECT_EQ(desktop.shown[2].summary, QStringLiteral("Camera failed"));
    EXPECT_EQ(desktop.shown[2].body, QStringLiteral("The camera \"Cam\" was disconnected: waiting for it to come back."));
    EXPECT_TRUE(desktop.shown[4].body.startsWith(QStringLiteral("Uploads have failed since 2026-12-07 09:00:00: ")))
        << desktop.shown[4].body.toStdString();
}

} // namespace

#include "ProblemTest.moc"
