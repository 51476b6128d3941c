#include "canvas/keyboardpainter.h"

#include <QLinearGradient>

#include <algorithm>
#include <cmath>

namespace kelvara {

namespace {

// Between a key's outline and its cap, a gap.
constexpr double capGap = 0.07;    // u
constexpr double capRadius = 0.12; // u

QColor hsv(double h, double s, double v)
{
    return QColor::fromHsvF(float(std::fmod(h + 1.0, 1.0)), float(s), float(v));
}

// The outline moved inwards by the gap: each corner towards the outline's centre of its box by
// the gap along x and y, enough for the rectangles and L shapes keys have.
QPainterPath capShape(const QPolygonF& outline)
{
    const QRectF box = outline.boundingRect();
    QPolygonF inner;
    for (const QPointF& corner : outline) {
        const double dx = corner.x() <= box.center().x() ? capGap : -capGap;
        const double dy = corner.y() <= box.center().y() ? capGap : -capGap;
        inner.append(corner + QPointF(dx, dy));
    }
    QPainterPath path;
    if (outline.size() == 4) {
        path.addRoundedRect(inner.boundingRect(), capRadius, capRadius);
    } else {
        path.addPolygon(inner);
        path.closeSubpath();
    }
    return path;
}

} // namespace

const std::vector<KeyboardTheme>& keyboardThemes()
{
    static const std::vector<KeyboardTheme> themes{
        {QStringLiteral("Midnight"), QColor(14, 17, 30), QColor(40, 48, 80),
         [](double x, double) { return hsv(0.62 + 0.06 * x, 0.75, 0.42); }, QColor(70, 90, 160)},
        {QStringLiteral("Blackout"), QColor(22, 22, 24), QColor(52, 52, 56),
         [](double, double) { return QColor(0, 0, 0); }, QColor(60, 60, 64)},
        {QStringLiteral("Spectrum"), QColor(20, 20, 22), QColor(70, 70, 74),
         [](double x, double) { return hsv(0.83 * x, 1.0, 1.0); }, QColor(230, 230, 230)},
        {QStringLiteral("Ember"), QColor(26, 14, 10), QColor(80, 40, 20),
         [](double, double y) { return hsv(0.10 * (1.0 - y), 1.0, 0.95 - 0.35 * y); },
         QColor(120, 50, 20)},
        {QStringLiteral("Aurora"), QColor(10, 20, 22), QColor(30, 70, 70),
         [](double x, double y) { return hsv(0.35 + 0.45 * (0.7 * x + 0.3 * y), 0.85, 0.85); },
         QColor(60, 140, 130)},
        {QStringLiteral("Frost"), QColor(30, 36, 44), QColor(110, 130, 150),
         [](double x, double) { return hsv(0.52, 0.25 - 0.15 * x, 1.0); }, QColor(200, 220, 235)},
    };
    return themes;
}

const KeyboardTheme* keyboardTheme(const QString& name)
{
    const auto& themes = keyboardThemes();
    const auto found = std::find_if(themes.begin(), themes.end(),
                                    [&](const KeyboardTheme& t) { return t.name == name; });
    return found == themes.end() ? nullptr : &*found;
}

void paintBoardBody(QPainter& painter, const QRectF& body, double radius,
                    const KeyboardTheme& theme, double rimWidth)
{
    QPainterPath path;
    path.addRoundedRect(body, radius, radius);
    QLinearGradient shade(body.topLeft(), body.bottomLeft());
    shade.setColorAt(0, theme.body.lighter(130));
    shade.setColorAt(1, theme.body);
    painter.fillPath(path, shade);
    painter.setPen(QPen(theme.rim, rimWidth));
    painter.drawPath(path);
}

void paintKeyCap(QPainter& painter, const QPainterPath& shape, const QColor& fill,
                 const QColor& edge, double edgeWidth)
{
    painter.fillPath(shape, fill);
    painter.setPen(QPen(edge, edgeWidth));
    painter.drawPath(shape);
}

void paintKeyboard(QPainter& painter, const KeyboardDrawing& drawing, const KeyboardTheme& theme,
                   const QRectF& target)
{
    const QRectF bounds = boardBounds(drawing);
    const std::optional<QTransform> toTarget = drawingTransform(bounds, target);
    if (!toTarget) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // In key units from here on.
    painter.setTransform(*toTarget, true);
    paintBoardBody(painter, bounds, 0.6, theme, 0.08);
    for (const DrawnKey& key : drawing.keys) {
        const QPointF centre = key.outline.boundingRect().center();
        const QColor light = theme.light((centre.x() - bounds.left()) / bounds.width(),
                                         (centre.y() - bounds.top()) / bounds.height());
        paintKeyCap(painter, capShape(key.outline), light, theme.edge, 0.04);
    }
    painter.restore();
}

} // namespace kelvara
