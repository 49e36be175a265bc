#pragma once

#include <QString>
#include <QVariant>

// Checks the FTP server address a person types. Accepted: empty text; a URL with a
// scheme and a host; a text without a scheme that contains a "." somewhere, which
// gets "ftp://" in front. An address with a user name or password in it is
// rejected (it would be stored as typed, password and all): they have fields of
// their own. Everything else is rejected with "Invalid URL". The value
// handed on is the address as a string, exactly as typed (plus the prefix).
class URLFormatter {
public:
    QString stringForObjectValue(const QVariant& object) const;
    bool getObjectValue(QVariant* object, const QString& string, QString* error) const;

    static QString invalidURLText();
    static QString userInfoText();
};
