#pragma once

#include "led/openrgbprotocol.h"

#include <QString>

namespace kelvara {

// How big a keyboard is: the block of keys it has.
enum class KeyboardSize
{
    Full,        // with a number pad
    Tkl,         // function row and navigation block, no number pad
    SeventyFive, // function row and arrows, navigation keys in one column
    SixtyFive,   // arrows, no function row
    Sixty,       // the main block alone
    Laptop,      // a laptop keyboard that is none of the above
    Keypad,
    Other // nothing tells: its LEDs carry no key names
};

// The keys' arrangement around Enter, Left Shift and the space bar. Regional ISO layouts (QWERTZ,
// AZERTY, UK, Nordic) are ISO.
enum class KeyboardLayout
{
    Ansi,
    Iso,
    Jis,
    Abnt2,
    Unknown // no LED carries a key name
};

struct KeyboardKind
{
    KeyboardSize size = KeyboardSize::Other;
    KeyboardLayout layout = KeyboardLayout::Unknown;

    bool operator==(const KeyboardKind&) const = default;
};

// What a keyboard's LED names and matrix maps say of its size and layout. Only the LEDs a matrix
// map shows count where a zone has one: drivers that keep one list for several boards leave the
// keys a board lacks out of its map. A list that names the keys of two layouts alike is taken as
// ISO, what most such lists serve.
KeyboardKind keyboardKind(const openrgb::Controller& controller);

// The key an LED name gives, without "Key: " and without the " LED 2" of a key's second light;
// empty for a light that is no key.
QString keyNameOf(const QString& ledName);

// "full", "tkl", "75%", "65%", "60%", "laptop", "keypad", "other".
QString sizeName(KeyboardSize size);
// "ANSI", "ISO", "JIS", "ABNT2", "unknown".
QString layoutName(KeyboardLayout layout);

} // namespace kelvara
