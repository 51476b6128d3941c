// The sampling pass of the engine: what the canvas shows under each key goes to that key's LED.

#include "canvas/artcanvasview.h"
#include "engine/kelvaraactions.h"
#include "input/keylayouttable.h"
#include "led/ledbackend.h"
#include "led/logiled.h"

#include <QImage>
#include <QPainter>

namespace kelvara {

namespace {

// Colour components 0-1 to percent, truncated toward zero.
int percent(float component)
{
    return static_cast<int>(double(component) * 100.0);
}

} // namespace

void KelvaraActions::updateKeyLights()
{
    if (!drawCanvas) {
        return;
    }
    const qreal ratio = drawCanvas->devicePixelRatioF();
    const QSize pixels = (QSizeF(drawCanvas->size()) * ratio).toSize();
    if (pixels.isEmpty()) {
        return;
    }
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        drawCanvas->drawContents(painter);
    }

    for (const KeyLayoutRow& row : keyLayoutTable()) {
        if (row.keyCode == mediaKeyBase) {
            continue;
        }
        // Image rows count from the top, as layout y does: no flip here.
        const auto px = static_cast<int>(double(row.x) * backingRenderScaleHoriz);
        const auto py = static_cast<int>(double(row.y) * backingRenderScaleVert);
        if (!image.valid(px, py)) {
            continue;
        }
        const QColor colour = image.pixelColor(px, py);
        const int red = percent(colour.redF());
        const int green = percent(colour.greenF());
        const int blue = percent(colour.blueF());
        if (row.keyCode == keyNameMarker) {
            LogiLedSetLightingForKeyWithKeyName(static_cast<unsigned int>(row.hidCode), red, green,
                                                blue);
        } else {
            LogiLedSetLightingForKeyWithHidCode(static_cast<int>(row.hidCode), red, green, blue);
        }
    }
    endLedPass();
}

} // namespace kelvara
