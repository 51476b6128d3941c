#pragma once

#include "led/openrgbprotocol.h"

#include <QPointF>
#include <QString>

#include <cstdint>
#include <utility>
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

// Where every LED of one keyboard, keypad or laptop takes its colour from. Worked out once when
// the controller list arrives; the LED layer uses it on every frame.
struct LedPlacement
{
    // LED index by the code of its key layout table row (HID usage or key-name code), in order of
    // code; several LEDs may share a code.
    std::vector<std::pair<std::int64_t, int>> byCode;
    // LED index and its place on the keyboard picture, in layout units.
    std::vector<std::pair<int, QPointF>> byPlace;
    std::vector<int> byRule;
    // One per LED.
    std::vector<LedWay> ways;
    // Keys whose LED name is a regional legend, placed by the matrix instead.
    int legendNames = 0;
};

// Whether a controller is one whose keys Kelvara lights: a keyboard, or a keypad or laptop whose
// LEDs carry key names or whose zones hold a matrix. Mice, strips and the rest are left alone.
bool isKeyboardLike(const openrgb::Controller& controller);

LedPlacement placeLeds(const openrgb::Controller& controller);

// LED names that OpenRGB gives keys begin so; the rest are lights (logo, underglow, indicators).
bool isKeyLedName(const QString& name);

// The log line for a device taken over: its name and how many LEDs light which way.
QString placementSummary(const QString& deviceName, const LedPlacement& placement);

} // namespace kelvara
