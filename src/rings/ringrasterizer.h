#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>

namespace kelvara {

// Adds one antialiased ring, the area between two radii around a centre (all in the image's
// pixels), over a premultiplied ARGB32 image. Qt's own path filler hands the span fills of large
// antialiased shapes to a thread pool, and on an image this small the hand-offs cost more than the
// fill; this fills in place, working out coverage only for the pixels on the ring's two edges.
void blendRing(QImage& layer, QPointF centre, double inner, double outer, const QColor& colour);

} // namespace kelvara
