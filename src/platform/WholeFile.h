#pragma once

#include <QByteArray>
#include <QString>

// Writes the bytes beside the path and renames them over it, so that a reader (or
// a kill in the middle) never leaves half a file under the name. False, with the
// system's own words for why in *problem, when it could not be written.
bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* problem = nullptr);
