#include "PictureSequence.h"

#include "SequenceName.h"

#include <QDir>

#include <algorithm>

PictureSequence PictureSequence::scan(const QString& folder, const QString& name)
{
    PictureSequence sequence;
    if (name.isEmpty())
        return sequence;
    const QDir dir(folder);
    // The name filter is only a first sieve; the sequence's grammar decides.
    const QStringList files = dir.entryList({name + QStringLiteral("_*.jpg")}, QDir::Files | QDir::Readable);
    for (const QString& file : files) {
        const auto parsed = SequenceName::parse(file, name);
        if (!parsed)
            continue;
        const QDateTime taken = SequenceName::timeOf(parsed->key);
        if (taken.isValid())
            sequence.m_pictures.push_back(SequencePicture{dir.filePath(file), taken, parsed->counter});
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
