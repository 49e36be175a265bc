#pragma once

#include <QPixmap>
#include <QVariant>

// A file or folder path (a leading "~" for the home folder) to the desktop's
// 16 x 16 icon of that file or folder; no path gives no icon. One way only.
class PathToImageValueTransformer {
public:
    static QPixmap transformedValue(const QVariant& path);
};
