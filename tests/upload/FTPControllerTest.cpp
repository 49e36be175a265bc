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
    void upload(LoopbackFtpServer& server, const QByteArray& data, const QString& name,
                const QString& password = LoopbackFtpServer::password(), bool trustTestAuthority = true)
    {
        ASSERT_TRUE(server.isRunning()) << server.problem().toStdString();
        FTPController controller(FTPTransferSettings{trustTestAuthority ? server.caPath() : QString()});
        controller.setDelegate(&delegate);
        returned = controller.uploadData(data, server.url(name), LoopbackFtpServer::user(), password);
    }
    RecordingDelegate delegate;
    bool returned = false;
};

TEST_F(Upload, PictureArrivesWholeOverTls)
{
    LoopbackFtpServer server;
    const QByteArray jpeg = picture(4321);
    upload(server, jpeg, QStringLiteral("CaptureImage.jpg"));
    EXPECT_TRUE(returned);
    EXPECT_EQ(delegate.finished, 1);
    EXPECT_TRUE(delegate.errors.empty());
    EXPECT_EQ(server.fileContents(QStringLiteral("CaptureImage.jpg")), jpeg);

    const QByteArray newer = picture(1000);
    upload(server, newer, QStringLiteral("CaptureImage.jpg")); // the always-current picture is replaced
    EXPECT_EQ(server.fileContents(QStringLiteral("CaptureImage.jpg")), newer);
}

TEST_F(Upload, LargePictureOverManyReadsAndAnEmptyOne)
{
    LoopbackFtpServer server;
    const QByteArray large = picture(5 * 1024 * 1024 + 17);
    upload(server, large, QStringLiteral("large.jpg"));
    EXPECT_TRUE(returned);
    EXPECT_EQ(server.fileContents(QStringLiteral("large.jpg")), large);

    upload(server, QByteArray(), QStringLiteral("empty.jpg"));
    EXPECT_TRUE(returned);
    EXPECT_TRUE(QFile::exists(server.rootPath() + QStringLiteral("/empty.jpg")));
    EXPECT_EQ(server.fileContents(QStringLiteral("empty.jpg")).size(), 0);
}

TEST_F(Upload, PlainServerIsUsedWithoutTls)
{
    LoopbackFtpServer server({LoopbackFtpServer::Tls::Off});
    upload(server, picture(2048), QStringLiteral("plain.jpg"), LoopbackFtpServer::password(), false);
    EXPECT_TRUE(returned);
    EXPECT_EQ(server.fileContents(QStringLiteral("plain.jpg")), picture(2048));
}

TEST_F(Upload, WrongPasswordIsCurlsLoginError)
{
    LoopbackFtpServer server;
    upload(server, picture(10), QStringLiteral("x.jpg"), QStringLiteral("wrong"));
    EXPECT_FALSE(returned);
    EXPECT_EQ(delegate.finished, 0);
    ASSERT_EQ(delegate.errors.size(), 1u);
    EXPECT_EQ(delegate.errors[0].domain, QStringLiteral("CurlErrorDomain"));
    EXPECT_EQ(delegate.errors[0].code, CURLE_LOGIN_DENIED);
    EXPECT_EQ(delegate.errors[0].description, QString::fromUtf8(curl_easy_strerror(CURLE_LOGIN_DENIED)));
}

TEST_F(Upload, MissingFolderOnTheServerFails)
{
    LoopbackFtpServer server;
    upload(server, picture(10), QStringLiteral("no/such/folder/x.jpg"));
    EXPECT_FALSE(returned);
    ASSERT_EQ(delegate.errors.size(), 1u);
    EXPECT_NE(delegate.errors[0].code, CURLE_OK);
    EXPECT_FALSE(QFile::exists(server.rootPath() + QStringLiteral("/no")));
}

