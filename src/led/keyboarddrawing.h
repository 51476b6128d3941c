#pragma once

#include "led/keyboardkind.h"
#include "led/openrgbprotocol.h"

#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QTransform>

#include <cstddef>
#include <optional>
#include <vector>

namespace kelvara {

// No keyboard has half as many keys; a server that describes more is not drawn key by key past
// them, nor is a file that holds more used, so that drawing stays bounded whatever comes in. A
// drawn key's corners lie within these many key units of the board's origin, across and down
// (a keypad whose keys have no standard place draws some seventy in a row; boards are under ten
// rows high), so that its picture stays bounded too.
inline constexpr std::size_t mostKeys = 1024;
inline constexpr double farthestAcross = 128.0; // u
inline constexpr double farthestDown = 32.0;    // u

// One key of a keyboard as it is drawn: the LEDs it holds (indices in the server's LED list) and
// its outline in key units (1 u = 19.05 mm), origin the top-left corner of the board's top-left
// key, y down.
struct DrawnKey
{
    std::vector<std::size_t> leds;
    QPolygonF outline;
};

// A keyboard drawn from what its server says of it: one record per key, and the LEDs that are no
// key or have no place on this board (underglow, logos, light bars, a key of the other layout
// family that the list carries).
struct KeyboardDrawing
{
    std::vector<DrawnKey> keys;
    std::vector<std::size_t> other;
};

// Where one LED's name places it, for the keys whose names are regional legends: its point on a
// full-size board in layout units of the reference picture, or none.
using LedPoints = std::vector<std::optional<QPointF>>;

// The keys at their standard places for the board's size and layout, each key's LEDs together
// (two-LED space bars, "Key: F1 LED 2"). A key named by a regional legend (legendLeds) takes the
// free place nearest its point; a navigation key a small board has no place of its name for takes
// a free navigation place; the rest go in a row above the board. A board whose LEDs carry no key
// names is drawn as its matrix maps, one key per cell.
KeyboardDrawing drawKeyboard(const openrgb::Controller& controller, KeyboardKind kind,
                             const std::vector<bool>& legendLeds = {},
                             const LedPoints& points = {});

// The rectangle the keys of a drawing cover, in key units, with a margin for the board's edge.
QRectF boardBounds(const KeyboardDrawing& drawing);

// Key units to a target rectangle: the board's bounds centred in it, scaled alike both ways to
// fit; none for an empty target.
std::optional<QTransform> drawingTransform(const QRectF& bounds, const QRectF& target);

// A point well inside a key, in key units: the middle of its box where the outline holds it (an
// L-shaped Enter does not hold its box's middle), else the inside point nearest it.
QPointF keyPoint(const DrawnKey& key);

} // namespace kelvara
