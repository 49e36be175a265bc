#pragma once

#include <QDateTime>
#include <QString>

#include <vector>

// One picture of a recorded sequence, NAME_yyyyMMdd_HHmmss.jpg, or with the
// counter a name that was taken gets (NAME_yyyyMMdd_HHmmss_2.jpg).
struct SequencePicture {
    QString path;
    QDateTime taken;
    int counter = 1;
};

// The pictures of one sequence in a folder, in the order of the date and time in
// their names (not of the files' times: copies and restores change those).
class PictureSequence {
public:
    static PictureSequence scan(const QString& folder, const QString& name);

    const std::vector<SequencePicture>& pictures() const { return m_pictures; }
    bool isEmpty() const { return m_pictures.empty(); }
    // Those taken within [from, to]; an invalid end is open.
    std::vector<SequencePicture> between(const QDateTime& from, const QDateTime& to) const;

private:
    std::vector<SequencePicture> m_pictures;
};
