#pragma once

#include "rings/animatedcircle.h"

#include <QPoint>

#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_map>

class QPainter;

namespace kelvara {

// Every live ring of every wave: the only place where rings are created, moved on and drawn. The
// engine owns one group for the life of the process, advances it once per tick and draws it
// whenever the canvas is painted, on screen or into the sampling image.
class AnimatedCircleGroup
{
public:
    // Live rings at most: whatever lives and delays the settings hold, typing cannot grow memory
    // without end. Past it the oldest rings go first.
    static constexpr std::size_t maxLiveRings = 2000;

    // One ring per active entry of the ring settings table, centred on (x, y) in canvas points.
    void addWave(double x, double y);

    // Moves every ring on by one frame and drops the ended ones; raises
    // rememberAnimationJustEnded when that empties the store.
    void advanceFrame();

    // Strokes the visible rings with the painter, in its current (y-up canvas) coordinates.
    // Given device pixels, only those are drawn, each exactly as a full drawing would draw it.
    // Returns false when the store is empty, true otherwise.
    bool drawRings(QPainter& painter, std::span<const QPoint> onlyPixels = {}) const;

    bool isEmpty() const { return theCirclesStore.empty(); }

    // The live rings, keyed by their identity.
    std::unordered_map<std::int64_t, AnimatedCircle> theCirclesStore;
    bool rememberAnimationJustEnded = false;
};

} // namespace kelvara
