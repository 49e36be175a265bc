// A backlog over SFTP: 100 pictures of 100 kB in the outbox, sent by the delivery
// worker to a loopback OpenSSH server (key login), against the curl command line
// sending the same files once per picture and all in one command. Needs root (the
// server's account exists only in its own view of /etc/passwd).
//   bench_sftp [PICTURES]
#include "DeliveryWorker.h"
#include "LoopbackSshServer.h"
#include "Outbox.h"
#include "TempHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The test base's runner: one curl command to its end.
bool runCurl(const QStringList& arguments)
{
    return runToEnd(QStringList{QStringLiteral("curl")} + arguments, {}, nullptr, 300000) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    const CurlGlobal curl;
    QCoreApplication app(argc, argv);
    const int pictures = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const TempHome home;
    LoopbackSshServer server;
    const QString ssh = home.path() + QStringLiteral("/.ssh");
    QDir().mkpath(ssh);
    QString problem;
    QFile publicKey(ssh + QStringLiteral("/id_ed25519.pub"));
    if (!server.isRunning() || !makeSshKey(ssh + QStringLiteral("/id_ed25519"), QStringLiteral("ed25519")) ||
        !publicKey.open(QIODevice::ReadOnly) || !server.authorize(publicKey.readAll()) ||
        !KnownHosts::add(ssh + QStringLiteral("/known_hosts"), server.hostKey(), &problem)) {
        std::fprintf(stderr, "no SFTP server: %s\n", qPrintable(server.problem() + problem));
        return 1;
    }
    QTemporaryDir files;
    QStringList names, paths;
    for (int i = 0; i < pictures; ++i) {
        const QString name = QStringLiteral("p%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
        QFile file(files.path() + QLatin1Char('/') + name);
        QByteArray bytes(100 * 1024, '\0');
        for (qsizetype n = 0; n < bytes.size(); ++n)
            bytes[n] = char((n * 2654435761u + uint(i)) >> 24);
        bytes[0] = '\xff', bytes[1] = '\xd8', bytes[bytes.size() - 2] = '\xff', bytes[bytes.size() - 1] = '\xd9';
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
        names << name;
        paths << file.fileName();
    }
    constexpr int kRounds = 5; // the worker and the single curl alternate; medians, as loopback timings wander
    const QString base = server.address() + QLatin1Char('/');
    const auto folder = [&](const QString& sub) {
        QDir(server.rootPath()).mkdir(sub);
        QFile::setPermissions(server.rootPath() + QLatin1Char('/') + sub, QFileDevice::Permissions(0x7777));
        return base + sub + QLatin1Char('/');
    };
    const auto arrived = [&](const QString& sub) { return QDir(server.rootPath() + QLatin1Char('/') + sub).entryList(QDir::Files).size(); };
    const QStringList common{QStringLiteral("-sS"), QStringLiteral("--user"), LoopbackSshServer::user() + QLatin1Char(':'),
                             QStringLiteral("--key"), ssh + QStringLiteral("/id_ed25519")};

    const auto runWorker = [&](const QString& sub) {
        QTemporaryDir outboxFolder;
        const QString target = folder(sub);
        {
            Outbox outbox(outboxFolder.path(), qint64(1) << 32);
            for (const QString& path : paths) {
                QFile file(path);
                file.open(QIODevice::ReadOnly);
                outbox.add(file.readAll(), QUrl(target + QFileInfo(path).fileName()), LoopbackSshServer::user(), false);
            }
        }
        DeliveryWorker::Settings settings;
        settings.outboxFolder = outboxFolder.path();
        int waiting = pictures;
        QElapsedTimer clock;
        clock.start();
        DeliveryWorker worker(settings);
        QObject::connect(&worker, &DeliveryWorker::outboxChanged, &app, [&](const OutboxState& state) { waiting = state.waiting; });
        worker.start();
        worker.setPassword(QStringLiteral("127.0.0.1"), QString()); // the key logs in
        if (!QTest::qWaitFor([&] { return waiting == 0; }, 300000) || arrived(sub) != pictures)
            std::fprintf(stderr, "the worker did not deliver the backlog\n");
        return double(clock.elapsed());
    };
    const auto runOneCurl = [&](const QString& sub) {
        const QString target = folder(sub);
        QElapsedTimer clock;
        clock.start();
        if (!runCurl(common + QStringList{QStringLiteral("-T"), QLatin1Char('{') + paths.join(QLatin1Char(',')) + QLatin1Char('}'), target}) ||
            arrived(sub) != pictures)
            std::fprintf(stderr, "curl failed\n");
        return double(clock.elapsed());
    };
    std::vector<double> workerRuns, oneRuns;
    for (int round = 0; round < kRounds; ++round) {
        workerRuns.push_back(runWorker(QStringLiteral("worker%1").arg(round)));
        oneRuns.push_back(runOneCurl(QStringLiteral("one%1").arg(round)));
    }
    const QString each = folder(QStringLiteral("each"));
    QElapsedTimer eachClock;
    eachClock.start();
    for (const QString& path : paths)
        if (!runCurl(common + QStringList{QStringLiteral("-T"), path, each}))
            std::fprintf(stderr, "curl failed\n");
    const double eachMs = eachClock.elapsed();

    const auto median = [](std::vector<double> runs) {
        std::sort(runs.begin(), runs.end());
        return runs[runs.size() / 2];
    };
    const double workerMs = median(workerRuns), oneMs = median(oneRuns);
    std::printf("SFTP backlog of %d pictures of 100 kB, medians of %d rounds (worker %.0f-%.0f ms, one curl %.0f-%.0f ms):\n",
                pictures, kRounds, *std::min_element(workerRuns.begin(), workerRuns.end()),
                *std::max_element(workerRuns.begin(), workerRuns.end()), *std::min_element(oneRuns.begin(), oneRuns.end()),
                *std::max_element(oneRuns.begin(), oneRuns.end()));
    std::printf("  delivery worker            %7.0f ms\n", workerMs);
    std::printf("  curl -T once per picture   %7.0f ms   worker / this: %.2f (target <= 0.5)\n", eachMs, workerMs / eachMs);
    std::printf("  one curl -T {a,b,...}      %7.0f ms   worker / this: %.2f (target <= 1.2)\n", oneMs, workerMs / oneMs);
    return 0;
}
