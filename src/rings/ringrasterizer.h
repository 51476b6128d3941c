#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRgb>

#include <span>

namespace kelvara {

// Adds one antialiased ring, the area between two radii around a centre (all in the image's
// pixels), over a premultiplied ARGB32 image, or an RGB32 one (opaque pixels stay opaque). Qt's own
// path filler hands the span fills of large antialiased shapes to a thread pool, and on an image
// this small the hand-offs cost more than the fill; this fills in place, working out coverage only
// for the pixels on the ring's two edges.
void blendRing(QImage& layer, QPointF centre, double inner, double outer, const QColor& colour);

// The same ring over some pixels of an image kept apart from it: pixels[i] (premultiplied ARGB)
// is the pixel at at[i], and gets exactly the value the whole fill would give it there. The
// sampling pass needs no more than the pixel under each key. Entries past the shorter of the two
// lists are left alone.
void blendRing(std::span<QRgb> pixels, std::span<const QPoint> at, QPointF centre, double inner,
               double outer, const QColor& colour);

} // namespace kelvara
