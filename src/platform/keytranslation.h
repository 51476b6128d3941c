#pragma once

#include <cstdint>
#include <optional>

class QKeyEvent;

namespace kelvara {

enum class KeyEventKind
{
    KeyDown,
    FlagsChanged,
    SystemDefined
};

// Modifier flag bits of key events, as the listener and the canvas read them.
inline constexpr std::uint64_t capsLockFlag = 1u << 16;
inline constexpr std::uint64_t shiftFlag = 1u << 17;
inline constexpr std::uint64_t controlFlag = 1u << 18;
inline constexpr std::uint64_t optionFlag = 1u << 19;
inline constexpr std::uint64_t commandFlag = 1u << 20;
inline constexpr std::uint64_t functionFlag = 1u << 23;

// What one Linux key is to the program.
struct KeyTranslation
{
    int evdevCode;
    std::int64_t keyCode; // virtual key code, or media pseudo code (2766 + media key type)
    KeyEventKind kind;
    std::uint64_t modifierFlag; // the flag a modifier key sets, 0 for other keys
    int mediaKeyType;           // -1 for keys that are not media keys
};

// Linux (evdev) key codes; X11 key codes and Qt's native scan codes are these plus 8.
std::optional<KeyTranslation> translateEvdevKey(int evdevCode);

// The physical key of a Qt key event: its native scan code where the platform gives one, else
// the key of a US layout that produces event->key().
std::optional<KeyTranslation> translateQtKeyEvent(const QKeyEvent& event);

} // namespace kelvara
