#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QVariant>

#include <optional>

// The stored forms of the date stamp's font and colour: readable text that a person
// can edit in the settings file.
//   font:   "<family> <size>pt", for example "Times-Roman 12pt"
//   colour: "rgba(<red>, <green>, <blue>, <alpha>)", components from 0 to 1
struct StampFont {
    QString family;
    double pointSize = 0;
    bool operator==(const StampFont&) const = default;
};

QString archivedFont(const StampFont& font);
std::optional<StampFont> unarchiveFont(const QVariant& archive);

QString archivedColor(const QColor& color);
std::optional<QColor> unarchiveColor(const QVariant& archive);

// The font to draw with. PostScript names such as "Times-Roman" are not family
// names to fontconfig; they are looked up as the family they name (Times, whose
// metric twin Nimbus Roman is installed), not left to the default font.
QFont makeStampFont(const StampFont& font);
