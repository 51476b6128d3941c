#pragma once

#include "input/lockkeys.h"
#include "platform/event.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <set>

class QSocketNotifier;

namespace kelvara {

class ArrivalWatch;
class KeyStateTracker;

// Key presses of every X11 client, as XInput 2.1 raw key events on the root window, read on a
// connection of its own. Raw events carry no auto-repeat but may repeat a press or a release;
// a press of a key already down is dropped. Owned by the global key input.
class XInputKeySource : public QObject
{
    Q_OBJECT

public:
    using Sink = std::function<void(const Event&)>;

    XInputKeySource(KeyStateTracker& keys, Sink sink, QObject* parent = nullptr);
    ~XInputKeySource() override;

    // Connects to the display named by DISPLAY; false when there is none or it lacks XInput 2.1.
    bool start();

    bool isWorking() const { return m_display != nullptr && !m_lost; }

    // Off, the connection wakes the event loop for every event; on, it is left to readPending.
    void setReadAtFrames(bool atFrames);
    // Handles the events the X server has sent so far, without waiting for more: when it has
    // sent any since the last read, as the connection's arrival watch tells, or at every call
    // where the kernel offers no such watch.
    void readPending();

    // The lock keys' indicators as the X keyboard extension keeps them; none without it.
    std::optional<LockKeys> locks() const { return m_locks; }

signals:
    // The X server's connection ended (the server went away): no key comes from it any more.
    void connectionLost();
    void locksChanged();

private:
    struct RawKey
    {
        int keyCode; // X key code
        bool press;
    };

    // One read of the connection, with the events already read before it and those it brought;
    // answers how many that was.
    int readEvents();
    // The key of an XCB event, when it is a raw key event of XInput.
    std::optional<RawKey> rawKey(const void* event) const;
    void handleKey(int keyCode, bool press);
    // Reads the indicators' places and state, and asks for their changes.
    void watchIndicators();
    // Whether the event was an indicator change, taken in if so.
    bool indicatorEvent(const void* event);
    LockKeys locksOf(unsigned indicators) const;

    KeyStateTracker& m_keys;
    Sink m_sink;
    void* m_display = nullptr; // Display*, kept out of this header
    int m_opcode = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::unique_ptr<ArrivalWatch> m_arrivals; // closed before the connection
    bool m_readAgain = false;                 // the last read may have left part of a burst behind
    std::set<int> m_down;                     // X key codes held
    bool m_readAtFrames = false;
    bool m_lost = false; // the connection failed; Xlib must not touch it again
    int m_xkbEvent = -1;
    // The indicator bit of Num Lock, Caps Lock and Scroll Lock, in lock bit order; 0 for none.
    unsigned m_indicatorBits[3] = {0, 0, 0};
    std::optional<LockKeys> m_locks;
};

} // namespace kelvara
