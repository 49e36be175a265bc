#include "SequenceName.h"

#include "DateFormats.h"

namespace {

const QString kExtension = QStringLiteral(".jpg");

} // namespace

namespace SequenceName {

QString of(const QString& base, const QDateTime& taken)
{
    return base + QLatin1Char('_') + formatDatePattern(taken, QStringLiteral("yyyyMMdd_HHmmss")) + kExtension;
}

QString withCounter(const QString& fileName, int n)
{
    const QString stem = fileName.endsWith(kExtension) ? fileName.chopped(kExtension.size()) : fileName;
    // One pass: a name holding "%2" of its own is not filled in by the next argument.
    return QStringLiteral("%1_%2%3").arg(stem, QString::number(n), kExtension);
}

std::optional<Parsed> parse(QStringView fileName, QStringView base)
{
    // Read by hand, not by a pattern or a QDateTime: a folder may hold many thousand pictures.
    if (!fileName.startsWith(base) || !fileName.endsWith(kExtension) || fileName.size() < base.size() + 20)
        return std::nullopt;
    const QStringView rest = fileName.mid(base.size(), fileName.size() - base.size() - kExtension.size());
    if (rest[0] != QLatin1Char('_') || rest[9] != QLatin1Char('_'))
        return std::nullopt;
    const auto isDigit = [](QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; };
    Parsed parsed;
    for (int i = 1; i < 16; ++i) {
        if (i == 9)
            continue;
        if (!isDigit(rest[i]))
            return std::nullopt;
        parsed.key = parsed.key * 10 + (rest[i].unicode() - '0');
    }
    if (rest.size() > 16) {
        // "_N" as written: from 2, no leading zero, no sign.
        if (rest[16] != QLatin1Char('_') || rest.size() == 17 || rest.size() > 26 || rest[17] == QLatin1Char('0'))
            return std::nullopt;
        parsed.counter = 0;
        for (const QChar c : rest.mid(17)) {
            if (!isDigit(c))
                return std::nullopt;
            parsed.counter = parsed.counter * 10 + (c.unicode() - '0');
        }
        if (parsed.counter < 2)
            return std::nullopt;
    }
    // A real date and time (no 13th month), checked without a time-zone look-up.
    const qint64 day = parsed.key / 1000000;
    const int seconds = int(parsed.key % 1000000);
    if (!QDate::isValid(int(day / 10000), int(day / 100 % 100), int(day % 100)) ||
        !QTime::isValid(seconds / 10000, seconds / 100 % 100, seconds % 100))
        return std::nullopt;
    return parsed;
}

qint64 keyOf(const QDateTime& time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    return ((qint64(d.year()) * 100 + d.month()) * 100 + d.day()) * 1000000 + t.hour() * 10000 + t.minute() * 100 + t.second();
}

QDateTime timeOf(qint64 key)
{
    const int seconds = int(key % 1000000);
    const qint64 day = key / 1000000;
    return QDateTime(QDate(int(day / 10000), int(day / 100 % 100), int(day % 100)),
                     QTime(seconds / 10000, seconds / 100 % 100, seconds % 100));
}

} // namespace SequenceName
