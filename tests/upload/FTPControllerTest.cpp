#include "FTPController.h"
#include "LoopbackFtpServer.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <curl/curl.h>

#include <vector>

namespace {

class RecordingDelegate : public FTPControllerDelegate {
public:
    void uploadDidFinish() override { ++finished; }
    void uploadDidNotFinishWithError(const Error& error) override { errors.push_back(error); }
    int finished = 0;
    std::vector<Error> errors;
};

QByteArray picture(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 7) & 0xff);
    return bytes;
}

class Upload : public ::testing::Test {
protected:
    bool upload(LoopbackFtpServer& server, const QByteArray& data, const QString& name,
                const QString& password = LoopbackFtpServer::password(), bool trustTestAuthority = true)
    {
        FTPController controller(FTPTransferSettings{trustTestAuthority ? server.caPath() : QString()});
        controller.setDelegate(&delegate);
        return controller.uploadData(data, server.url(name), LoopbackFtpServer::user(), password);
    }
    RecordingDelegate delegate;
};

// One server with TLS, one controller: what arrives, what is refused and why, and
// that a failed upload leaves nothing behind for the next.
TEST_F(Upload, WhatArrivesWholeAndWhatFailsWithCurlsOwnError)
{
    LoopbackFtpServer server;
    FTPController controller(FTPTransferSettings{server.caPath()});
    const QString right = LoopbackFtpServer::password();
    EXPECT_TRUE(controller.uploadData(picture(7), server.url(QStringLiteral("a.jpg")), LoopbackFtpServer::user(), right))
        << "no delegate is needed";
    controller.setDelegate(&delegate);
    struct Case {
        const char* name;
        QByteArray data;
        QString password;
        CURLcode code; // CURLE_OK: arrives whole; -1: fails, whatever the code
    };
    const Case cases[] = {
        {"CaptureImage.jpg", picture(4321), right, CURLE_OK},
        {"CaptureImage.jpg", picture(1000), right, CURLE_OK}, // the always-current picture is replaced
        {"large.jpg", picture(5 * 1024 * 1024 + 17), right, CURLE_OK},
        {"empty.jpg", QByteArray(), right, CURLE_OK},
        {"x.jpg", picture(10), QStringLiteral("wrong"), CURLE_LOGIN_DENIED},
        {"x.jpg", picture(10), right + QStringLiteral("\r\nDELE empty.jpg"), CURLE_BAD_FUNCTION_ARGUMENT},
        {"y%0D%0ADELE empty.jpg", picture(10), right, CURLcode(-1)},
        {"no/such/folder/x.jpg", picture(10), right, CURLcode(-1)},
        {"a.jpg", picture(9), right, CURLE_OK},
    };
    for (const Case& c : cases) {
        delegate.finished = 0;
        delegate.errors.clear();
        const bool sent = controller.uploadData(c.data, server.url(QString::fromLatin1(c.name)), LoopbackFtpServer::user(), c.password);
        EXPECT_EQ(sent, c.code == CURLE_OK) << c.name;
        EXPECT_EQ(delegate.finished, sent ? 1 : 0) << c.name;
        ASSERT_EQ(delegate.errors.size(), sent ? 0u : 1u) << c.name;
        if (sent) {
            EXPECT_EQ(server.fileContents(QString::fromLatin1(c.name)), c.data) << c.name;
        } else if (c.code != CURLcode(-1)) {
            EXPECT_EQ(delegate.errors[0].domain, QStringLiteral("CurlErrorDomain"));
            EXPECT_EQ(delegate.errors[0].code, c.code) << c.name;
            if (c.code == CURLE_LOGIN_DENIED) { // the server's own words
                EXPECT_TRUE(delegate.errors[0].description.startsWith(QStringLiteral("The server refused the login (530 ")))
                    << delegate.errors[0].description.toStdString();
            }
        }
    }
    EXPECT_TRUE(QFile::exists(server.rootPath() + QStringLiteral("/empty.jpg"))) << "no command of a text's own ran";
    EXPECT_FALSE(QFile::exists(server.rootPath() + QStringLiteral("/x.jpg")));
    EXPECT_FALSE(QFile::exists(server.rootPath() + QStringLiteral("/no")));
    EXPECT_FALSE(controller.uploadData(picture(10), QUrl(), QStringLiteral("u"), QStringLiteral("p")));
    EXPECT_EQ(delegate.errors.back().code, CURLE_URL_MALFORMAT) << "no address fails like any other error";
    for (const QString& foreign : {QStringLiteral("http://127.0.0.1:%1/x.jpg").arg(server.port()), QStringLiteral("file:///tmp/x.jpg")}) {
        EXPECT_FALSE(controller.uploadData(picture(10), QUrl(foreign), LoopbackFtpServer::user(), right));
        EXPECT_EQ(delegate.errors.back().code, CURLE_UNSUPPORTED_PROTOCOL) << foreign.toStdString();
    }
}

TEST_F(Upload, PlainServerIsUsedWithoutTls)
{
    LoopbackFtpServer server({LoopbackFtpServer::Tls::Off});
    EXPECT_TRUE(upload(server, picture(2048), QStringLiteral("plain.jpg"), LoopbackFtpServer::password(), false));
    EXPECT_EQ(server.fileContents(QStringLiteral("plain.jpg")), picture(2048));
}

TEST_F(Upload, CertificatesMustComeFromATrustedAuthorityAndNameTheHost)
{
    LoopbackFtpServer trusted;
    EXPECT_FALSE(upload(trusted, picture(10), QStringLiteral("x.jpg"), LoopbackFtpServer::password(), false))
        << "the test authority is not among the system's";
    LoopbackFtpServer otherName({LoopbackFtpServer::Tls::Offered, QStringLiteral("other.example")});
    EXPECT_FALSE(upload(otherName, picture(10), QStringLiteral("x.jpg"))) << "a certificate for another name must not be accepted";
    ASSERT_EQ(delegate.errors.size(), 2u);
    for (const Error& error : delegate.errors)
        EXPECT_EQ(error.code, CURLE_PEER_FAILED_VERIFICATION);
    EXPECT_TRUE(otherName.fileContents(QStringLiteral("x.jpg")).isEmpty());
}

TEST_F(Upload, ServerThatNeverAnswersIsReportedWithinTheBound)
{
    SilentServer silent;
    ASSERT_NE(silent.port(), 0);
    FTPController controller; // the application's own bounds
    controller.setDelegate(&delegate);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(controller.uploadData(picture(10), QUrl(QStringLiteral("ftp://127.0.0.1:%1/x.jpg").arg(silent.port())),
                                       QStringLiteral("u"), QStringLiteral("p")));
    EXPECT_LT(clock.elapsed(), 30000);
    ASSERT_EQ(delegate.errors.size(), 1u);
    EXPECT_EQ(delegate.errors[0].code, CURLE_OPERATION_TIMEDOUT);
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
    controller.setDelegate(&delegate);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(controller.uploadData(picture(400 * 1024), server.url(QStringLiteral("slow.jpg")), LoopbackFtpServer::user(),
                                       LoopbackFtpServer::password()));
    EXPECT_LT(clock.elapsed(), 30000) << "at 2 kB/s the whole picture would take over three minutes";
    ASSERT_EQ(delegate.errors.size(), 1u);
    EXPECT_EQ(delegate.errors[0].code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_FALSE(QFile::exists(server.rootPath() + QStringLiteral("/slow.jpg"))) << "nothing under the final name";
}

} // namespace
