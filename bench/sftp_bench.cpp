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

#include <cstdio>

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
    for (const char* sub : {"worker", "each", "one"}) {
        QDir(server.rootPath()).mkdir(QLatin1String(sub));
        QFile::setPermissions(server.rootPath() + QLatin1Char('/') + QLatin1String(sub), QFileDevice::Permissions(0x7777));
    }
    const QString base = server.address() + QLatin1Char('/');

    QTemporaryDir outboxFolder;
    {
        Outbox outbox(outboxFolder.path(), qint64(1) << 32);
        for (const QString& path : paths) {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            outbox.add(file.readAll(), QUrl(base + QStringLiteral("worker/") + QFileInfo(path).fileName()),
                       LoopbackSshServer::user(), false);
        }
    }
    DeliveryWorker::Settings settings;
    settings.outboxFolder = outboxFolder.path();
    int waiting = pictures;
    QElapsedTimer workerClock;
    workerClock.start();
    DeliveryWorker worker(settings);
    QObject::connect(&worker, &DeliveryWorker::outboxChanged, &app, [&](const OutboxState& state) { waiting = state.waiting; });
    worker.start();
    worker.setPassword(QStringLiteral("127.0.0.1"), QString()); // the key logs in
    if (!QTest::qWaitFor([&] { return waiting == 0; }, 300000))
        std::fprintf(stderr, "the worker did not empty the outbox\n");
    const double workerMs = workerClock.elapsed();

    const QStringList common{QStringLiteral("-sS"), QStringLiteral("--user"), LoopbackSshServer::user() + QLatin1Char(':'),
                             QStringLiteral("--key"), ssh + QStringLiteral("/id_ed25519")};
    QElapsedTimer eachClock;
    eachClock.start();
    for (const QString& path : paths)
        if (!runCurl(common + QStringList{QStringLiteral("-T"), path, base + QStringLiteral("each/")}))
            std::fprintf(stderr, "curl failed\n");
    const double eachMs = eachClock.elapsed();
    QElapsedTimer oneClock;
    oneClock.start();
    if (!runCurl(common + QStringList{QStringLiteral("-T"), QLatin1Char('{') + paths.join(QLatin1Char(',')) + QLatin1Char('}'),
                                      base + QStringLiteral("one/")}))
        std::fprintf(stderr, "curl failed\n");
    const double oneMs = oneClock.elapsed();

    const auto arrived = [&](const char* sub) { return QDir(server.rootPath() + QLatin1Char('/') + QLatin1String(sub)).entryList(QDir::Files).size(); };
    std::printf("SFTP backlog of %d pictures of 100 kB (arrived: worker %lld, each %lld, one %lld):\n", pictures,
                static_cast<long long>(arrived("worker")), static_cast<long long>(arrived("each")),
                static_cast<long long>(arrived("one")));
    std::printf("  delivery worker            %7.0f ms\n", workerMs);
    std::printf("  curl -T once per picture   %7.0f ms   worker / this: %.2f (target <= 0.5)\n", eachMs, workerMs / eachMs);
    std::printf("  one curl -T {a,b,...}      %7.0f ms   worker / this: %.2f (target <= 1.2)\n", oneMs, workerMs / oneMs);
    return 0;
}
