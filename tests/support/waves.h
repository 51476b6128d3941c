#pragma once

#include "rings/animatedcirclegroup.h"

#include <algorithm>

namespace kelvara::testing {

// Whether a wave is centred on a key at layout (x, y), with render scales of 1 (y flipped
// against 100, as the engine does).
inline bool hasWaveAt(const AnimatedCircleGroup& group, double x, double y)
{
    return std::any_of(group.theCirclesStore.begin(), group.theCirclesStore.end(),
                       [&](const auto& ring) { return ring.second.center == QPointF(x, 100 - y); });
}

inline void removeWavesAt(AnimatedCircleGroup& group, double x, double y)
{
    std::erase_if(group.theCirclesStore,
                  [&](const auto& ring) { return ring.second.center == QPointF(x, 100 - y); });
}

} // namespace kelvara::testing
