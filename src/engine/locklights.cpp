// The lock keys' lights: a lit lock key drawn in the lock colour over the picture and the rings.
// The sampling reads the colour there like any other, so the key's LED shows it too.

#include "engine/kelvaraactions.h"
#include "led/standardkeyplaces.h"

#include <QImage>
#include <QPainter>

#include <array>
#include <cstdint>
#include <utility>

namespace kelvara {

namespace {

// How much of a key's pitch the light covers: less than the whole, so that no neighbour's sampled
// pixel is reached.
constexpr double litShare = 0.8;

struct LockKey
{
    LockKeys bit;
    int hid;
    double widthInKeys;
};

constexpr std::array<LockKey, 3> lockKeyShapes{{
    {numLock, numLockHid, 1.0},
    {capsLock, capsLockHid, 1.75},
    {scrollLock, scrollLockHid, 1.0},
}};

// A premultiplied pixel times a (0-255), as Qt's raster engine works it out.
QRgb byteMul(QRgb pixel, std::uint32_t a)
{
    std::uint32_t low = (pixel & 0x00FF00FFu) * a;
    low = ((low + ((low >> 8) & 0x00FF00FFu) + 0x00800080u) >> 8) & 0x00FF00FFu;
    std::uint32_t high = ((pixel >> 8) & 0x00FF00FFu) * a;
    high = (high + ((high >> 8) & 0x00FF00FFu) + 0x00800080u) & 0xFF00FF00u;
    return high | low;
}

} // namespace

void KelvaraActions::blendLockLights()
{
    const LockKeys on = m_locksOn.value_or(0);
    if (!m_lockLightsShown || on == 0 || m_samplePixels.empty()) {
        return;
    }
    // Drawn once for each state, as a whole drawing draws them, into an image of their own; read
    // there at the sample pixels. The samples are placed again whenever the keyboard, the size or
    // the scales change, and that forgets the state.
    const std::pair<LockKeys, QRgb> state(on, m_lockLightsColour.rgba());
    if (m_lockLightsFor != state) {
        m_lockLightsFor = state;
        QImage lights(m_sampledFor.pixels, QImage::Format_ARGB32_Premultiplied);
        lights.fill(Qt::transparent);
        lights.setDevicePixelRatio(m_sampledFor.ratio);
        {
            QPainter painter(&lights);
            painter.translate(0, drawCanvas->pointSize().height());
            painter.scale(1, -1);
            drawLockLights(painter);
        }
        m_lockLightsOver.clear();
        for (const QPoint& at : m_samplePixels) {
            m_lockLightsOver.push_back(lights.valid(at) ? reinterpret_cast<const QRgb*>(
                                                              lights.constScanLine(at.y()))[at.x()]
                                                        : 0);
        }
    }
    // Over what is there, as the raster engine lays a plain colour on.
    for (std::size_t i = 0; i < m_sampleColours.size() && i < m_lockLightsOver.size(); ++i) {
        const QRgb light = m_lockLightsOver[i];
        if (light != 0) {
            m_sampleColours[i] =
                light + byteMul(m_sampleColours[i], 255u - std::uint32_t(qAlpha(light)));
        }
    }
}

void KelvaraActions::setLockKeys(std::optional<LockKeys> on)
{
    if (on) {
        *on &= allLocks;
    }
    if (on == m_locksOn) {
        return;
    }
    const bool wasShown = m_locksOn.value_or(0) != 0;
    m_locksOn = on;
    if (m_lockLightsShown && (wasShown || m_locksOn.value_or(0) != 0)) {
        showChangeNow();
    }
}

void KelvaraActions::setLockLightsShown(bool shown, const QColor& colour)
{
    const QColor opaque = colour.isValid() ? colour.toRgb() : QColor(Qt::white);
    if (shown == m_lockLightsShown && opaque == m_lockLightsColour) {
        return;
    }
    m_lockLightsShown = shown;
    m_lockLightsColour = opaque;
    if (m_locksOn.value_or(0) != 0) {
        showChangeNow();
    }
}

void KelvaraActions::showChangeNow()
{
    if (!drawCanvas) {
        return; // the first pass draws it
    }
    if (drawCanvas->isOnScreen()) {
        drawCanvas->redraw();
    }
    updateKeyLights();
}

void KelvaraActions::drawLockLights(QPainter& painter) const
{
    const LockKeys on = m_locksOn.value_or(0);
    if (!m_lockLightsShown || on == 0) {
        return;
    }
    for (const LockKey& key : lockKeyShapes) {
        if ((on & key.bit) == 0) {
            continue;
        }
        if (m_drawn) {
            // The key as drawn; canvas points with y up, as the rings are drawn.
            if (const std::optional<QRectF> box = m_drawn->keyBox(key.hid, litShare)) {
                painter.fillRect(QRectF(box->left(), double(renderHeight) - box->bottom(),
                                        box->width(), box->height()),
                                 m_lockLightsColour);
            }
            continue;
        }
        const std::optional<QPointF> at = tablePlaceOfCode(key.hid);
        if (!at) {
            continue;
        }
        // Canvas points, origin bottom-left and y up, as the rings are drawn.
        const double width = key.widthInKeys * keyPitch * litShare * renderScaleHoriz;
        const double height = keyPitch * litShare * renderScaleVert;
        const double x = at->x() * renderScaleHoriz;
        const double y = double(renderHeight) - at->y() * renderScaleVert;
        painter.fillRect(QRectF(x - width / 2, y - height / 2, width, height), m_lockLightsColour);
    }
}

} // namespace kelvara
