#include "URLFormatter.h"

#include <QCoreApplication>
#include <QUrl>

QString URLFormatter::invalidURLText()
{
    return QCoreApplication::translate("URLFormatter", "Invalid URL");
}

QString URLFormatter::userInfoText()
{
    return QCoreApplication::translate("URLFormatter", "User and password go in their own fields");
}

QString URLFormatter::stringForObjectValue(const QVariant& object) const
{
    return object.isValid() ? object.toString() : QString();
}

bool URLFormatter::getObjectValue(QVariant* object, const QString& string, QString* error) const
{
    if (object)
        *object = QVariant();
    QString errorText;
    if (!string.isEmpty()) {
        // Read as people type addresses: spaces and letters beyond ASCII in the path
        // are fine (they are encoded for the server), a space in the host is not.
        QString text = string;
        QUrl url(text, QUrl::TolerantMode);
        if (url.isValid() && url.scheme().isEmpty()) {
            if (!string.contains(QLatin1Char('.'))) {
                url = QUrl();
            } else {
                text = QStringLiteral("ftp://") + string;
                url = QUrl(text, QUrl::TolerantMode);
            }
        }
        if (!url.isValid() || url.host().isEmpty())
            errorText = invalidURLText();
        else if (!url.userInfo().isEmpty())
            errorText = userInfoText(); // it would be stored as typed, password and all
        else if (object)
            *object = text; // an absolute URL's string is the text it was read from
    }
    if (error)
        *error = errorText;
    return errorText.isEmpty();
}
