#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QRgb>
#include <QString>

// Reading what a screenshot shows, without reading text: colours of areas and of the output log's lines.
namespace ScreenPicture {

// The share (0..1) of the pixels inside rect that have exactly this colour.
double share(const QImage &image, const QRect &rect, QRgb colour);

// The output log as seen on screen: the white text area at the bottom of the window and, top to bottom, one letter
// per text line for the colour its glyphs are drawn in: K black, B blue, G green, R red, ? none of these.
struct LogLines
{
    QRect area;         // in the window picture's coordinates
    QString colours;    // e.g. "KKKBKGG"
    QList<int> heights; // pixel height of each line's ink, for diagnostics
    QString problem;    // why the area could not be found
};
LogLines readLog(const QImage &window);

// A short description for failure messages.
QString describe(const LogLines &log);

} // namespace ScreenPicture
