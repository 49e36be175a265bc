#include "PictureSequence.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>

PictureSequence PictureSequence::scan(const QString& folder, const QString& name)
{
    PictureSequence sequence;
    if (name.isEmpty())
        return sequence;
    const QRegularExpression pattern(QStringLiteral("^%1_(\\d{8}_\\d{6})(?:_(\\d+))?\\.jpg$")
                                         .arg(QRegularExpression::escape(name)));
    const QDir dir(folder);
    // The name filter is only a first sieve; the pattern decides.
    const QStringList files = dir.entryList({name + QStringLiteral("_*.jpg")}, QDir::Files | QDir::Readable);
    for (const QString& file : files) {
        const QRegularExpressionMatch match = pattern.match(file);
        if (!match.hasMatch())
            continue;
        const QDateTime taken = QDateTime::fromString(match.captured(1), QStringLiteral("yyyyMMdd_HHmmss"));
        if (!taken.isValid())
            continue;
        const int counter = match.captured(2).isEmpty() ? 1 : match.captured(2).toInt();
        sequence.m_pictures.push_back(SequencePicture{dir.filePath(file), taken, counter});
    }
    std::sort(sequence.m_pictures.begin(), sequence.m_pictures.end(), [](const SequencePicture& a, const SequencePicture& b) {
        return a.taken != b.taken ? a.taken < b.taken : a.counter < b.counter;
    });
    return sequence;
}

std::vector<SequencePicture> PictureSequence::between(const QDateTime& from, const QDateTime& to) const
{
    std::vector<SequencePicture> inside;
    for (const SequencePicture& picture : m_pictures)
        if ((!from.isValid() || picture.taken >= from) && (!to.isValid() || picture.taken <= to))
            inside.push_back(picture);
    return inside;
}
