// Draws the keyboard pictures of resources/backgrounds, in the themes drawn keyboards share, and
// the caution picture. Every key, G key,
// the logo and the badge sit where the key layout table puts them, so with no ring live each light
// shows the picture's resting colour at its key.
//
//     kelvara_drawbackgrounds OUTPUT_DIRECTORY

#include "canvas/keyboardpainter.h"
#include "input/keylayoutdata.h"

#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>
#include <functional>

using kelvara::KeyLayoutRow;

namespace {

constexpr int pixelWidth = 548; // 274 x 100 points at a device pixel ratio of 2
constexpr int pixelHeight = 200;
constexpr double layoutW = 963.0;
constexpr double layoutH = 352.0;

// Key size in layout units, from the keyboard's usual key widths.
QSizeF keySize(int row)
{
    const double unit = 34.0;
    switch (row) {
    case 29:
        return {74, 32}; // Backspace
    case 37:
        return {56, 32}; // Tab
    case 50:
        return {56, 32}; // Backslash
    case 58:
        return {66, 32}; // Caps Lock
    case 70:
        return {84, 32}; // Return
    case 74:
        return {88, 32}; // Left Shift
    case 85:
        return {106, 32}; // Right Shift
    case 91:
    case 92:
    case 93:
    case 95:
    case 96:
    case 97:
    case 98:
        return {44, 32};
    case 94:
        return {218, 32}; // Space
    case 57:
    case 90:
        return {unit, 72}; // keypad + and Enter
    case 102:
        return {74, 32}; // keypad 0
    default:
        return {unit, 32};
    }
}

void drawKey(QPainter& p, const QRectF& r, const QColor& fill, const QColor& edge, double radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    kelvara::paintKeyCap(p, path, fill, edge, 1.6);
}

QImage drawKeyboard(const kelvara::KeyboardTheme& theme)
{
    QImage image(pixelWidth, pixelHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(theme.body.darker(160));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(pixelWidth / layoutW, pixelHeight / layoutH);

    kelvara::paintBoardBody(p, QRectF(6, 4, layoutW - 12, layoutH - 8), 26, theme, 3);

    auto at = [&](const KeyLayoutRow& row) {
        return theme.light(double(row.x) / layoutW, double(row.y) / layoutH);
    };
    for (std::size_t i = 0; i < kelvara::initialKeyLayoutRows.size(); ++i) {
        const KeyLayoutRow& row = kelvara::initialKeyLayoutRows[i];
        const QPointF c(double(row.x), double(row.y));
        const int index = static_cast<int>(i);
        if (index == 104) { // logo
            p.setPen(QPen(theme.edge, 2));
            p.setBrush(at(row));
            p.drawEllipse(c, 15, 15);
        } else if (index == 105) { // badge
            drawKey(p, QRectF(c.x() - 34, c.y() - 8, 68, 16), at(row), theme.edge, 7);
        } else if (index >= 115) { // media cluster: no light of its own
            p.setPen(QPen(theme.rim, 2));
            p.setBrush(theme.body.lighter(115));
            p.drawEllipse(c, 16, 16);
        } else {
            const QSizeF s = index >= 106 ? QSizeF(30, 28) : keySize(index);
            drawKey(p, QRectF(c.x() - s.width() / 2, c.y() - s.height() / 2, s.width(), s.height()),
                    at(row), theme.edge, 5);
        }
    }
    return image;
}

QImage drawCaution()
{
    QImage image(pixelWidth, pixelHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(28, 26, 24));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF top(pixelWidth / 2.0, 30);
    QPainterPath triangle;
    triangle.moveTo(top);
    triangle.lineTo(pixelWidth / 2.0 + 80, 170);
    triangle.lineTo(pixelWidth / 2.0 - 80, 170);
    triangle.closeSubpath();
    p.fillPath(triangle, QColor(240, 190, 30));
    p.setPen(QPen(QColor(40, 30, 10), 14, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(top.x(), 78), QPointF(top.x(), 128));
    p.drawPoint(QPointF(top.x(), 150));
    return image;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    for (const kelvara::KeyboardTheme& theme : kelvara::keyboardThemes()) {
        const QString path = out.filePath(theme.name + "@2x.png");
        if (!drawKeyboard(theme).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return drawCaution().save(out.filePath("../images/caution@2x.png"), "PNG") ? 0 : 1;
}
