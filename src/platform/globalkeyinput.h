#pragma once

#include "platform/evdevkeysource.h"
#include "platform/keystatetracker.h"
#include "platform/xinputkeysource.h"

#include <QObject>

namespace kelvara {

class EventMonitors;

// The system-wide key sources behind the global monitors: the kernel's input devices when any is
// readable, X11 raw events otherwise. Owned by the application delegate.
class GlobalKeyInput : public QObject
{
    Q_OBJECT

public:
    explicit GlobalKeyInput(EventMonitors& monitors, QObject* parent = nullptr);

    // Starts the sources and makes the monitors' input-access check ask this object.
    void start(const QString& deviceDirectory = QStringLiteral("/dev/input"));
    bool isWorking() const;

    EvdevKeySource& evdev() { return m_evdev; }

private:
    EventMonitors& m_monitors;
    KeyStateTracker m_keys;
    EvdevKeySource m_evdev;
    XInputKeySource m_x11;
};

} // namespace kelvara
