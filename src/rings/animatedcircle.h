#pragma once

#include <QColor>
#include <QPointF>

#include <cstdint>

namespace kelvara {

// One ring of a wave: a circle outline that grows from a start radius to an end radius and fades
// from a start opacity to an end opacity over its life, after an optional delay. Time is counted
// in frames (engine ticks), lengths in canvas points (y up), opacity in percent. The ring group
// owns every live ring; identity is the uniqueID alone.
class AnimatedCircle
{
public:
    // Copies ring ringIndex (0-4) of the process-wide ring settings table.
    AnimatedCircle(int ringIndex, double x, double y);

    // Visible once more frames than the delay have been counted.
    bool isVisible() const { return currentLife > birthDelay; }

    bool isFinished() const { return currentLife > endLife + birthDelay; }

    // One frame: grow if visible, then count the frame. The caller removes finished rings first.
    void step();

    bool operator==(const AnimatedCircle& other) const { return uniqueID == other.uniqueID; }

    double radius;      // canvas points
    double radiusStep;  // canvas points per growing frame
    QPointF center;     // canvas points, y up
    double opacity;     // percent
    double opacityStep; // percent per growing frame
    double thickness;   // canvas points
    QColor color;
    double endLife;     // frames
    double currentLife; // frames since birth
    double birthDelay;  // frames
    std::int64_t uniqueID;
};

} // namespace kelvara
