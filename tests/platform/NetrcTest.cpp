#include "Netrc.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(Netrc, ThePasswordOfTheRightHostAndLoginOnly)
{
    const QByteArray text = "# the garden camera's server\n"
                            "machine ftp.example.com login garden password \"two words\"\n"
                            "machine 127.0.0.1\n  login other\n  password not-this\n"
                            "macdef init\nmachine 127.0.0.1 login tester password from-a-macro\n\n"
                            "machine 127.0.0.1 login tester password pic-Upl0ad\n"
                            "default login anonymous password guest\n";
    EXPECT_EQ(Netrc::passwordIn(text, QStringLiteral("127.0.0.1"), QStringLiteral("tester")), QStringLiteral("pic-Upl0ad"));
    EXPECT_EQ(Netrc::passwordIn(text, QStringLiteral("FTP.example.com"), QStringLiteral("garden")), QStringLiteral("two words"));
    EXPECT_EQ(Netrc::passwordIn(text, QStringLiteral("127.0.0.1"), QStringLiteral("other")), QStringLiteral("not-this"));
    // Another host gets the default entry only when its login fits; without one, nothing.
    EXPECT_EQ(Netrc::passwordIn(text, QStringLiteral("10.0.0.9"), QStringLiteral("anonymous")), QStringLiteral("guest"));
    EXPECT_EQ(Netrc::passwordIn(text, QStringLiteral("10.0.0.9"), QStringLiteral("tester")), std::nullopt);
    EXPECT_EQ(Netrc::passwordIn("machine a password", QStringLiteral("a"), QString()), std::nullopt) << "a word short";
    EXPECT_EQ(Netrc::passwordIn("", QStringLiteral("a"), QString()), std::nullopt);
}

TEST(Netrc, AFileOthersCanReadIsRefusedAndAMissingOneIsNoProblem)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("netrc"));
    EXPECT_EQ(Netrc::passwordFor(path, QStringLiteral("h"), QString()).problem, QString());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("machine h login u password secret\n");
    file.close();

    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    NetrcLookup lookup = Netrc::passwordFor(path, QStringLiteral("h"), QStringLiteral("u"));
    EXPECT_EQ(lookup.password, std::nullopt);
    EXPECT_TRUE(lookup.problem.contains(QStringLiteral("can be read by other users"))) << lookup.problem.toStdString();
    EXPECT_TRUE(lookup.problem.contains(QStringLiteral("chmod 600 ") + path));

    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0600), 0);
    lookup = Netrc::passwordFor(path, QStringLiteral("h"), QStringLiteral("u"));
    EXPECT_EQ(lookup.password, QStringLiteral("secret"));
    EXPECT_TRUE(lookup.problem.isEmpty());

    // Someone else's file, however private, is not ours to trust (only root can hand it over).
    if (::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0) {
        lookup = Netrc::passwordFor(path, QStringLiteral("h"), QStringLiteral("u"));
        EXPECT_EQ(lookup.password, std::nullopt);
        EXPECT_TRUE(lookup.problem.contains(QStringLiteral("belongs to another user"))) << lookup.problem.toStdString();
    }
}

} // namespace
