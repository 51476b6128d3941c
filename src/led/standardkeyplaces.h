#pragma once

#include <QPointF>
#include <QString>

#include <cstdint>
#include <optional>

namespace kelvara {

// Width of one key on the reference picture, in layout units: the distance from Q to W.
inline constexpr double keyPitch = 39.3;

// Where a key of the key layout table sits, in layout units: the first row with that LED code
// (HID usage or key-name code) among the table's initial rows.
std::optional<QPointF> tablePlaceOfCode(std::int64_t code);

// Where a key that the key layout table has no row for sits on a full-size board, in layout
// units: the ISO and JIS keys, media keys, Fn and the board's own function keys, known by the LED
// names lighting services give them, with or without the "Key: " prefix.
std::optional<QPointF> standardKeyPlace(const QString& ledName);

// Whether a table code is a key that prints a letter, digit or punctuation mark: the keys whose
// LED a driver may name by the legend of a regional layout rather than by the key's place.
bool isCharacterKey(std::int64_t code);

} // namespace kelvara
