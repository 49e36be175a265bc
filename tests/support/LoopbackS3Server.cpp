#include "LoopbackS3Server.h"
#include "LoopbackFtpServer.h" // freeLoopbackPort

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>
#include <QThread>

namespace {

const QString kObjectSuffix = QStringLiteral("._S3rver_object");

} // namespace

LoopbackS3Server::LoopbackS3Server()
    : m_port(freeLoopbackPort())
{
    m_running = launch();
    if (!m_running)
        ADD_FAILURE() << "the loopback S3 service did not start: " << m_problem.toStdString();
}

LoopbackS3Server::~LoopbackS3Server()
{
    stop();
}

void LoopbackS3Server::stop()
{
    m_server.kill();
    m_running = false;
}

bool LoopbackS3Server::resume()
{
    m_running = launch();
    return m_running;
}

bool LoopbackS3Server::launch()
{
    if (!QFileInfo(QStringLiteral(OMBRIX_S3RVER)).isExecutable()) {
        m_problem = QStringLiteral(OMBRIX_S3RVER " is missing: scripts/test.sh installs it");
        return false;
    }
    ChildProcess::Options options;
    options.workingDirectory = m_dir.path();
    options.ownProcessGroup = true;
    options.endsWithTest = true;
    options.captureOutput = false;
    const QStringList arguments{QStringLiteral("-d"), m_dir.path(), QStringLiteral("--address"), QStringLiteral("127.0.0.1"),
                                QStringLiteral("--port"), QString::number(m_port), QStringLiteral("--configure-bucket"), bucket(),
                                QStringLiteral("--silent")};
    if (!m_server.start(QStringLiteral(OMBRIX_S3RVER), arguments, options)) {
        m_problem = QStringLiteral("s3rver could not be started");
        return false;
    }
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && m_server.isRunning()) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_port);
        if (probe.waitForConnected(200))
            return true;
        QThread::msleep(50);
    }
    m_problem = QStringLiteral("s3rver did not start listening");
    return false;
}

QByteArray LoopbackS3Server::object(const QString& key) const
{
    QFile file(m_dir.path() + QLatin1Char('/') + bucket() + QLatin1Char('/') + key + kObjectSuffix);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList LoopbackS3Server::keys(const QString& prefix) const
{
    const QString top = m_dir.path() + QLatin1Char('/') + bucket() + QLatin1Char('/');
    QStringList found;
    for (QDirIterator it(top, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        if (path.endsWith(kObjectSuffix) && path.mid(top.size()).startsWith(prefix))
            found << path.mid(top.size()).chopped(kObjectSuffix.size());
    }
    found.sort();
    return found;
}

bool LoopbackS3Server::put(const QString& key, const QByteArray& bytes)
{
    // Through the service itself would need a signature; the files it keeps are plain.
    const QString path = m_dir.path() + QLatin1Char('/') + bucket() + QLatin1Char('/') + key + kObjectSuffix;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    QFile meta(path.chopped(kObjectSuffix.size()) + QStringLiteral("._S3rver_metadata.json"));
    return meta.open(QIODevice::WriteOnly) &&
        meta.write("{\"content-type\":\"image/jpeg\"}") > 0;
}
