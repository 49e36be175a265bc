// The stamp's font and colour as read from a settings file a person may edit.
#include "StampArchive.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const std::optional<StampFont> font = unarchiveFont(QVariant(text))) {
        // What is read back is a usable font, and stored again it reads the same.
        if (!std::isfinite(font->pointSize) || font->pointSize <= 0)
            std::abort();
        const std::optional<StampFont> again = unarchiveFont(QVariant(archivedFont(*font)));
        if (!again || again->family != font->family)
            std::abort();
    }
    if (const std::optional<QColor> color = unarchiveColor(QVariant(text))) {
        if (!color->isValid())
            std::abort();
        if (!unarchiveColor(QVariant(archivedColor(*color))))
            std::abort();
    }
    return 0;
}
