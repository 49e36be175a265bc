// The server-address check: whatever a person types or a settings file holds.
#include "URLFormatter.h"

#include <QUrl>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString typed = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    URLFormatter formatter;
    QVariant value;
    QString error;
    const bool accepted = formatter.getObjectValue(&value, typed, &error);
    if (accepted != error.isEmpty())
        std::abort(); // accepted exactly when there is no error text
    if (accepted && value.isValid()) {
        // Read as the uploader reads it: an accepted address names a host and never
        // carries a user or password.
        const QUrl url(value.toString().trimmed(), QUrl::TolerantMode);
        if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty())
            std::abort();
        if (formatter.stringForObjectValue(value) != value.toString())
            std::abort();
    }
    return 0;
}
