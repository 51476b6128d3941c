#include "support/painting.h"

#include "rings/animatedcirclegroup.h"

#include <QPainter>

namespace kelvara::testing {

QImage paintRings(const AnimatedCircleGroup& group, int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.translate(0, size);
    painter.scale(1, -1);
    group.drawRings(painter);
    return image;
}

QImage solidPicture(const QColor& colour, qreal ratio)
{
    QImage image(int(274 * ratio), int(100 * ratio), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(colour);
    return image;
}

} // namespace kelvara::testing
