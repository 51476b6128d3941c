#pragma once

#include "led/keyboarddrawing.h"
#include "led/keyboardkind.h"
#include "led/openrgbprotocol.h"

#include <QPointF>
#include <QString>

#include <cstdint>
#include <vector>

namespace kelvara {

// How one LED of a keyboard gets its colour.
enum class LedWay : unsigned char
{
    TableKey,     // through the key layout table's row for its key name
    Matrix,       // at its place in the device's matrix map, fitted to the picture
    StandardName, // at the place its standard key name has on a full-size board
    Rule          // the mean colour of this pass's table keys
};

// Where one LED takes its colour from.
struct PlacedLed
{
    LedWay way = LedWay::Rule;
    std::int64_t code = -1;  // TableKey: the code of its key layout table row
    QPointF at;              // Matrix and StandardName: its place on the picture, in layout units
    bool legendName = false; // its name is a regional legend, so the matrix placed it instead
};

// Where every LED of one keyboard, keypad or laptop takes its colour from, one record per LED in
// the device's order, and what kind of board it is with one record per key. Worked out once when
// the controller's data arrives; the frames use it on every pass.
struct LedPlacement
{
    std::vector<PlacedLed> leds;
    // What the board is, as its LED names and matrix maps tell, and its keys as it is drawn.
    KeyboardKind kind;
    KeyboardDrawing drawing;

    int count(LedWay way) const;
    int legendNames() const;
};

// Whether a controller is one whose keys Kelvara lights: a keyboard, or a keypad or laptop whose
// LEDs carry key names or whose zones hold a matrix. Mice, strips and the rest are left alone.
bool isKeyboardLike(const openrgb::Controller& controller);

LedPlacement placeLeds(const openrgb::Controller& controller);

// The table code each LED's name gives it, or -1: for each key the first of its names that the
// device uses, with every LED of that name (two-LED space bars, "Key: F1 LED 2").
std::vector<std::int64_t> tableCodesOfLeds(const std::vector<QString>& ledNames);

// LED names that OpenRGB gives keys begin so; the rest are lights (logo, underglow, indicators).
bool isKeyLedName(const QString& name);

// The log line for a device taken over: its name, its kind and how many LEDs light which way.
QString placementSummary(const QString& deviceName, const LedPlacement& placement);

} // namespace kelvara
