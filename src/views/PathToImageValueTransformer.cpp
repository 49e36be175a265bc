#include "PathToImageValueTransformer.h"

#include "Paths.h"

#include <QFileIconProvider>
#include <QFileInfo>

QPixmap PathToImageValueTransformer::transformedValue(const QVariant& path)
{
    if (!path.isValid() || path.toString().isEmpty())
        return {};
    const QFileIconProvider icons;
    return icons.icon(QFileInfo(expandTilde(path.toString()))).pixmap(16, 16);
}
