#pragma once

#include <cstdint>

namespace kelvara {

// One key event as the key listener and the canvas read it. keyCode is the virtual key code of
// the key layout table (16 bits); modifierFlags is the modifier state after the event; data1 of a
// media key event is key type << 16 | state << 8 | repeat bit (state 0x0A down, 0x0B up).
struct Event
{
    enum class Type
    {
        KeyDown,
        FlagsChanged,
        SystemDefined
    };

    Type type = Type::KeyDown;
    std::uint16_t keyCode = 0;
    std::uint64_t modifierFlags = 0;
    bool isARepeat = false;
    std::int64_t data1 = 0;
};

// Event masks monitors are added for.
inline constexpr std::uint64_t keyDownMask = 1u << 10;
inline constexpr std::uint64_t flagsChangedMask = 1u << 12;
inline constexpr std::uint64_t systemDefinedMask = 1u << 14;

inline constexpr std::uint64_t maskOf(Event::Type type)
{
    switch (type) {
    case Event::Type::KeyDown:
        return keyDownMask;
    case Event::Type::FlagsChanged:
        return flagsChangedMask;
    case Event::Type::SystemDefined:
        return systemDefinedMask;
    }
    return 0;
}

} // namespace kelvara
