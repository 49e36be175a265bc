#include "DateFormats.h"

#include <unicode/datefmt.h>
#include <unicode/unistr.h>

#include <memory>

QString localizedLongDateFullTime(const QDateTime& moment)
{
    // Making a formatter loads locale data; one per thread is made once and kept.
    thread_local const std::unique_ptr<icu::DateFormat> formatter(
        icu::DateFormat::createDateTimeInstance(icu::DateFormat::kLong, icu::DateFormat::kFull));
    if (!formatter)
        return QLocale().toString(moment, QLocale::LongFormat);
    icu::UnicodeString text;
    formatter->format(static_cast<UDate>(moment.toMSecsSinceEpoch()), text);
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}
