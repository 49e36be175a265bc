#include "FTPController.h"
#include "S3Transport.h"
#include "LoopbackFtpServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <curl/curl.h>

#include <vector>

namespace {

QByteArray picture(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 7) & 0xff);
    return bytes;
}

class Upload : public ::testing::Test {
protected:
    TransferResult upload(LoopbackFtpServer& server, const QByteArray& data, const QString& name,
                          const QString& password = LoopbackFtpServer::password(), bool trustTestAuthority = true)
    {
        FTPController controller(FTPTransferSettings{trustTestAuthority ? server.caPath() : QString()});
        return controller.uploadData(data, server.url(name), LoopbackFtpServer::user(), password);
    }
};

// One server with TLS, one controller: what arrives, what is refused and why, and
// that a failed upload leaves nothing behind for the next.
TEST_F(Upload, WhatArrivesWholeAndWhatFailsWithCurlsOwnError)
{
    LoopbackFtpServer server;
    FTPController controller(FTPTransferSettings{server.caPath()});
    const QString right = LoopbackFtpServer::password();
    struct Case {
        const char* name;
        QByteArray data;
        QString password;
        CURLcode code;  // CURLE_OK: arrives whole; -1: fails, whatever the code
        bool permanent; // the server refuses this picture for good
    };
    const Case cases[] = {
        {"CaptureImage.jpg", picture(4321), right, CURLE_OK, false},
        {"CaptureImage.jpg", picture(1000), right, CURLE_OK, false}, // the always-current picture is replaced
        {"large.jpg", picture(5 * 1024 * 1024 + 17), right, CURLE_OK, false},
        {"empty.jpg", QByteArray(), right, CURLE_OK, false},
        {"x.jpg", picture(10), QStringLiteral("wrong"), CURLE_LOGIN_DENIED, false},
        {"x.jpg", picture(10), right + QStringLiteral("\r\nDELE empty.jpg"), CURLE_BAD_FUNCTION_ARGUMENT, true},
        {"y%0D%0ADELE empty.jpg", picture(10), right, CURLcode(-1), true},
        {"no/such/folder/x.jpg", picture(10), right, CURLcode(-1), true},
        {"locked/x.jpg", picture(10), right, CURLcode(-1), true},
        {"a.jpg", picture(9), right, CURLE_OK, false},
    };
    ASSERT_TRUE(QDir(server.rootPath()).mkdir(QStringLiteral("locked")));
    QFile::setPermissions(server.rootPath() + QStringLiteral("/locked"), QFileDevice::ReadOther | QFileDevice::ExeOther);
    for (const Case& c : cases) {
        const TransferResult sent = controller.uploadData(c.data, server.url(QString::fromLatin1(c.name)), LoopbackFtpServer::user(), c.password);
        EXPECT_EQ(sent.ok, c.code == CURLE_OK) << c.name;
        EXPECT_EQ(sent.usedTls, sent.ok) << c.name;
        EXPECT_EQ(sent.permanent, c.permanent) << c.name << ": " << sent.error.description.toStdString();
        if (sent.ok) {
            EXPECT_EQ(server.fileContents(QString::fromLatin1(c.name)), c.data) << c.name;
        } else if (c.code != CURLcode(-1)) {
            EXPECT_EQ(sent.error.domain, QStringLiteral("CurlErrorDomain"));
            EXPECT_EQ(sent.error.code, c.code) << c.name;
            if (c.code == CURLE_LOGIN_DENIED) { // the server's own words
                EXPECT_TRUE(sent.error.description.startsWith(QStringLiteral("The server refused the login (530 ")))
                    << sent.error.description.toStdString();
            }
        }
    }
    EXPECT_TRUE(QFile::exists(server.rootPath() + QStringLiteral("/empty.jpg"))) << "no command of a text's own ran";
    EXPECT_FALSE(QFile::exists(server.rootPath() + QStringLiteral("/x.jpg")));
    EXPECT_FALSE(QFile::exists(server.rootPath() + QStringLiteral("/no")));
    EXPECT_EQ(controller.uploadData(picture(10), QUrl(), QStringLiteral("u"), QStringLiteral("p")).error.code, CURLE_URL_MALFORMAT)
        << "no address fails like any other error";
    for (const QString& foreign : {QStringLiteral("gopher://127.0.0.1:%1/x.jpg").arg(server.port()), QStringLiteral("file:///tmp/x.jpg")}) {
        const TransferResult refused = controller.uploadData(picture(10), QUrl(foreign), LoopbackFtpServer::user(), right);
        EXPECT_EQ(refused.error.code, CURLE_UNSUPPORTED_PROTOCOL) << foreign.toStdString();
        EXPECT_TRUE(refused.permanent) << foreign.toStdString();
    }
}

TEST_F(Upload, PlainServerIsUsedWithoutTls)
{
    LoopbackFtpServer server({LoopbackFtpServer::Tls::Off});
    const TransferResult sent = upload(server, picture(2048), QStringLiteral("plain.jpg"), LoopbackFtpServer::password(), false);
    EXPECT_TRUE(sent.ok && !sent.usedTls);
    EXPECT_EQ(server.fileContents(QStringLiteral("plain.jpg")), picture(2048));
}

