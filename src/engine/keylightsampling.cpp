// The sampling pass of the engine: what the canvas shows under each key goes to that key's LED.

#include "engine/kelvaraactions.h"
#include "input/keylayouttable.h"
#include "led/ledbackend.h"
#include "led/logiled.h"

#include <QImage>
#include <QTransform>

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

// The colour of a sample pixel (premultiplied ARGB), as QColor's components give it in percent.
// An opaque pixel, what a picture with rings over it always is, needs no unpremultiplying: its
// levels are looked up in a table made once through QColor itself.
Percents percentsOf(QRgb pixel)
{
    static const std::array<int, 256> ofLevel = [] {
        std::array<int, 256> table{};
        for (int level = 0; level < 256; ++level) {
            table[std::size_t(level)] = percent(QColor(level, level, level).redF());
        }
        return table;
    }();
    if (qAlpha(pixel) == 255) {
        return {ofLevel[std::size_t(qRed(pixel))], ofLevel[std::size_t(qGreen(pixel))],
                ofLevel[std::size_t(qBlue(pixel))]};
    }
    // As an image of that format answers for the pixel: widened, then unpremultiplied.
    const QColor colour = QColor::fromRgba64(QRgba64::fromArgb32(pixel).unpremultiplied());
    return {percent(colour.redF()), percent(colour.greenF()), percent(colour.blueF())};
}

} // namespace

bool KelvaraActions::samplesStillHold(const SamplingBasis& basis,
                                      std::span<const QPointF> places) const
{
    return m_sampledFor.pixels == basis.pixels && m_sampledFor.ratio == basis.ratio &&
           m_sampledFor.scaleHoriz == basis.scaleHoriz &&
           m_sampledFor.scaleVert == basis.scaleVert &&
           m_sampledFor.drawnGeneration == basis.drawnGeneration &&
           m_sampledFor.rowsGeneration == basis.rowsGeneration &&
           std::equal(places.begin(), places.end(), m_sampledFor.places.begin(),
                      m_sampledFor.places.end());
}

