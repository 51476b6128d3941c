// The sampling pass of the engine: what the canvas shows under each key goes to that key's LED.

#include "engine/kelvaraactions.h"
#include "input/keylayouttable.h"
#include "led/ledbackend.h"
#include "led/logiled.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <span>
#include <utility>

namespace kelvara {

namespace {

// Colour components 0-1 to percent, truncated toward zero.
int percent(float component)
{
    return static_cast<int>(double(component) * 100.0);
}

struct Percents
{
    int red;
    int green;
    int blue;
};

// The colour at a pixel of the sampling image, as QColor's components give it in percent. An
// opaque pixel, what a picture with rings over it always is, needs no unpremultiplying: its
// levels are looked up in a table made once through QColor itself.
Percents percentsAt(const QImage& image, QPoint at)
{
    static const std::array<int, 256> ofLevel = [] {
        std::array<int, 256> table{};
        for (int level = 0; level < 256; ++level) {
            table[std::size_t(level)] = percent(QColor(level, level, level).redF());
        }
        return table;
    }();
    const QRgb pixel = reinterpret_cast<const QRgb*>(image.constScanLine(at.y()))[at.x()];
    if (qAlpha(pixel) == 255) {
        return {ofLevel[std::size_t(qRed(pixel))], ofLevel[std::size_t(qGreen(pixel))],
                ofLevel[std::size_t(qBlue(pixel))]};
    }
    const QColor colour = image.pixelColor(at);
    return {percent(colour.redF()), percent(colour.greenF()), percent(colour.blueF())};
}

} // namespace

bool KelvaraActions::samplesStillHold(const std::vector<KeyLayoutRow>& rows,
                                      std::span<const QPointF> places) const
{
    return m_sampledFor.pixels == m_samplingImage.size() &&
           m_sampledFor.ratio == m_samplingImage.devicePixelRatio() &&
           m_sampledFor.scaleHoriz == backingRenderScaleHoriz &&
           m_sampledFor.scaleVert == backingRenderScaleVert &&
           m_sampledFor.drawnGeneration == m_drawnGeneration && m_sampledFor.rows == rows &&
           std::equal(places.begin(), places.end(), m_sampledFor.places.begin(),
                      m_sampledFor.places.end());
}

void KelvaraActions::placeSamples(const std::vector<KeyLayoutRow>& rows,
                                  std::span<const QPointF> places)
{
    const QImage& image = m_samplingImage;
    const qreal ratio = image.devicePixelRatio();
    // A point of a drawn keyboard's canvas to the image pixel under it.
    const auto pixelOf = [ratio](QPointF points) {
        return QPoint(static_cast<int>(points.x() * ratio), static_cast<int>(points.y() * ratio));
    };
    const auto inside = [&image](QPoint at) {
        return QPoint(std::clamp(at.x(), 0, image.width() - 1),
                      std::clamp(at.y(), 0, image.height() - 1));
    };
    // The pixel under each key; rows whose point falls outside the image are skipped.
    m_samples.clear();
    m_samplePixels.clear();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].keyCode == mediaKeyBase) {
            continue;
        }
        // Image rows count from the top, as layout y does: no flip here.
        const QPoint at =
            m_drawn ? pixelOf(m_drawn->ofRow(rows[i]))
                    : QPoint(static_cast<int>(double(rows[i].x) * backingRenderScaleHoriz),
                             static_cast<int>(double(rows[i].y) * backingRenderScaleVert));
        if (image.valid(at)) {
            m_samples.emplace_back(i, at);
            m_samplePixels.push_back(at);
        }
    }
    // The LEDs no row reaches are read at their own places, kept inside the image.
    m_placeSamples.clear();
    for (const QPointF& place : places) {
        const QPoint scaled = m_drawn
                                  ? pixelOf(m_drawn->ofLayoutPoint(place))
                                  : QPoint(static_cast<int>(place.x() * backingRenderScaleHoriz),
                                           static_cast<int>(place.y() * backingRenderScaleVert));
        const QPoint at = inside(scaled);
        m_placeSamples.push_back(at);
        m_samplePixels.push_back(at);
    }
    // Each key of a drawn keyboard is read at its own point, for the LEDs it holds.
    m_keySamples.clear();
    if (m_drawn) {
        for (const QPointF& point : m_drawn->keyPoints()) {
            const QPoint at = inside(pixelOf(point));
            m_keySamples.push_back(at);
            m_samplePixels.push_back(at);
        }
    }

    // Several rows may read one pixel; the rings must go onto it once.
    std::sort(m_samplePixels.begin(), m_samplePixels.end(),
              [](QPoint a, QPoint b) { return std::pair(a.y(), a.x()) < std::pair(b.y(), b.x()); });
    m_samplePixels.erase(std::unique(m_samplePixels.begin(), m_samplePixels.end()),
                         m_samplePixels.end());

    m_sampledFor = {image.size(),
                    image.devicePixelRatio(),
                    backingRenderScaleHoriz,
                    backingRenderScaleVert,
                    rows,
                    {places.begin(), places.end()},
                    m_drawnGeneration};
}

