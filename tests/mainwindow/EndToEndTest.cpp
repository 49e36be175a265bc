#include "LoopbackFtpServer.h"
#include "SettingsTable.h"
#include "WindowFixture.h"

#include <QDir>
#include <QMessageBox>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class EndToEnd : public WindowFixture {};

QStringList jpegsIn(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
}

TEST_F(EndToEnd, SequenceOnDiskAndOnTheServer)
{
    LoopbackFtpServer server;
    ASSERT_TRUE(server.isRunning()) << server.problem().toStdString();
    open(QStringLiteral("Garden=320x240"), FTPTransferSettings{server.caPath()});
    QDir().mkpath(home.path() + QStringLiteral("/Pictures"));
    QDir().mkpath(server.rootPath() + QStringLiteral("/webcam"));
    QFile::setPermissions(server.rootPath() + QStringLiteral("/webcam"), QFileDevice::Permissions(0x7777)); // the server writes as nobody
    store->setObject(QStringLiteral("~/Pictures"), OXSaveToDiskPath);
    store->setObject(true, OXSaveToDiskFlag);
    store->setObject(true, OXSaveSequenceFlag);
    ui().serverTextField->setText(QStringLiteral("ftp://127.0.0.1:%1").arg(server.port())); // typed as a person would
    Q_EMIT ui().serverTextField->editingFinished();
    ASSERT_EQ(store->objectForKey(OXFTPServerAddress).toString(), QStringLiteral("ftp://127.0.0.1:%1").arg(server.port()));
    ui().pathTextField->setText(QStringLiteral("webcam"));
    ui().usernameTextField->setText(LoopbackFtpServer::user());
    ui().passwordTextField->setText(LoopbackFtpServer::password());
    setInterval(QStringLiteral("1"), 0);
    ASSERT_TRUE(window->recEnabled());

    window->toggleRecording();
    ASSERT_TRUE(waitForTicks(3));
    window->toggleRecording();
    EXPECT_EQ(window->errorMessage(), nullptr) << (window->errorMessage() ? window->errorMessage()->text().toStdString() : "");

    const QRegularExpression name(QStringLiteral("^CaptureImage_\\d{8}_\\d{6}(_\\d+)?\\.jpg$"));
    const QStringList onDisk = jpegsIn(home.path() + QStringLiteral("/Pictures"));
    const QStringList onServer = jpegsIn(server.rootPath() + QStringLiteral("/webcam"));
    EXPECT_GE(onDisk.size(), 2) << "one second apart, so at least two names differ";
    EXPECT_GE(onServer.size(), 2);
    for (const QString& file : onDisk) {
        EXPECT_TRUE(name.match(file).hasMatch()) << file.toStdString();
        EXPECT_EQ(QImage(home.path() + QStringLiteral("/Pictures/") + file).size(), QSize(320, 240)) << file.toStdString();
    }
    for (const QString& file : onServer)
        EXPECT_EQ(QImage(server.rootPath() + QStringLiteral("/webcam/") + file).size(), QSize(320, 240)) << file.toStdString();
}

TEST_F(EndToEnd, AReaderOfTheSinglePictureNeverSeesHalfOfOne)
{
    open(QStringLiteral("Garden=640x480"));
    store->setObject(home.path(), OXSaveToDiskPath);
    store->setObject(true, OXSaveToDiskFlag);
    store->setObject(1.0f, OXImageQuality); // large pictures take longest to write
    setInterval(QStringLiteral("1"), 0);
    const QString path = home.path() + QStringLiteral("/CaptureImage.jpg");

    std::atomic<bool> stop{false};
    std::atomic<int> reads{0}, partial{0};
    std::thread reader([&] {
        while (!stop) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly)) {
                const QByteArray bytes = file.readAll();
                ++reads;
                if (!bytes.startsWith("\xff\xd8") || !bytes.endsWith("\xff\xd9"))
                    ++partial;
            }
        }
    });
    window->startRecording();
    const bool ticked = waitForTicks(3);
    stop = true;
    reader.join();
    ASSERT_TRUE(ticked);
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(partial.load(), 0);
}

} // namespace