void KelvaraActions::placeSamples(SamplingBasis basis, const std::vector<KeyLayoutRow>& rows,
                                  std::span<const QPointF> places)
{
    const QRect image(QPoint(0, 0), basis.pixels);
    const qreal ratio = basis.ratio;
    // A point of a drawn keyboard's canvas to the image pixel under it.
    const auto pixelOf = [ratio](QPointF points) {
        return QPoint(static_cast<int>(points.x() * ratio), static_cast<int>(points.y() * ratio));
    };
    const auto inside = [&image](QPoint at) {
        return QPoint(std::clamp(at.x(), 0, image.right()), std::clamp(at.y(), 0, image.bottom()));
    };
    // The pixel under each key; rows whose point falls outside the image are skipped.
    std::vector<std::pair<std::size_t, QPoint>> rowPixels;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].keyCode == mediaKeyBase) {
            continue;
        }
        // Image rows count from the top, as layout y does: no flip here.
        const QPoint at = m_drawn ? pixelOf(m_drawn->ofRow(rows[i]))
                                  : QPoint(static_cast<int>(double(rows[i].x) * basis.scaleHoriz),
                                           static_cast<int>(double(rows[i].y) * basis.scaleVert));
        if (image.contains(at)) {
            rowPixels.emplace_back(i, at);
        }
    }
    // The LEDs no row reaches are read at their own places, kept inside the image.
    std::vector<QPoint> placePixels;
    for (const QPointF& place : places) {
        placePixels.push_back(inside(m_drawn
                                         ? pixelOf(m_drawn->ofLayoutPoint(place))
                                         : QPoint(static_cast<int>(place.x() * basis.scaleHoriz),
                                                  static_cast<int>(place.y() * basis.scaleVert))));
    }
    // Each key of a drawn keyboard is read at its own point, for the LEDs it holds.
    std::vector<QPoint> keyPixels;
    if (m_drawn) {
        for (const QPointF& point : m_drawn->keyPoints()) {
            keyPixels.push_back(inside(pixelOf(point)));
        }
    }

    // Several rows may read one pixel; the rings must go onto it once.
    const auto inRows = [](QPoint a, QPoint b) {
        return std::pair(a.y(), a.x()) < std::pair(b.y(), b.x());
    };
    m_samplePixels.clear();
    for (const auto& [row, at] : rowPixels) {
        m_samplePixels.push_back(at);
    }
    m_samplePixels.insert(m_samplePixels.end(), placePixels.begin(), placePixels.end());
    m_samplePixels.insert(m_samplePixels.end(), keyPixels.begin(), keyPixels.end());
    std::sort(m_samplePixels.begin(), m_samplePixels.end(), inRows);
    m_samplePixels.erase(std::unique(m_samplePixels.begin(), m_samplePixels.end()),
                         m_samplePixels.end());
    const auto indexOf = [this, &inRows](QPoint at) {
        return std::uint32_t(
            std::lower_bound(m_samplePixels.begin(), m_samplePixels.end(), at, inRows) -
            m_samplePixels.begin());
    };
    m_samples.clear();
    for (const auto& [row, at] : rowPixels) {
        m_samples.emplace_back(row, indexOf(at));
    }
    m_placeSamples.clear();
    for (const QPoint& at : placePixels) {
        m_placeSamples.push_back(indexOf(at));
    }
    m_keySamples.clear();
    for (const QPoint& at : keyPixels) {
        m_keySamples.push_back(indexOf(at));
    }
    basis.places.assign(places.begin(), places.end());
    m_sampledFor = std::move(basis);
    m_samplePicture.reset(); // read the picture at the new pixels
    m_lockLightsFor.reset();
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
    const QSize points = drawCanvas->pointSize();
    const QSize pixels = (QSizeF(points) * ratio).toSize();
    if (pixels.isEmpty()) {
        return;
    }

    const KeyLayoutTable& table = keyLayoutTable();
    const std::vector<KeyLayoutRow>& rows = table.rows();
    const std::span<const QPointF> places = ledBackend().extraPlaces();
    SamplingBasis basis{pixels,
                        ratio,
                        backingRenderScaleHoriz,
                        backingRenderScaleVert,
                        {},
                        m_drawnGeneration,
                        table.generation()};
    if (!samplesStillHold(basis, places)) {
        placeSamples(std::move(basis), rows, places);
    }

    // The picture under each sample pixel, read again only when the picture changes: the pixel
    // as a whole drawing copies it there (opaque where the picture is), or clear outside it.
    const QImage& picture = drawCanvas->sampledPicture(ratio);
    if (m_samplePicture != picture.cacheKey()) {
        m_samplePicture = picture.cacheKey();
        const bool opaque = picture.format() == QImage::Format_RGB32;
        const bool readable = opaque || picture.format() == QImage::Format_ARGB32_Premultiplied;
        m_sampleBackground.clear();
        for (const QPoint& at : m_samplePixels) {
            QRgb pixel = 0;
            if (picture.valid(at)) {
                pixel = readable
                            ? reinterpret_cast<const QRgb*>(picture.constScanLine(at.y()))[at.x()]
                            : qPremultiply(picture.pixel(at));
                pixel = opaque ? (pixel | 0xFF000000u) : pixel;
            }
            m_sampleBackground.push_back(pixel);
        }
    }
    m_sampleColours = m_sampleBackground;
    // The rings, then the lock lights over them, in canvas points: origin bottom-left, y up.
    const QTransform toPixels =
        QTransform(1, 0, 0, -1, 0, points.height()) * QTransform::fromScale(ratio, ratio);
    noteRingsLive(theCircles.blendRingsAt(toPixels, m_sampleColours, m_samplePixels));
    blendLockLights();

    for (const auto& [index, sample] : m_samples) {
        const KeyLayoutRow& row = rows[index];
        const Percents colour = percentsOf(m_sampleColours[sample]);
        if (row.keyCode == keyNameMarker) {
            LogiLedSetLightingForKeyWithKeyName(static_cast<unsigned int>(row.hidCode), colour.red,
                                                colour.green, colour.blue);
        } else {
            LogiLedSetLightingForKeyWithHidCode(static_cast<int>(row.hidCode), colour.red,
                                                colour.green, colour.blue);
        }
    }
    for (std::size_t place = 0; place < m_placeSamples.size(); ++place) {
        const Percents colour = percentsOf(m_sampleColours[m_placeSamples[place]]);
        ledBackend().setPlaceColour(place, colour.red, colour.green, colour.blue);
    }
    for (std::size_t key = 0; key < m_keySamples.size(); ++key) {
        const Percents colour = percentsOf(m_sampleColours[m_keySamples[key]]);
        ledBackend().setDrawnKeyColour(key, colour.red, colour.green, colour.blue);
    }
    endLedPass();
}

} // namespace kelvara
