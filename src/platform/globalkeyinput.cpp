#include "platform/globalkeyinput.h"

#include "platform/eventmonitors.h"
#include "platform/systemlog.h"

namespace kelvara {

GlobalKeyInput::GlobalKeyInput(EventMonitors& monitors, QObject* parent)
    : QObject(parent)
    , m_monitors(monitors)
    , m_evdev(m_keys,
              [this](const Event& event) {
                  // A device that becomes readable after the X server was chosen stays quiet:
                  // one source only, so that one press makes one wave.
                  if (!m_x11.isWorking()) {
                      m_monitors.dispatchGlobal(event);
                  }
              })
    , m_x11(m_keys, [this](const Event& event) { m_monitors.dispatchGlobal(event); })
{
    m_monitors.setInputAccessCheck([this] { return isWorking(); });
}

bool GlobalKeyInput::isWaylandSession()
{
    return qgetenv("XDG_SESSION_TYPE") == "wayland" || !qgetenv("WAYLAND_DISPLAY").isEmpty();
}

void GlobalKeyInput::start(const QString& deviceDirectory)
{
    m_wayland = isWaylandSession();
    m_evdev.start(deviceDirectory);
    if (m_evdev.isWorking()) {
        systemLog(QStringLiteral("Reading key presses from %1 input devices.")
                      .arg(m_evdev.deviceCount()));
        return;
    }
    if (m_x11.start()) {
        systemLog(m_wayland
                      ? QStringLiteral("Reading key presses from XWayland. %1").arg(limitation())
                      : QStringLiteral("Reading key presses from the X server."));
        return;
    }
    systemLog(QStringLiteral("Cannot see key presses of other programs: no input device is "
                             "readable and no X server offers raw key events."));
}

void GlobalKeyInput::setReadAtFrames(bool atFrames)
{
    m_evdev.setReadAtFrames(atFrames);
    m_x11.setReadAtFrames(atFrames);
}

void GlobalKeyInput::readPending()
{
    m_evdev.readPending();
    m_x11.readPending();
}

bool GlobalKeyInput::isWorking() const
{
    return m_evdev.isWorking() || (m_x11.isWorking() && !m_wayland);
}

QString GlobalKeyInput::limitation() const
{
    if (m_evdev.isWorking() || !m_x11.isWorking() || !m_wayland) {
        return {};
    }
    return QStringLiteral("This is a Wayland session: only keys typed into X11 programs are "
                          "seen. Joining the input group lets Kelvara see every key.");
}

} // namespace kelvara
