#pragma once

#include "ChildProcess.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

// A real S3 service (s3rver) on 127.0.0.1 for one test, with one bucket and one
// access key. It checks the access key and the headers S3 requires, not the
// signature; its objects are files in a folder of the test's own.
class LoopbackS3Server {
public:
    LoopbackS3Server();
    ~LoopbackS3Server();

    bool isRunning() const { return m_running; }
    QString problem() const { return m_problem; }
    // An outage: the service ends at once, and comes back with the same objects.
    void stop();
    bool resume();

    static QString bucket() { return QStringLiteral("cams"); }
    static QString accessKey() { return QStringLiteral("S3RVER"); }
    static QString secretKey() { return QStringLiteral("S3RVER"); }
    QString endpoint() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    // s3://cams/KEY
    QUrl url(const QString& key) const { return QUrl(QStringLiteral("s3://%1/%2").arg(bucket(), key)); }
    // The object's bytes, empty when there is none; the keys under a prefix.
    QByteArray object(const QString& key) const;
    QStringList keys(const QString& prefix = {}) const;
    // Puts an object as the service keeps it, behind its back (for old pictures).
    bool put(const QString& key, const QByteArray& bytes);

private:
    bool launch();

    QTemporaryDir m_dir;
    ChildProcess m_server;
    quint16 m_port = 0;
    bool m_running = false;
    QString m_problem;
};