TEST_F(Upload, CertificatesMustComeFromATrustedAuthorityAndNameTheHost)
{
    LoopbackFtpServer trusted;
    LoopbackFtpServer otherName({LoopbackFtpServer::Tls::Offered, QStringLiteral("other.example")});
    const TransferResult unknownAuthority = upload(trusted, picture(10), QStringLiteral("x.jpg"), LoopbackFtpServer::password(), false);
    const TransferResult misnamed = upload(otherName, picture(10), QStringLiteral("x.jpg"));
    for (const TransferResult& refused : {unknownAuthority, misnamed})
        EXPECT_EQ(refused.error.code, CURLE_PEER_FAILED_VERIFICATION);
    EXPECT_TRUE(unknownAuthority.unknownCertificate.isValid()) << "its key is offered to trust";
    EXPECT_FALSE(misnamed.unknownCertificate.isValid()) << "a certificate for another name must not be accepted";
    EXPECT_TRUE(otherName.fileContents(QStringLiteral("x.jpg")).isEmpty());
}

TEST_F(Upload, ServerThatNeverAnswersIsReportedWithinTheBound)
{
    SilentServer silent;
    ASSERT_NE(silent.port(), 0);
    FTPController controller; // the application's own bounds
    QElapsedTimer clock;
    clock.start();
    const TransferResult sent = controller.uploadData(picture(10), QUrl(QStringLiteral("ftp://127.0.0.1:%1/x.jpg").arg(silent.port())),
                                                      QStringLiteral("u"), QStringLiteral("p"));
    EXPECT_LT(clock.elapsed(), 30000);
    EXPECT_EQ(sent.error.code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_FALSE(sent.permanent);
}

TEST_F(Upload, AServerThatTricklesIsGivenUpWithinTheBoundOfTheWholeTransfer)
{
    LoopbackFtpServer::Options slow;
    slow.kilobytesPerSecond = 2; // never stalls long enough for the stall limit
    LoopbackFtpServer server(slow);
    FTPTransferSettings settings{server.caPath()};
    settings.slowestBytesPerSecond = 100 * 1024;
    settings.transferFloor = std::chrono::seconds(3);
    FTPController controller(settings);
    QElapsedTimer clock;
    clock.start();
    const TransferResult sent = controller.uploadData(picture(400 * 1024), server.url(QStringLiteral("slow.jpg")),
                                                      LoopbackFtpServer::user(), LoopbackFtpServer::password());
    EXPECT_LT(clock.elapsed(), 30000) << "at 2 kB/s the whole picture would take over three minutes";
    EXPECT_EQ(sent.error.code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_FALSE(QFile::exists(server.rootPath() + QStringLiteral("/slow.jpg"))) << "nothing under the final name";
}

} // namespace

namespace {

// The region a service names in its refusal, said as the setting to change.
TEST(S3Answers, AWrongRegionIsNamedAsTheServiceSaysIt)
{
    const QByteArray refused = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Error><Code>AuthorizationHeaderMalformed</Code>"
                               "<Message>the region 'us-east-1' is wrong; expecting 'eu-central-1'</Message>"
                               "<Region>eu-central-1</Region></Error>";
    EXPECT_EQ(S3Transport::regionText(refused, QStringLiteral("us-east-1")),
              QStringLiteral("The bucket is in eu-central-1, not us-east-1: set OXS3Region=eu-central-1."));
    EXPECT_TRUE(S3Transport::regionText(refused, QStringLiteral("eu-central-1")).isEmpty());
    EXPECT_TRUE(S3Transport::regionText("<Error><Code>AccessDenied</Code></Error>", QStringLiteral("us-east-1")).isEmpty());
}

// Which https addresses are buckets (path style) rather than WebDAV folders, and
// the region a request there is signed for when the host names it (else us-east-1, as set).
TEST(S3Answers, AnHttpsAddressIsABucketOnlyAtTheEndpointSetOrAKnownServiceAndItsHostNamesTheRegion)
{
    const struct {
        const char* address;
        const char* endpoint;
        bool s3;
        const char* bucket;
        const char* region;
    } cases[] = {
        {"s3://cams/garden/", "", true, "cams", "us-east-1"},
        {"https://s3.eu-central-1.amazonaws.com/cams/garden/", "", true, "cams", "eu-central-1"},
        {"https://cams.s3-ap-southeast-2.amazonaws.com/", "", true, "", "ap-southeast-2"},
        {"https://s3.eu-central-003.backblazeb2.com/cams/", "", true, "cams", "eu-central-003"},
        {"https://ACCOUNT.r2.cloudflarestorage.com/cams/", "", true, "cams", "auto"},
        {"http://127.0.0.1:9000/cams/garden/now.jpg", "http://127.0.0.1:9000", true, "cams", "us-east-1"},
        {"http://127.0.0.1:9001/cams/", "http://127.0.0.1:9000", false, "", "us-east-1"},
        {"https://cloud.example.org/remote.php/dav/files/me/", "https://minio.example.org", false, "", "us-east-1"},
        {"https://notamazonaws.com/cams/", "", false, "", "us-east-1"},
    };
    for (const auto& c : cases) {
        const QUrl url(QString::fromLatin1(c.address));
        EXPECT_EQ(S3Transport::isS3Address(url, QString::fromLatin1(c.endpoint)), c.s3) << c.address;
        EXPECT_TRUE(!c.s3 || S3Transport::bucketOf(url) == QLatin1String(c.bucket)) << c.address;
        EXPECT_EQ(S3Transport::regionOf(url.host(), QStringLiteral("us-east-1")), QLatin1String(c.region)) << c.address;
    }
}

} // namespace
