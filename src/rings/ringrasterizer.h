#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QPointF>

#include <span>

namespace kelvara {

// Adds one antialiased ring, the area between two radii around a centre (all in the image's
// pixels), over a premultiplied ARGB32 image, or an RGB32 one (opaque pixels stay opaque). Qt's own
// path filler hands the span fills of large antialiased shapes to a thread pool, and on an image
// this small the hand-offs cost more than the fill; this fills in place, working out coverage only
// for the pixels on the ring's two edges.
//
// With a list of pixels, only those are touched, each getting exactly the value the whole fill
// would give it; the sampling pass needs no more than the pixel under each key. A pixel listed
// twice is blended twice.
void blendRing(QImage& layer, QPointF centre, double inner, double outer, const QColor& colour,
               std::span<const QPoint> onlyPixels = {});

} // namespace kelvara
