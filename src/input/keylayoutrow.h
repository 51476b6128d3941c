#pragma once

#include <cstdint>

namespace kelvara {

// Marks a row whose light is addressed by the LED key-name code instead of a HID usage.
inline constexpr std::int64_t keyNameMarker = 999;
// Base of the media pseudo key codes (2766 + media key type); also the LED column of media rows.
inline constexpr std::int64_t mediaKeyBase = 2766;

// One key or light of the keyboard: how its LED is addressed, the virtual key code that names it
// in key events, and the centre of the key in layout units (963 x 352, origin top-left, y down).
struct KeyLayoutRow
{
    std::int64_t hidCode;
    std::int64_t keyCode;
    std::int64_t x;
    std::int64_t y;

    bool operator==(const KeyLayoutRow&) const = default;
};

} // namespace kelvara
