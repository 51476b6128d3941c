#pragma once

#include "led/keyboarddrawing.h"

#include <QImage>
#include <QSizeF>
#include <QString>

#include <optional>

namespace kelvara {

// What the canvas shows under the rings, at one size: the background picture scaled smoothly, or
// a drawn keyboard painted as shapes at that size's own pixels, in the picture's colours. Made
// again only when the size, the pixel ratio, the picture or the drawing changes.
class ScaledPicture
{
public:
    // The picture (or the drawing, when there is one) for a size in points at a pixel ratio.
    // drawingCount tells a new drawing from the one kept.
    const QImage& at(const QImage& picture, const std::optional<KeyboardDrawing>& drawing,
                     const QString& pictureName, int drawingCount, QSizeF points, qreal ratio);

private:
    QImage m_source;
    int m_drawingCount = -1;
    QString m_pictureName;
    QImage m_scaled;
};

// The colour around a picture shown in a view of other proportions: its top-left pixel's.
QColor edgeColour(const QImage& shown);

} // namespace kelvara
