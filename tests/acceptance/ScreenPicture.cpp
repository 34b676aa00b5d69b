#include "ScreenPicture.h"

#include <QStringList>

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace {

const QRgb white = qRgb(255, 255, 255);

// Anti-aliased glyphs blend their colour with the white page; only well-covered pixels are counted, and those lie
// close to the pure colour.
struct Ink
{
    char letter;
    QRgb colour;
};
const Ink inks[] = {
    {'K', qRgb(0, 0, 0)},
    {'B', qRgb(0, 0, 255)},
    {'G', qRgb(0, 128, 0)},
    {'R', qRgb(255, 0, 0)},
};
const int nearEnough = 64;   // largest channel difference for a pixel to count as one ink
const int visibleInk = 150;  // a pixel whose darkest channel is below this is part of some glyph
const int fewestPixels = 8;  // fewer well-covered pixels than this and a line has no clear colour
const double majority = 0.75;

int channelDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

bool isInk(QRgb pixel)
{
    return std::min({qRed(pixel), qGreen(pixel), qBlue(pixel)}) < visibleInk;
}

char lineColour(const QImage &image, const QRect &band)
{
    int counts[std::size(inks)] = {};
    int total = 0;
    for (int y = band.top(); y <= band.bottom(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = band.left(); x <= band.right(); ++x) {
            for (size_t i = 0; i < std::size(inks); ++i) {
                if (channelDistance(row[x], inks[i].colour) <= nearEnough) {
                    ++counts[i];
                    ++total;
                    break;
                }
            }
        }
    }
    const size_t best = size_t(std::max_element(std::begin(counts), std::end(counts)) - std::begin(counts));
    if (counts[best] < fewestPixels || counts[best] < majority * total)
        return '?';
    return inks[best].letter;
}

} // namespace

double ScreenPicture::share(const QImage &image, const QRect &rect, QRgb colour)
{
    const QRect area = rect.intersected(image.rect());
    if (area.isEmpty())
        return 0;
    qint64 same = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x)
            same += (row[x] & 0xffffff) == (colour & 0xffffff);
    }
    return double(same) / (qint64(area.width()) * area.height());
}

ScreenPicture::LogLines ScreenPicture::readLog(const QImage &window)
{
    LogLines log;
    const auto pixel = [&window](int x, int y) { return window.pixel(x, y) | 0xff000000; };
    // The log's text area is the white box at the bottom of the window. Its right part stays empty for short
    // lines, so a column near the right edge shows its height; the row just below its top edge shows its width.
    const int probeX = window.width() - 40;
    if (probeX < 0 || window.height() < 100) {
        log.problem = QStringLiteral("window picture too small");
        return log;
    }
    int bottom = window.height() - 1;
    while (bottom > window.height() - 20 && pixel(probeX, bottom) != white)
        --bottom;
    int top = bottom;
    while (top > 0 && pixel(probeX, top - 1) == white)
        --top;
    if (pixel(probeX, bottom) != white || bottom - top < 40) {
        log.problem = QStringLiteral("no white text area at the bottom of the window (x=%1, rows %2..%3)")
                          .arg(probeX)
                          .arg(top)
                          .arg(bottom);
        return log;
    }
    const int probeY = top + 1;
    int left = probeX;
    while (left > 0 && pixel(left - 1, probeY) == white)
        --left;
    int right = probeX;
    while (right < window.width() - 1 && pixel(right + 1, probeY) == white)
        ++right;
    log.area = QRect(QPoint(left, top), QPoint(right, bottom));

    // Lines are runs of rows that hold ink, separated by white rows.
    int start = -1;
    for (int y = top; y <= bottom + 1; ++y) {
        bool inked = false;
        if (y <= bottom) {
            const auto *row = reinterpret_cast<const QRgb *>(window.constScanLine(y));
            for (int x = left; x <= right && !inked; ++x)
                inked = isInk(row[x]);
        }
        if (inked && start < 0)
            start = y;
        if (!inked && start >= 0) {
            const QRect band(QPoint(left, start), QPoint(right, y - 1));
            log.colours += QLatin1Char(lineColour(window, band));
            log.heights << band.height();
            start = -1;
        }
    }
    return log;
}

QString ScreenPicture::describe(const LogLines &log)
{
    if (!log.problem.isEmpty())
        return log.problem;
    QStringList heights;
    for (int h : log.heights)
        heights << QString::number(h);
    return QStringLiteral("log lines \"%1\" (ink heights %2) in area %3,%4 %5x%6")
        .arg(log.colours, heights.join(QLatin1Char(',')))
        .arg(log.area.x())
        .arg(log.area.y())
        .arg(log.area.width())
        .arg(log.area.height());
}
