#pragma once

#include "rings/animatedcircle.h"

#include <QPoint>
#include <QRgb>
#include <QTransform>

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
    // Returns false when the store is empty, true otherwise.
    bool drawRings(QPainter& painter) const;

    // The same rings over some pixels of an image kept apart from it (see blendRing): pixels[i]
    // is the device pixel at[i], toPixels takes canvas points there. Each gets exactly what a
    // whole drawing gives it. Returns what drawRings does.
    bool blendRingsAt(const QTransform& toPixels, std::span<QRgb> pixels,
                      std::span<const QPoint> at) const;

    bool isEmpty() const { return theCirclesStore.empty(); }

    // The live rings, keyed by their identity.
    std::unordered_map<std::int64_t, AnimatedCircle> theCirclesStore;
    bool rememberAnimationJustEnded = false;
};

} // namespace kelvara
