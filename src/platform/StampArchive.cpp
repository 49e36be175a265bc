#include "StampArchive.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

// Fonts outside this range are a typo in the file, not a choice.
constexpr double kMinPointSize = 1.0;
constexpr double kMaxPointSize = 1000.0;

QString textOf(const QVariant& archive)
{
    if (archive.typeId() == QMetaType::QStringList)
        return archive.toStringList().join(QStringLiteral(", "));
    if (archive.typeId() == QMetaType::QString || archive.typeId() == QMetaType::QByteArray)
        return archive.toString();
    return {};
}

} // namespace

QString archivedFont(const StampFont& font)
{
    return QStringLiteral("%1 %2pt").arg(font.family, QString::number(font.pointSize, 'g', 6));
}

std::optional<StampFont> unarchiveFont(const QVariant& archive)
{
    static const QRegularExpression form(QStringLiteral(R"(^\s*(\S.*?)\s+(\d+(?:\.\d+)?)\s*pt\s*$)"));
    const auto match = form.match(textOf(archive));
    if (!match.hasMatch())
        return std::nullopt;
    const double size = match.captured(2).toDouble();
    if (size < kMinPointSize || size > kMaxPointSize)
        return std::nullopt;
    return StampFont{match.captured(1), size};
}

QString archivedColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    auto component = [](float v) { return QString::number(v, 'g', 4); };
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(component(rgb.redF()), component(rgb.greenF()), component(rgb.blueF()), component(rgb.alphaF()));
}

std::optional<QColor> unarchiveColor(const QVariant& archive)
{
    static const QRegularExpression form(QStringLiteral(R"(^\s*rgba?\s*\(([^)]*)\)\s*$)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto match = form.match(textOf(archive));
    if (!match.hasMatch())
        return std::nullopt;
    const QStringList parts = match.captured(1).split(QLatin1Char(','));
    if (parts.size() != 3 && parts.size() != 4)
        return std::nullopt;
    float c[4] = {0, 0, 0, 1};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        c[i] = parts[i].trimmed().toFloat(&ok);
        if (!ok || !(c[i] >= 0.0f && c[i] <= 1.0f))
            return std::nullopt;
    }
    return QColor::fromRgbF(c[0], c[1], c[2], c[3]);
}

QFont makeStampFont(const StampFont& stamp)
{
    // The stored PostScript name first, then the families that draw it on Linux;
    // for this font only, nothing process-wide.
    QFont font(stamp.family);
    if (stamp.family == QLatin1String("Times-Roman"))
        font.setFamilies({stamp.family, QStringLiteral("Times"), QStringLiteral("Nimbus Roman"), QStringLiteral("Liberation Serif")});
    font.setPointSizeF(stamp.pointSize);
    return font;
}