TEST_F(Upload, CertificatesMustComeFromATrustedAuthorityAndNameTheHost)
{
    LoopbackFtpServer trusted;
    upload(trusted, picture(10), QStringLiteral("x.jpg"), LoopbackFtpServer::password(), false);
    EXPECT_FALSE(returned) << "the test authority is not among the system's";
    ASSERT_EQ(delegate.errors.size(), 1u);
    EXPECT_EQ(delegate.errors[0].code, CURLE_PEER_FAILED_VERIFICATION);

    delegate.errors.clear();
    LoopbackFtpServer otherName({LoopbackFtpServer::Tls::Offered, QStringLiteral("other.example")});
    upload(otherName, picture(10), QStringLiteral("x.jpg"));
    EXPECT_FALSE(returned) << "a certificate for another name must not be accepted";
    ASSERT_EQ(delegate.errors.size(), 1u);
    EXPECT_EQ(delegate.errors[0].code, CURLE_PEER_FAILED_VERIFICATION);
    EXPECT_EQ(delegate.errors[0].description, QString::fromUtf8(curl_easy_strerror(CURLE_PEER_FAILED_VERIFICATION)));
    EXPECT_TRUE(otherName.fileContents(QStringLiteral("x.jpg")).isEmpty());
}

TEST_F(Upload, ControlCharactersNeverReachTheServer)
{
    LoopbackFtpServer server;
    upload(server, picture(10), QStringLiteral("kept.jpg"));
    ASSERT_TRUE(returned);
    upload(server, picture(10), QStringLiteral("x.jpg"), LoopbackFtpServer::password() + QStringLiteral("\r\nDELE kept.jpg"));
    EXPECT_FALSE(returned);
    ASSERT_FALSE(delegate.errors.empty());
    EXPECT_EQ(delegate.errors.back().code, CURLE_BAD_FUNCTION_ARGUMENT);
    upload(server, picture(10), QStringLiteral("y%0D%0ADELE kept.jpg"));
    EXPECT_FALSE(returned);
    EXPECT_FALSE(server.fileContents(QStringLiteral("kept.jpg")).isEmpty()) << "no command of the text's own ran";
    EXPECT_FALSE(QFile::exists(server.rootPath() + QStringLiteral("/x.jpg")));
}

TEST_F(Upload, NoUrlFailsLikeAnyOtherError)
{
    FTPController controller;
    controller.setDelegate(&delegate);
    EXPECT_FALSE(controller.uploadData(picture(10), QUrl(), QStringLiteral("u"), QStringLiteral("p")));
    ASSERT_EQ(delegate.errors.size(), 1u);
    EXPECT_EQ(delegate.errors[0].code, CURLE_URL_MALFORMAT);
}

TEST_F(Upload, WithoutDelegateOrCallbacksTheUploadStillRuns)
{
    LoopbackFtpServer server;
    ASSERT_TRUE(server.isRunning()) << server.problem().toStdString();
    FTPController controller(FTPTransferSettings{server.caPath()});
    EXPECT_TRUE(controller.uploadData(picture(7), server.url(QStringLiteral("a.jpg")), LoopbackFtpServer::user(),
                                      LoopbackFtpServer::password()));
    FTPControllerDelegate silent; // implements neither callback
    controller.setDelegate(&silent);
    EXPECT_FALSE(controller.uploadData(picture(7), server.url(QStringLiteral("a.jpg")), LoopbackFtpServer::user(),
                                       QStringLiteral("wrong")));
    EXPECT_TRUE(controller.uploadData(picture(9), server.url(QStringLiteral("a.jpg")), LoopbackFtpServer::user(),
                                      LoopbackFtpServer::password()))
        << "a failed upload leaves nothing behind for the next";
    EXPECT_EQ(server.fileContents(QStringLiteral("a.jpg")), picture(9));
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
    ASSERT_TRUE(server.isRunning()) << server.problem().toStdString();
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

TEST(ReadMemoryCallback, HandsOverTheLesserOfWhatIsAskedAndWhatIsLeft)
{
    const QByteArray data("0123456789");
    ReadMemoryState state{data.constData(), static_cast<std::uint64_t>(data.size())};
    char buffer[8] = {};
    EXPECT_EQ(ReadMemoryCallback(buffer, 2, 3, &state), 6u);
    EXPECT_EQ(QByteArray(buffer, 6), QByteArray("012345"));
    EXPECT_EQ(ReadMemoryCallback(buffer, 1, 8, &state), 4u);
    EXPECT_EQ(QByteArray(buffer, 4), QByteArray("6789"));
    EXPECT_EQ(ReadMemoryCallback(buffer, 1, 8, &state), 0u);
    EXPECT_EQ(state.remaining, 0u);
}

} // namespace
