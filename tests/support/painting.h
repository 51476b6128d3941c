#pragma once

#include <QColor>
#include <QImage>

namespace kelvara {
class AnimatedCircleGroup;
}

namespace kelvara::testing {

// Strokes the group's rings into a transparent image of size x size pixels, painted the way the
// canvas paints them (y up).
QImage paintRings(const AnimatedCircleGroup& group, int size);

// A picture of one solid colour at the canvas's standard 274 x 100 points.
QImage solidPicture(const QColor& colour, qreal ratio = 1.0);

} // namespace kelvara::testing
