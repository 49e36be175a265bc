// Delivery of pictures, measured two ways.
//
// Responsiveness: the whole window records at a 1-second interval, stamping,
// saving and uploading 1920x1080 stills, while a 5 ms timer on the window's
// thread measures the longest pause of its event loop. Three servers: a healthy
// loopback server, one that accepts connections and never answers, and one whose
// failed logins take seconds (the real server, a wrong password).
//
// Slow data: the same recording, at quality 1.0, against a server that takes
// 20 kB/s: the longest gap between two saves on disk, and how long quitting takes.
//
// Throughput: 100 pictures of 100 kB waiting in the outbox (as after an outage)
// and sent by the delivery worker, against `curl -T` run once per picture and one
// `curl -T "{a,b,...}"` that sends them all over one connection.
//
//   bench_delivery [ticks per server, default 60] [pictures, default 100]
#include "BenchHome.h"
#include "BenchWindow.h"
#include "CameraController.h"
#include "DeliveryWorker.h"
#include "FTPController.h"
#include "LoopbackFtpServer.h"
#include "MainWindowController.h"
#include "SettingsTable.h"
#include "Outbox.h"
#include "SecretStore.h"
#include "UserDefaults.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <gst/gst.h>

#include <algorithm>
#include <utility>
#include <cstdio>

namespace {

struct Server {
    QString name;
    QUrl address;
    QString password;
    QString caPath;
};

// The longest gap between two firings of a 5 ms timer while `ticks` ticks run.
qint64 longestPause(const Server& server, int ticks, const QString& folder)
{
    FTPTransferSettings transfer;
    transfer.caBundlePath = server.caPath;
    BenchWindow bench(folder, transfer, [&](UserDefaults& store) {
        store.setObject(true, OXSaveSequenceFlag);
        store.setObject(server.address.toString(), OXFTPServerAddress);
        store.setObject(LoopbackFtpServer::user(), OXFTPUsername);
    });
    std::unique_ptr<MainWindowController>& window = bench.window;
    window->ui()->passwordTextField->setText(server.password);
    window->ui()->intervalTextField->setText(QStringLiteral("1"));
    if (!bench.waitForFrame()) {
        std::fprintf(stderr, "the test camera gave no frame\n");
        return -1;
    }
    QTest::qWait(500);

    qint64 longest = 0;
    QElapsedTimer sinceLast;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceLast.restart());
    });
    int tickCount = 0;
    QObject::connect(window.get(), &MainWindowController::tickFinished, [&] { ++tickCount; });
    window->startRecording();
    sinceLast.start();
    heartbeat.start(5);
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(ticks * 1000 + 200);
    heartbeat.stop();
    const int onDisk = QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files).size();
    QElapsedTimer quitting;
    quitting.start();
    window.reset();
    std::printf("  %-28s longest pause %3lld ms over %d ticks (%d answered, %d pictures on disk), quit in %lld ms "
                "(target < 50 ms)\n",
                qPrintable(server.name), static_cast<long long>(longest), ticks, tickCount, onDisk,
                static_cast<long long>(quitting.elapsed()));
    return longest;
}

// The longest gap between two pictures reaching the disk while `ticks` ticks run
// against a slow server, and the time quitting takes; in milliseconds.
std::pair<qint64, qint64> slowServerGaps(const LoopbackFtpServer& server, int ticks, const QString& folder)
{
    FTPTransferSettings transfer;
    transfer.caBundlePath = server.caPath();
    BenchWindow bench(folder, transfer, [&](UserDefaults& store) {
        store.setObject(true, OXSaveSequenceFlag);
        store.setObject(1.0f, OXImageQuality);
        store.setObject(QStringLiteral("ftp://127.0.0.1:%1").arg(server.port()), OXFTPServerAddress);
        store.setObject(LoopbackFtpServer::user(), OXFTPUsername);
    });
    bench.window->ui()->passwordTextField->setText(LoopbackFtpServer::password());
    bench.window->ui()->intervalTextField->setText(QStringLiteral("1"));
    if (!bench.waitForFrame())
        return {-1, -1};
    const auto onDisk = [&] { return QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files).size(); };
    bench.window->startRecording();
    QElapsedTimer clock;
    clock.start();
    qint64 lastSave = -1, longest = 0;
    for (qsizetype seen = 0; clock.elapsed() < ticks * 1000 + 500; QTest::qWait(10)) {
        if (const qsizetype now = onDisk(); now > seen) {
            if (lastSave >= 0)
                longest = std::max(longest, clock.elapsed() - lastSave);
            lastSave = clock.elapsed();
            seen = now;
        }
    }
    QElapsedTimer quitting;
    quitting.start();
    bench.window.reset();
    return {longest, quitting.elapsed()};
}

// Random bytes framed as a JPEG (its start and end markers), as the outbox expects.
QByteArray noise(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes.replace(0, 2, "\xff\xd8").replace(size - 2, 2, "\xff\xd9");
}

