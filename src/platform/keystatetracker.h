#pragma once

#include "platform/event.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <utility>

namespace kelvara {

// Turns Linux key transitions (press 1, repeat 2, release 0) from any number of sources into key
// events, keeping which modifier keys are held over all sources so that each event carries the
// modifier state after it, and whether Caps Lock is on. Owned by the input source that feeds it.
class KeyStateTracker
{
public:
    // The event a transition makes, if any. sourceId tells devices apart.
    std::optional<Event> feed(int sourceId, int evdevCode, int value);

    // Marks a modifier as held without making an event (state read when a device is opened).
    void seedHeld(int sourceId, int evdevCode);
    // Forgets what a source held (the device went away).
    void forgetSource(int sourceId);

    std::uint64_t modifierFlags() const;

private:
    std::set<std::pair<int, int>> m_held; // (source, evdev code) of held modifier keys
    bool m_capsLockOn = false;
};

} // namespace kelvara
