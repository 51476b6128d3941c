#include "rings/animatedcircle.h"

#include "rings/ringsettingstable.h"

#include <cstddef>

namespace kelvara {

namespace {

// Never reset: no two rings of a run share an identity.
std::int64_t lastCircleID = 0;

} // namespace

AnimatedCircle::AnimatedCircle(int ringIndex, double x, double y)
{
    const RingSettingsTable& table = ringSettings();
    const auto i = static_cast<std::size_t>(ringIndex);
    // A life of 0 makes the steps non-finite; the frame rule never applies them in that case.
    radius = table.sizeStart.at(i);
    radiusStep = (table.sizeEnd.at(i) - table.sizeStart.at(i)) / table.life.at(i);
    center = QPointF(x, y);
    opacity = table.vizStart.at(i);
    opacityStep = (table.vizEnd.at(i) - table.vizStart.at(i)) / table.life.at(i);
    thickness = table.thickness.at(i);
    color = table.color.at(i);
    endLife = table.life.at(i);
    currentLife = 0;
    birthDelay = table.delay.at(i);
    lastCircleID += 1;
    uniqueID = lastCircleID;
}

void AnimatedCircle::step()
{
    if (currentLife > birthDelay) {
        radius += radiusStep;
        opacity += opacityStep;
    }
    currentLife += 1.0;
}

} // namespace kelvara