bool runCurl(const QStringList& arguments)
{
    QProcess curl;
    curl.start(QStringLiteral("curl"), arguments);
    return curl.waitForFinished(300000) && curl.exitStatus() == QProcess::NormalExit && curl.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv)
{
    const CurlGlobal curl;
    const BenchHome home("Bench=1920x1080");
    gst_init(&argc, &argv);
    QApplication app(argc, argv);
    const int ticks = argc > 1 ? QByteArray(argv[1]).toInt() : 60;
    const int pictures = argc > 2 ? QByteArray(argv[2]).toInt() : 100;

    LoopbackFtpServer server;
    if (!server.isRunning()) {
        std::fprintf(stderr, "no loopback FTP server: %s\n", qPrintable(server.problem()));
        return 1;
    }
    SilentServer silent;

    std::printf("window responsiveness, 1920x1080 stills stamped, saved and uploaded every second:\n");
    const QUrl base = QUrl(QStringLiteral("ftp://127.0.0.1:%1").arg(server.port()));
    const Server servers[] = {
        {QStringLiteral("healthy loopback server"), base, LoopbackFtpServer::password(), server.caPath()},
        {QStringLiteral("server that never answers"), QUrl(QStringLiteral("ftp://127.0.0.1:%1").arg(silent.port())),
         QStringLiteral("x"), QString()},
        {QStringLiteral("logins failing slowly"), base, QStringLiteral("wrong"), server.caPath()},
    };
    qint64 worst = 0;
    for (const Server& s : servers) {
        QTemporaryDir folder;
        worst = std::max(worst, longestPause(s, ticks, folder.path()));
    }
    std::printf("longest pause of the window's event loop in any case: %lld ms (target < 50 ms)\n\n",
                static_cast<long long>(worst));

    {
        LoopbackFtpServer::Options slowly;
        slowly.kilobytesPerSecond = 20;
        const LoopbackFtpServer slow(slowly);
        QTemporaryDir folder;
        const auto [gap, quit] = slowServerGaps(slow, std::min(ticks, 30), folder.path());
        std::printf("a server taking 20 kB/s, 1920x1080 stills at quality 1.0 every second:\n"
                    "  longest gap between two saves %lld ms (target < 1100 ms), quit in %lld ms (target < 1000 ms)\n\n",
                    static_cast<long long>(gap), static_cast<long long>(quit));
    }

    // Throughput of a backlog.
    QTemporaryDir files;
    QStringList names;
    for (int i = 0; i < pictures; ++i) {
        const QString name = QStringLiteral("p%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
        QFile file(files.path() + QLatin1Char('/') + name);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(noise(100 * 1024));
        names << name;
    }
    const QString credentials = LoopbackFtpServer::user() + QLatin1Char(':') + LoopbackFtpServer::password();
    const QStringList common{QStringLiteral("-sS"), QStringLiteral("--ssl"), QStringLiteral("--cacert"), server.caPath(),
                             QStringLiteral("--user"), credentials};
    QDir(server.rootPath()).mkdir(QStringLiteral("worker"));
    QDir(server.rootPath()).mkdir(QStringLiteral("each"));
    QDir(server.rootPath()).mkdir(QStringLiteral("one"));
    for (const char* sub : {"worker", "each", "one"})
        QFile::setPermissions(server.rootPath() + QLatin1Char('/') + QLatin1String(sub), QFileDevice::Permissions(0x7777));

    // The worker, from a full outbox.
    QTemporaryDir outboxFolder;
    {
        Outbox outbox(outboxFolder.path(), qint64(1) << 32);
        for (const QString& name : names) {
            QFile file(files.path() + QLatin1Char('/') + name);
            file.open(QIODevice::ReadOnly);
            outbox.add(file.readAll(), base.resolved(QUrl(QStringLiteral("worker/") + name)), LoopbackFtpServer::user(), false);
        }
    }
    DeliveryWorker::Settings settings;
    settings.transfer.caBundlePath = server.caPath();
    settings.outboxFolder = outboxFolder.path();
    int waiting = pictures;
    QElapsedTimer workerClock;
    workerClock.start();
    DeliveryWorker worker(settings);
    QObject::connect(&worker, &DeliveryWorker::outboxChanged, &app, [&](const OutboxState& state) { waiting = state.waiting; });
    worker.start();
    worker.setPassword(QStringLiteral("127.0.0.1"), LoopbackFtpServer::password());
    if (!QTest::qWaitFor([&] { return waiting == 0; }, 300000))
        std::fprintf(stderr, "the worker did not empty the outbox\n");
    const double workerMs = workerClock.elapsed();

    QElapsedTimer eachClock;
    eachClock.start();
    for (const QString& name : names) {
        if (!runCurl(common + QStringList{QStringLiteral("-T"), files.path() + QLatin1Char('/') + name,
                                          base.toString() + QStringLiteral("/each/") + name}))
            std::fprintf(stderr, "curl failed\n");
    }
    const double eachMs = eachClock.elapsed();

    QElapsedTimer oneClock;
    oneClock.start();
    QStringList paths;
    for (const QString& name : names)
        paths << files.path() + QLatin1Char('/') + name;
    if (!runCurl(common + QStringList{QStringLiteral("-T"), QStringLiteral("{") + paths.join(QLatin1Char(',')) + QStringLiteral("}"),
                                      base.toString() + QStringLiteral("/one/")}))
        std::fprintf(stderr, "curl failed\n");
    const double oneMs = oneClock.elapsed();

    const int arrived = QDir(server.rootPath() + QStringLiteral("/worker")).entryList(QDir::Files).size();
    std::printf("backlog of %d pictures of 100 kB (%d arrived from the worker):\n", pictures, arrived);
    std::printf("  delivery worker            %7.0f ms\n", workerMs);
    std::printf("  curl -T once per picture   %7.0f ms   worker / this: %.2f (target <= 0.5)\n", eachMs, workerMs / eachMs);
    std::printf("  one curl -T {a,b,...}      %7.0f ms   worker / this: %.2f (target <= 1.2)\n", oneMs, workerMs / oneMs);
    return 0;
}
