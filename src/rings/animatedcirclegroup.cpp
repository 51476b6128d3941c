#include "rings/animatedcirclegroup.h"

#include "rings/ringsettingstable.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace kelvara {

void AnimatedCircleGroup::addWave(double x, double y)
{
    for (int i = 0; i < RingSettingsTable::ringCount; ++i) {
        if (ringSettings().active.at(static_cast<std::size_t>(i))) {
            AnimatedCircle circle(i, x, y);
            theCirclesStore.emplace(circle.uniqueID, circle);
        }
    }
}

void AnimatedCircleGroup::advanceFrame()
{
    if (theCirclesStore.empty()) {
        return;
    }
    for (auto it = theCirclesStore.begin(); it != theCirclesStore.end();) {
        if (it->second.isFinished()) {
            it = theCirclesStore.erase(it);
        } else {
            it->second.step();
            ++it;
        }
    }
    if (theCirclesStore.empty()) {
        rememberAnimationJustEnded = true;
    }
}

bool AnimatedCircleGroup::drawRings(QPainter& painter) const
{
    if (theCirclesStore.empty()) {
        return false;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    for (const auto& [id, circle] : theCirclesStore) {
        if (!circle.isVisible()) {
            continue;
        }
        const double diameter = std::abs(2.0 * circle.radius);
        const QRectF oval(circle.center.x() - circle.radius, circle.center.y() - circle.radius,
                          diameter, diameter);
        // Never wider than the ring itself.
        const double width = circle.thickness <= diameter ? circle.thickness : diameter;

        QColor stroke = circle.color;
        const double alpha = circle.opacity / 100.0;
        // Rounding can leave the last frame a hair outside 0..1; out-of-range opacity saturates.
        stroke.setAlphaF(static_cast<float>(std::isnan(alpha) ? 0.0 : std::clamp(alpha, 0.0, 1.0)));

        if (!(width > 0.0)) {
            // The thinnest line there is.
            painter.setPen(QPen(stroke, 0.0));
            painter.drawEllipse(oval);
            continue;
        }
        // A circle's outline stroked width wide is the ring between radius - width / 2 and
        // radius + width / 2; filling that ring costs far less than stroking the outline.
        const QPointF centre = oval.center();
        const double half = diameter / 2.0;
        QPainterPath ring;
        ring.setFillRule(Qt::OddEvenFill);
        ring.addEllipse(centre, half + width / 2.0, half + width / 2.0);
        ring.addEllipse(centre, half - width / 2.0, half - width / 2.0);
        painter.fillPath(ring, stroke);
    }
    painter.restore();
    return true;
}

} // namespace kelvara
