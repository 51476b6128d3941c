#pragma once

#include "platform/evdevkeysource.h"
#include "platform/keyserviceclient.h"
#include "platform/keyserviceprotocol.h"
#include "platform/keystatetracker.h"
#include "platform/xinputkeysource.h"

#include <QObject>

namespace kelvara {

class EventMonitors;

// The system-wide key sources behind the global monitors, in this order: the kernel's input
// devices when any is readable, then the key service when it answers, then X11 raw events. In a
// Wayland session the X server is XWayland, which sees only the keys typed into X11 programs: its
// events are still used, but they do not count as access to the keys of other programs. Owned by
// the application delegate.
class GlobalKeyInput : public QObject
{
    Q_OBJECT

public:
    enum class Source
    {
        None,
        Devices,
        KeyService,
        X11,
        XWayland
    };

    explicit GlobalKeyInput(EventMonitors& monitors, QObject* parent = nullptr);
    ~GlobalKeyInput() override;

    // Starts the sources and makes the monitors' input-access check ask this object.
    void start(const QString& deviceDirectory = QStringLiteral("/dev/input"),
               const QString& keyServicePath = QString::fromLatin1(keyservice::defaultSocketPath));
    bool isWorking() const;

    Source source() const { return m_source; }

    // What the key sources cannot see, for the user: empty unless only XWayland is read.
    QString limitation() const;

    // The lock keys that are on, as the source of the keys tells: the devices' lock lights, the
    // key service's, the X server's indicators. None where it cannot tell: XWayland sees the
    // locks only of X11 programs' keys.
    std::optional<LockKeys> lockKeys() const;

    // While frames run, the sources are read once a frame instead of waking the event loop for
    // each key: a press is drawn at the next frame either way, and typing then costs no wake-up.
    void setReadAtFrames(bool atFrames);
    // Hands on every key event the sources hold, without waiting.
    void readPending();

    // XDG_SESSION_TYPE is "wayland" or WAYLAND_DISPLAY is set.
    static bool isWaylandSession();

    EvdevKeySource& evdev() { return m_evdev; }

    KeyServiceClient& keyService() { return m_service; }

signals:
    void sourceChanged(GlobalKeyInput::Source source);
    // lockKeys() may have changed.
    void lockKeysChanged();

private:
    // The X server's raw events, when nothing before it gives keys.
    void startX11();
    void setSource(Source source, const QString& logLine);
    // Why no lock light shows, once, when the source cannot tell the locks.
    void tellLocksUnknown();

    EventMonitors& m_monitors;
    KeyStateTracker m_keys;
    TrackedKeys m_deviceKeys;
    TrackedKeys m_serviceKeys;
    EvdevKeySource m_evdev;
    KeyServiceClient m_service;
    XInputKeySource m_x11;
    bool m_wayland = false;
    Source m_source = Source::None;
    bool m_toldLocksUnknown = false;
};

} // namespace kelvara
