#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <optional>

// The file names of a recorded sequence: BASE_yyyyMMdd_HHmmss.jpg, and for a name
// already taken BASE_yyyyMMdd_HHmmss_N.jpg with N from 2. Written and read here
// only, so that recording, the rules for old pictures, the films and the server's
// clean-up always agree on which files belong to a sequence.
namespace SequenceName {

struct Parsed {
    qint64 key = 0;  // yyyyMMddHHmmss as one number: ordered as the times are
    int counter = 1; // 1: no counter
};

// "BASE_yyyyMMdd_HHmmss.jpg" with the local time as the clock shows it, in any language.
QString of(const QString& base, const QDateTime& taken);
// The name with a counter before its extension: "x_2.jpg" for n = 2.
QString withCounter(const QString& fileName, int n);
// The time and counter of one of the sequence's names; nothing for any other name
// (another sequence's, a counter Ombrix never writes, a date that does not exist).
std::optional<Parsed> parse(QStringView fileName, QStringView base);

qint64 keyOf(const QDateTime& time);
QDateTime timeOf(qint64 key);

} // namespace SequenceName
