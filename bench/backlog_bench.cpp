// A backlog over WebDAV or S3: 100 pictures of 100 kB in the outbox, sent by the
// delivery worker to a loopback server (rclone's WebDAV, s3rver), against the curl
// command line sending the same files once per picture and all in one command.
//   bench_backlog webdav|s3 [PICTURES]
#include "DeliveryWorker.h"
#include "LoopbackFtpServer.h"
#include "LoopbackS3Server.h"
#include "Outbox.h"
#include "TempHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

bool runCurl(const QStringList& arguments)
{
    return runToEnd(QStringList{QStringLiteral("curl")} + arguments, {}, nullptr, 300000) == 0;
}

double median(std::vector<double> runs)
{
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const CurlGlobal curl;
    QCoreApplication app(argc, argv);
    const bool s3 = argc > 1 && std::strcmp(argv[1], "s3") == 0;
    const int pictures = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100;
    const TempHome home;
    std::unique_ptr<LoopbackFtpServer> dav;
    std::unique_ptr<LoopbackS3Server> service;
    if (s3) {
        service = std::make_unique<LoopbackS3Server>();
    } else {
        LoopbackFtpServer::Options options;
        options.webDav = LoopbackFtpServer::Options::WebDav::Plain;
        dav = std::make_unique<LoopbackFtpServer>(options);
    }
    if (s3 ? !service->isRunning() : !dav->isRunning()) {
        std::fprintf(stderr, "no server: %s\n", qPrintable(s3 ? service->problem() : dav->problem()));
        return 1;
    }
    const QString user = s3 ? LoopbackS3Server::accessKey() : LoopbackFtpServer::user();
    const QString password = s3 ? LoopbackS3Server::secretKey() : LoopbackFtpServer::password();
    QTemporaryDir files;
    QStringList paths;
    for (int i = 0; i < pictures; ++i) {
        QFile file(files.path() + QStringLiteral("/p%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
        QByteArray bytes(100 * 1024, '\0');
        for (qsizetype n = 0; n < bytes.size(); ++n)
            bytes[n] = char((n * 2654435761u + uint(i)) >> 24);
        bytes[0] = '\xff', bytes[1] = '\xd8', bytes[bytes.size() - 2] = '\xff', bytes[bytes.size() - 1] = '\xd9';
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
        paths << file.fileName();
    }
    constexpr int kRounds = 5; // the worker and the single curl alternate; medians, as loopback timings wander
    // rclone caches what a folder holds once asked, so every run's folder is made before the first request.
    if (!s3)
        for (int round = 0; round < kRounds; ++round)
            for (const char* run : {"worker", "one", "each"})
                QDir(dav->rootPath()).mkdir(QStringLiteral("%1%2").arg(QLatin1String(run)).arg(round));
    // Where the pictures of one run go, as the outbox names them and as curl does.
    const auto address = [&](const QString& sub) {
        return s3 ? service->url(sub + QLatin1Char('/')).toString() : dav->davUrl(sub + QLatin1Char('/')).toString();
    };
    const auto curlTarget = [&](const QString& sub) {
        return s3 ? service->endpoint() + QLatin1Char('/') + LoopbackS3Server::bucket() + QLatin1Char('/') + sub + QLatin1Char('/')
                  : address(sub);
    };
    const auto arrived = [&](const QString& sub) {
        return s3 ? service->keys(sub + QLatin1Char('/')).size()
                  : QDir(dav->rootPath() + QLatin1Char('/') + sub).entryList({QStringLiteral("*.jpg")}, QDir::Files).size();
    };
    QStringList common{QStringLiteral("-sS"), QStringLiteral("--user"), user + QLatin1Char(':') + password};
    if (s3) // s3rver wants the payload's hash named; one command for many files can only leave it unsigned
        common << QStringLiteral("--aws-sigv4") << QStringLiteral("aws:amz:us-east-1:s3") << QStringLiteral("-H")
               << QStringLiteral("x-amz-content-sha256: UNSIGNED-PAYLOAD");

    const auto runWorker = [&](const QString& sub) {
        QTemporaryDir outboxFolder;
        const QString target = address(sub);
        {
            Outbox outbox(outboxFolder.path(), qint64(1) << 32);
            for (const QString& path : paths) {
                QFile file(path);
                file.open(QIODevice::ReadOnly);
                outbox.add(file.readAll(), QUrl(target + QFileInfo(path).fileName()), user, false);
            }
        }
        DeliveryWorker::Settings settings;
        settings.outboxFolder = outboxFolder.path();
        if (s3)
            settings.transfer.s3Endpoint = service->endpoint();
        int waiting = pictures;
        QElapsedTimer clock;
        clock.start();
        DeliveryWorker worker(settings);
        QObject::connect(&worker, &DeliveryWorker::outboxChanged, &app, [&](const OutboxState& state) { waiting = state.waiting; });
        worker.start();
        worker.setPassword(QUrl(target).host(), password);
        if (!QTest::qWaitFor([&] { return waiting == 0; }, 300000) || arrived(sub) != pictures)
            std::fprintf(stderr, "the worker did not deliver the backlog\n");
        return double(clock.elapsed());
    };
    const auto runOneCurl = [&](const QString& sub) {
        const QString target = curlTarget(sub);
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
    const QString each = curlTarget(QStringLiteral("each0"));
    QElapsedTimer eachClock;
    eachClock.start();
    for (const QString& path : paths)
        if (!runCurl(common + QStringList{QStringLiteral("-T"), path, each}))
            std::fprintf(stderr, "curl failed\n");
    if (arrived(QStringLiteral("each0")) != pictures)
        std::fprintf(stderr, "curl failed\n");
    const double eachMs = eachClock.elapsed();

    const double workerMs = median(workerRuns), oneMs = median(oneRuns);
    std::printf("%s backlog of %d pictures of 100 kB, medians of %d rounds (worker %.0f-%.0f ms, one curl %.0f-%.0f ms):\n",
                s3 ? "S3" : "WebDAV", pictures, kRounds, *std::min_element(workerRuns.begin(), workerRuns.end()),
                *std::max_element(workerRuns.begin(), workerRuns.end()), *std::min_element(oneRuns.begin(), oneRuns.end()),
                *std::max_element(oneRuns.begin(), oneRuns.end()));
    std::printf("  delivery worker            %7.0f ms\n", workerMs);
    std::printf("  curl -T once per picture   %7.0f ms   worker / this: %.2f (target <= 0.5)\n", eachMs, workerMs / eachMs);
    std::printf("  one curl -T {a,b,...}      %7.0f ms   worker / this: %.2f (target <= 1.2)\n", oneMs, workerMs / oneMs);
    return 0;
}
