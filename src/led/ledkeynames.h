#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace kelvara {

// The LED names a lighting service gives the keys of the key layout table, most usual first, with
// the aliases some keyboards use instead. HID usages of the keyboard page, or the key-name codes
// of the G keys (0xFFF1-0xFFF9), the logo (0xFFFF1) and the badge (0xFFFF2).
const std::vector<QString>& ledNamesForHidCode(std::int64_t hidCode);
const std::vector<QString>& ledNamesForKeyName(std::int64_t keyName);

// Every code above that has names, HID usages first, each in rising order.
const std::vector<std::int64_t>& namedLedCodes();

// The names of a HID usage (below 256) or of a key-name code.
const std::vector<QString>& ledNamesForCode(std::int64_t code);

} // namespace kelvara
