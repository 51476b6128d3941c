#pragma once

#include "platform/evdevkeysource.h"
#include "platform/keystatetracker.h"
#include "platform/xinputkeysource.h"

#include <QObject>

namespace kelvara {

class EventMonitors;

// The system-wide key sources behind the global monitors: the kernel's input devices when any is
// readable, X11 raw events otherwise. In a Wayland session the X server is XWayland, which sees
// only the keys typed into X11 programs: its events are still used, but they do not count as
// access to the keys of other programs. Owned by the application delegate.
class GlobalKeyInput : public QObject
{
    Q_OBJECT

public:
    explicit GlobalKeyInput(EventMonitors& monitors, QObject* parent = nullptr);

    // Starts the sources and makes the monitors' input-access check ask this object.
    void start(const QString& deviceDirectory = QStringLiteral("/dev/input"));
    bool isWorking() const;

    // What the key sources cannot see, for the user: empty unless only XWayland is read.
    QString limitation() const;

    // While frames run, the sources are read once a frame instead of waking the event loop for
    // each key: a press is drawn at the next frame either way, and typing then costs no wake-up.
    void setReadAtFrames(bool atFrames);
    // Hands on every key event the sources hold, without waiting.
    void readPending();

    // XDG_SESSION_TYPE is "wayland" or WAYLAND_DISPLAY is set.
    static bool isWaylandSession();

    EvdevKeySource& evdev() { return m_evdev; }

private:
    EventMonitors& m_monitors;
    KeyStateTracker m_keys;
    EvdevKeySource m_evdev;
    XInputKeySource m_x11;
    bool m_wayland = false;
};

} // namespace kelvara
