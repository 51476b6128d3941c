// The settings' integer parser against a plain reading of what it accepts: an optional sign, then
// only ASCII digits, within 64 bits.

#include "prefs/preferencestore.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto parsed = kelvara::parseInteger(QString::fromLatin1(text.data(), qsizetype(size)));

    std::string digits = text;
    const bool plus = !digits.empty() && digits[0] == '+';
    if (plus) {
        digits.erase(0, 1);
    }
    std::int64_t expected = 0;
    // from_chars takes a leading "-" but no "+"; after a "+" only digits may follow.
    bool ok =
        !digits.empty() && !(plus && digits[0] == '-') && !(digits[0] == '-' && digits.size() == 1);
    if (ok) {
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), expected);
        ok = error == std::errc() && end == digits.data() + digits.size();
    }
    if (parsed.has_value() != ok || (ok && *parsed != expected)) {
        std::abort();
    }
    kelvara::leadingIntValue(QString::fromLatin1(text.data(), qsizetype(size)));
    return 0;
}
