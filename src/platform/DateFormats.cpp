#include "DateFormats.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
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

QString formatDatePattern(const QDateTime& moment, const QString& pattern)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString icuPattern(reinterpret_cast<const UChar*>(pattern.utf16()), static_cast<int32_t>(pattern.size()));
    // en_US_POSIX is ICU's fixed, language-neutral form: Gregorian, ASCII digits.
    icu::SimpleDateFormat formatter(icuPattern, icu::Locale("en_US_POSIX"), status);
    if (U_FAILURE(status))
        return moment.toString(pattern);
    icu::UnicodeString text;
    formatter.format(static_cast<UDate>(moment.toMSecsSinceEpoch()), text);
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}
