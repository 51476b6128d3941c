#pragma once

#include "platform/event.h"
#include "platform/eventmonitors.h"

#include <cstdint>
#include <optional>

namespace kelvara {

class KelvaraActions;

// Turns key presses anywhere on the system into waves: five event monitors decide for each event
// whether it is a press that should start one and hand its key code to the engine. Knows nothing
// of positions or rings. Owned by the application delegate; main thread only.
class KeyListener
{
public:
    static constexpr std::uint64_t modifierTestMask = 0x1E0000; // Shift, Control, Option, Command
    static constexpr std::uint16_t capsLockKeyCode = 57;
    static constexpr std::int64_t keyStateMask = 0xFF00;
    static constexpr std::int64_t keyDownState = 0x0A00;
    static constexpr std::int64_t repeatBit = 0x1;

    explicit KeyListener(EventMonitors& monitors);

    // The monitors' handlers refer to the listener: they go with it.
    ~KeyListener() { stopListening(); }

    KeyListener(const KeyListener&) = delete;
    KeyListener& operator=(const KeyListener&) = delete;

    // Installs the monitors and answers whether key presses of other programs can be seen.
    bool startListening(KelvaraActions* engine);
    void handleSystemDefined(const Event& event);
    void handleKeyDown(const Event& event);
    void handleFlagsChanged(const Event& event);
    void stopListening();

    KelvaraActions* theApp = nullptr;
    std::optional<EventMonitors::Token> monitor1; // global key down
    std::optional<EventMonitors::Token> monitor2; // global media keys
    std::optional<EventMonitors::Token> monitor3; // local key down
    std::optional<EventMonitors::Token> monitor4; // global modifier change
    std::optional<EventMonitors::Token> monitor5; // local modifier change

private:
    EventMonitors& m_monitors;
};

} // namespace kelvara
