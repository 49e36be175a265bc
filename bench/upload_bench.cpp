// Upload of a 500 kB picture to a loopback FTP server (TLS offered, as in use):
// FTPController::uploadData against the curl command line sending the same bytes
// from a file to the same server, in one run.
//   bench_upload [--benchmark_* options]
#include "FTPController.h"
#include "LoopbackFtpServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr qsizetype kPictureBytes = 500 * 1000;

struct Fixture {
    Fixture()
    {
        picture.resize(kPictureBytes);
        for (qsizetype i = 0; i < picture.size(); ++i)
            picture[i] = static_cast<char>((i * 2654435761u) >> 24);
        QFile file(dir.path() + QStringLiteral("/picture.jpg"));
        if (file.open(QIODevice::WriteOnly))
            file.write(picture);
    }
    LoopbackFtpServer server;
    QTemporaryDir dir;
    QByteArray picture;
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_UploadData(benchmark::State& state)
{
    Fixture& f = fixture();
    FTPController controller(FTPTransferSettings{f.server.caPath()});
    for (auto _ : state) {
        if (!controller.uploadData(f.picture, f.server.url(QStringLiteral("bench.jpg")), LoopbackFtpServer::user(),
                                   LoopbackFtpServer::password()).ok)
            state.SkipWithError("upload failed");
    }
    state.SetBytesProcessed(state.iterations() * kPictureBytes);
}
BENCHMARK(BM_UploadData)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CurlCommandLine(benchmark::State& state)
{
    Fixture& f = fixture();
    const QStringList arguments{QStringLiteral("-sS"), QStringLiteral("--ssl"), QStringLiteral("--cacert"), f.server.caPath(),
                                QStringLiteral("--user"), LoopbackFtpServer::user() + QLatin1Char(':') + LoopbackFtpServer::password(),
                                QStringLiteral("-T"), f.dir.path() + QStringLiteral("/picture.jpg"),
                                f.server.url(QStringLiteral("bench-cli.jpg")).toString()};
    for (auto _ : state) {
        QProcess curl;
        curl.start(QStringLiteral("curl"), arguments);
        if (!curl.waitForFinished(30000) || curl.exitCode() != 0)
            state.SkipWithError("curl failed");
    }
    state.SetBytesProcessed(state.iterations() * kPictureBytes);
}
BENCHMARK(BM_CurlCommandLine)->Unit(benchmark::kMillisecond)->UseRealTime();


} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!fixture().server.isRunning()) {
        std::fprintf(stderr, "no loopback FTP server: %s\n", qPrintable(fixture().server.problem()));
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& t = reporter.millis;
    if (t.count("BM_UploadData") && t.count("BM_CurlCommandLine"))
        std::printf("uploadData / curl -T: %.3f (target <= 1.1)\n", t["BM_UploadData"] / t["BM_CurlCommandLine"]);
    benchmark::Shutdown();
    return 0;
}
