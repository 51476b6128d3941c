// The lock keys' lights: a lit lock key drawn in the lock colour over the picture and the rings.
// The sampling reads the colour there like any other, so the key's LED shows it too.

#include "engine/kelvaraactions.h"
#include "led/standardkeyplaces.h"

#include <QPainter>

#include <array>

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

} // namespace

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
