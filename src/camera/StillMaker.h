#pragma once

#include "GstHandles.h"
#include "JpegEncoder.h"

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QImage>

#include <optional>

// How the date is stamped on a still: made on the main thread from the settings,
// handed with the frame to whichever thread makes the still.
struct StampStyle {
    QFont font;
    QColor color;
};

// Draws the text into the picture's lower-left corner, its line box 10 px from
// the left and bottom edges, one point of the font to one pixel of the picture.
void drawStamp(QImage& image, const QString& text, const QFont& font, const QColor& color);

// Turns frames into JPEG stills, stamped with a date when asked. Keeps its encoder
// and stamp canvas between stills; one per thread, not shareable between threads.
class StillMaker {
public:
    // None when the frame cannot be read or the encoding fails.
    std::optional<QByteArray> makeStill(const GstSampleRef& frame, JpegQuality quality, const std::optional<StampStyle>& stamp,
                                        const QDateTime& date);

private:
    JpegEncoder m_encoder;
    QImage m_stampCanvas; // the stamped copy of a frame: never draw on the frame itself
};
