#include "platform/keystatetracker.h"

#include "platform/keytranslation.h"

#include <iterator>

namespace kelvara {

namespace {

constexpr int released = 0;
constexpr int pressed = 1;
constexpr int repeated = 2;
constexpr std::int64_t stateDown = 0x0A;
constexpr std::int64_t stateUp = 0x0B;

} // namespace

std::uint64_t KeyStateTracker::modifierFlags() const
{
    std::uint64_t flags = m_capsLockOn ? capsLockFlag : 0;
    for (const auto& [source, code] : m_held) {
        if (const auto key = translateEvdevKey(code)) {
            if (key->modifierFlag != capsLockFlag) {
                flags |= key->modifierFlag;
            }
        }
    }
    return flags;
}

void KeyStateTracker::seedHeld(int sourceId, int evdevCode)
{
    const auto key = translateEvdevKey(evdevCode);
    if (key && key->kind == KeyEventKind::FlagsChanged && key->modifierFlag != capsLockFlag) {
        m_held.emplace(sourceId, evdevCode);
    }
}

void KeyStateTracker::forgetSource(int sourceId)
{
    for (auto it = m_held.begin(); it != m_held.end();) {
        it = it->first == sourceId ? m_held.erase(it) : std::next(it);
    }
}

std::optional<Event> KeyStateTracker::feed(int sourceId, int evdevCode, int value)
{
    const std::optional<KeyTranslation> key = translateEvdevKey(evdevCode);
    if (!key || value < released || value > repeated) {
        return std::nullopt;
    }
    Event event;
    event.keyCode = static_cast<std::uint16_t>(key->keyCode);
    switch (key->kind) {
    case KeyEventKind::KeyDown:
        if (value == released) {
            return std::nullopt;
        }
        event.type = Event::Type::KeyDown;
        event.isARepeat = value == repeated;
        event.modifierFlags = modifierFlags();
        return event;
    case KeyEventKind::FlagsChanged:
        if (value == repeated) {
            return std::nullopt;
        }
        if (key->modifierFlag == capsLockFlag) {
            // One event per press, whichever way the lock turns.
            if (value != pressed) {
                return std::nullopt;
            }
            m_capsLockOn = !m_capsLockOn;
        } else if (value == pressed) {
            m_held.emplace(sourceId, evdevCode);
        } else {
            m_held.erase({sourceId, evdevCode});
        }
        event.type = Event::Type::FlagsChanged;
        event.modifierFlags = modifierFlags();
        return event;
    case KeyEventKind::SystemDefined:
        event.type = Event::Type::SystemDefined;
        event.keyCode = 0;
        event.modifierFlags = modifierFlags();
        event.data1 = std::int64_t(key->mediaKeyType) << 16 |
                      (value == released ? stateUp : stateDown) << 8 | (value == repeated ? 1 : 0);
        return event;
    }
    return std::nullopt;
}

} // namespace kelvara
