#include "rings/animatedcirclegroup.h"

#include "rings/ringrasterizer.h"
#include "rings/ringsettingstable.h"

#include <QPainter>
#include <QPixmap>

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
    while (theCirclesStore.size() > maxLiveRings) {
        // Identities grow with every ring made: the smallest is the oldest.
        theCirclesStore.erase(
            std::min_element(theCirclesStore.begin(), theCirclesStore.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; }));
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

namespace {

// Each visible ring as it is drawn, in the device pixels toPixels takes canvas points to: its
// centre, inner and outer radius and colour, handed to draw.
template <typename Draw>
void eachVisibleRing(const std::unordered_map<std::int64_t, AnimatedCircle>& store,
                     const QTransform& toPixels, Draw&& draw)
{
    const double scale = std::sqrt(std::abs(toPixels.determinant())); // pixels per point
    for (const auto& [id, circle] : store) {
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

        // A circle's outline stroked width wide is the ring between radius - width / 2 and
        // radius + width / 2; a width of 0 is the thinnest line there is, one pixel.
        const double half = diameter / 2.0 * scale;
        const double spread = width > 0.0 ? width / 2.0 * scale : 0.5;
        draw(toPixels.map(oval.center()), half - spread, half + spread, stroke);
    }
}

bool anyVisible(const std::unordered_map<std::int64_t, AnimatedCircle>& store)
{
    return std::any_of(store.begin(), store.end(),
                       [](const auto& entry) { return entry.second.isVisible(); });
}

} // namespace

bool AnimatedCircleGroup::drawRings(QPainter& painter) const
{
    if (theCirclesStore.empty()) {
        return false;
    }
    if (!anyVisible(theCirclesStore)) {
        return true;
    }
    // An image of the right kind (the sampling image) takes the rings in place; anything else,
    // the screen included, gets them through a layer of its pixels laid over the drawing.
    QPaintDevice* device = painter.device();
    const qreal ratio = device->devicePixelRatioF();
    QImage* direct = nullptr;
    QSizeF logical(device->width(), device->height());
    if (device->devType() == QInternal::Image) {
        auto* image = static_cast<QImage*>(device);
        logical = image->deviceIndependentSize();
        if ((image->format() == QImage::Format_ARGB32_Premultiplied ||
             image->format() == QImage::Format_RGB32) &&
            !painter.hasClipping() &&
            painter.compositionMode() == QPainter::CompositionMode_SourceOver) {
            direct = image;
        }
    } else if (device->devType() == QInternal::Pixmap) {
        logical = static_cast<const QPixmap*>(device)->deviceIndependentSize();
    }
    QImage layer;
    if (!direct) {
        layer = QImage((logical * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
    }
    QImage& target = direct ? *direct : layer;
    eachVisibleRing(theCirclesStore, painter.worldTransform() * QTransform::fromScale(ratio, ratio),
                    [&target](QPointF centre, double inner, double outer, const QColor& colour) {
                        blendRing(target, centre, inner, outer, colour);
                    });
    if (!direct) {
        layer.setDevicePixelRatio(ratio);
        painter.save();
        painter.resetTransform();
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(QPointF(0, 0), layer);
        painter.restore();
    }
    return true;
}

bool AnimatedCircleGroup::blendRingsAt(const QTransform& toPixels, std::span<QRgb> pixels,
                                       std::span<const QPoint> at) const
{
    if (theCirclesStore.empty()) {
        return false;
    }
    eachVisibleRing(theCirclesStore, toPixels,
                    [pixels, at](QPointF centre, double inner, double outer, const QColor& colour) {
                        blendRing(pixels, at, centre, inner, outer, colour);
                    });
    return true;
}

} // namespace kelvara