void KelvaraActions::updateKeyLights()
{
    if (!drawCanvas) {
        return;
    }
    // Asking the widget for its pixel ratio looks its screen up, which a hidden window does the
    // slow way: it is asked again twice a second, enough to follow the window to another screen.
    if (!m_ratioAge.isValid() || m_ratioAge.hasExpired(ratioRefresh)) {
        m_canvasRatio = drawCanvas->pixelRatio();
        m_ratioAge.start();
    }
    if (m_canvasRatio != m_scalesRatio) {
        followScreen(m_canvasRatio); // the window went to a screen of another ratio
    }
    const qreal ratio = m_canvasRatio;
    const QSize pixels = (QSizeF(drawCanvas->pointSize()) * ratio).toSize();
    if (pixels.isEmpty()) {
        return;
    }
    if (m_samplingImage.size() != pixels || m_samplingImage.devicePixelRatio() != ratio) {
        m_samplingPainter.reset();
        m_samplingImage = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_samplingImage.setDevicePixelRatio(ratio);
        // One painter for the image's life: beginning one on every pass cost more than the pass.
        m_samplingPainter = std::make_unique<QPainter>(&m_samplingImage);
    }
    QImage& image = m_samplingImage;

    const std::vector<KeyLayoutRow>& rows = keyLayoutTable().rows();
    const std::span<const QPointF> places = ledBackend().extraPlaces();
    if (!samplesStillHold(rows, places)) {
        placeSamples(rows, places);
    }

    // Only the sampled pixels are read, so only they need the rings.
    drawCanvas->drawContents(*m_samplingPainter, m_samplePixels);

    for (const auto& [index, at] : m_samples) {
        const KeyLayoutRow& row = rows[index];
        const Percents colour = percentsAt(image, at);
        if (row.keyCode == keyNameMarker) {
            LogiLedSetLightingForKeyWithKeyName(static_cast<unsigned int>(row.hidCode), colour.red,
                                                colour.green, colour.blue);
        } else {
            LogiLedSetLightingForKeyWithHidCode(static_cast<int>(row.hidCode), colour.red,
                                                colour.green, colour.blue);
        }
    }
    for (std::size_t place = 0; place < m_placeSamples.size(); ++place) {
        const Percents colour = percentsAt(image, m_placeSamples[place]);
        ledBackend().setPlaceColour(place, colour.red, colour.green, colour.blue);
    }
    for (std::size_t key = 0; key < m_keySamples.size(); ++key) {
        const Percents colour = percentsAt(image, m_keySamples[key]);
        ledBackend().setDrawnKeyColour(key, colour.red, colour.green, colour.blue);
    }
    endLedPass();
}

} // namespace kelvara
