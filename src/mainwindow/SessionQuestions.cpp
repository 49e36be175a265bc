#include "SessionQuestions.h"

#include "RecordingSession.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SessionQuestions", text);
}

QMessageBox* ask(QWidget* window, const QString& title, const QString& text, QMessageBox::StandardButtons buttons)
{
    auto* box = new QMessageBox(QMessageBox::Question, title, text, buttons, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setDefaultButton(QMessageBox::Cancel);
    box->open();
    return box;
}

} // namespace

void SessionQuestions::askToRemoveOldPictures(QWidget* window, const QString& question, std::function<void(bool)> answer)
{
    QMessageBox* box = ask(window, tr("Remove old pictures?"), question, QMessageBox::Ok | QMessageBox::Cancel);
    QObject::connect(box, &QMessageBox::finished, [answer](int result) { answer(result == QMessageBox::Ok); });
}

void SessionQuestions::askToTrustHostKey(QWidget* window, RecordingSession* session, const SshHostKey& key)
{
    // The fingerprint as ssh shows it, so that it can be compared with the server owner's.
    QMessageBox* box = ask(window, tr("Trust this SSH server?"),
                           tr("The SSH server %1 is not known yet. Its key is:\n\n%2\n\nTrust it only if the server's "
                              "owner confirms this fingerprint. Pictures wait in the outbox until then.")
                               .arg(key.hostPattern(), key.fingerprint()),
                           QMessageBox::Yes | QMessageBox::Cancel);
    QObject::connect(box, &QMessageBox::finished, [window, session = QPointer<RecordingSession>(session), key](int result) {
        QString problem;
        if (result == QMessageBox::Yes && session && !session->trustHostKey(key, &problem))
            QMessageBox::warning(window, tr("Trust this SSH server?"),
                                 tr("The key could not be added to known_hosts: %1").arg(problem));
    });
}

void SessionQuestions::askToTrustCertificate(QWidget* window, RecordingSession* session, const TrustedCertificate& certificate)
{
    QMessageBox* box = ask(window, tr("Trust this server?"),
                           tr("No authority this computer trusts signed the certificate of %1. Its key is:\n\n%2\n\n"
                              "Trust it only if this is your own server (a NAS, a router) and that is its key. From "
                              "then on only this key is accepted there, and always with TLS.")
                               .arg(certificate.hostPattern(), QString::fromLatin1(certificate.pin)),
                           QMessageBox::Yes | QMessageBox::Cancel);
    QObject::connect(box, &QMessageBox::finished, [window, session = QPointer<RecordingSession>(session), certificate](int result) {
        QString problem;
        if (result == QMessageBox::Yes && session && !session->trustCertificate(certificate, &problem))
            QMessageBox::warning(window, tr("Trust this server?"), tr("The key could not be written down: %1").arg(problem));
    });
}
