#include "platform/globalkeyinput.h"

#include "platform/eventmonitors.h"
#include "platform/systemlog.h"

namespace kelvara {

GlobalKeyInput::GlobalKeyInput(EventMonitors& monitors, QObject* parent)
    : QObject(parent)
    , m_monitors(monitors)
    , m_deviceKeys(m_keys,
                   [this](const Event& event) {
                       // A device that becomes readable after another source was chosen stays
                       // quiet: one source only, so that one press makes one wave.
                       if (!m_service.isServing() && !m_x11.isWorking()) {
                           m_monitors.dispatchGlobal(event);
                       }
                   })
    , m_serviceKeys(m_keys, [this](const Event& event) { m_monitors.dispatchGlobal(event); })
    , m_evdev(m_deviceKeys)
    , m_service(m_serviceKeys)
    , m_x11(m_keys, [this](const Event& event) { m_monitors.dispatchGlobal(event); })
{
    m_monitors.setInputAccessCheck([this] { return isWorking(); });
    connect(&m_service, &KeyServiceClient::servingChanged, this, [this](bool serving) {
        if (!serving && m_source == Source::KeyService) {
            systemLog(QStringLiteral("The key service went away."));
            startX11();
        }
    });
    connect(&m_x11, &XInputKeySource::connectionLost, this, [this] {
        if (m_source == Source::X11 || m_source == Source::XWayland) {
            setSource(Source::None, QStringLiteral("The X server's connection for key presses "
                                                   "ended: keys typed in other programs are "
                                                   "not seen."));
        }
    });
    // Any source's change may be the chosen one's: lockKeys() tells which state counts.
    m_deviceKeys.onLocksChanged([this] { emit lockKeysChanged(); });
    m_serviceKeys.onLocksChanged([this] { emit lockKeysChanged(); });
    connect(&m_x11, &XInputKeySource::locksChanged, this, &GlobalKeyInput::lockKeysChanged);
    connect(&m_service, &KeyServiceClient::deliveringChanged, this, [](bool delivering) {
        systemLog(delivering ? QStringLiteral("The key service passes on key presses.")
                             : QStringLiteral("The key service rests: the screen is locked or "
                                              "another session is active."));
    });
}

GlobalKeyInput::~GlobalKeyInput()
{
    // The sources close as they go: nobody is to hear of their locks by then.
    m_deviceKeys.onLocksChanged({});
    m_serviceKeys.onLocksChanged({});
    m_x11.disconnect(this);
}

bool GlobalKeyInput::isWaylandSession()
{
    return qgetenv("XDG_SESSION_TYPE") == "wayland" || !qgetenv("WAYLAND_DISPLAY").isEmpty();
}

void GlobalKeyInput::start(const QString& deviceDirectory, const QString& keyServicePath)
{
    m_wayland = isWaylandSession();
    m_evdev.start(deviceDirectory);
    if (m_evdev.isWorking()) {
        setSource(Source::Devices, QStringLiteral("Reading key presses from %1 input devices.")
                                       .arg(m_evdev.deviceCount()));
        return;
    }
    if (!keyServicePath.isEmpty() && m_service.start(keyServicePath)) {
        setSource(
            Source::KeyService,
            QStringLiteral("Reading key presses from the key service at %1.").arg(keyServicePath));
        return;
    }
    startX11();
}

void GlobalKeyInput::startX11()
{
    if (m_x11.isWorking() || m_x11.start()) {
        setSource(m_wayland ? Source::XWayland : Source::X11,
                  m_wayland
                      ? QStringLiteral("Reading key presses from XWayland. %1").arg(limitation())
                      : QStringLiteral("Reading key presses from the X server."));
        return;
    }
    setSource(Source::None,
              QStringLiteral("Cannot see key presses of other programs: no input device is "
                             "readable, no key service answers and no X server offers raw key "
                             "events."));
}

void GlobalKeyInput::setSource(Source source, const QString& logLine)
{
    systemLog(logLine);
    if (source != m_source) {
        m_source = source;
        emit sourceChanged(source);
        emit lockKeysChanged();
    }
    tellLocksUnknown();
}

std::optional<LockKeys> GlobalKeyInput::lockKeys() const
{
    switch (m_source) {
    case Source::Devices:
        return m_deviceKeys.locks();
    case Source::KeyService:
        return m_serviceKeys.locks();
    case Source::X11:
        return m_x11.locks();
    case Source::XWayland:
    case Source::None:
        break;
    }
    return std::nullopt;
}

void GlobalKeyInput::tellLocksUnknown()
{
    QString why;
    switch (m_source) {
    case Source::Devices:
        why = m_deviceKeys.locks() ? QString()
                                   : QStringLiteral("none of the input devices has lock lights");
        break;
    case Source::KeyService:
        why = m_service.version() < 2 ? QStringLiteral("the key service is of an older version "
                                                       "that does not tell them")
                                      : QString();
        break;
    case Source::X11:
        why = m_x11.locks() ? QString()
                            : QStringLiteral("the X server has no keyboard extension to tell them");
        break;
    case Source::XWayland:
        why = QStringLiteral("in a Wayland session XWayland does not see them for other "
                             "programs");
        break;
    case Source::None:
        break; // no keys at all is said already
    }
    if (!why.isEmpty() && !m_toldLocksUnknown) {
        m_toldLocksUnknown = true;
        systemLog(QStringLiteral("Lock lights are not shown: %1.").arg(why));
    }
}

void GlobalKeyInput::setReadAtFrames(bool atFrames)
{
    m_evdev.setReadAtFrames(atFrames);
    m_service.setReadAtFrames(atFrames);
    m_x11.setReadAtFrames(atFrames);
}

void GlobalKeyInput::readPending()
{
    m_evdev.readPending();
    m_service.readPending();
    m_x11.readPending();
}

bool GlobalKeyInput::isWorking() const
{
    return m_evdev.isWorking() || m_service.isServing() || (m_x11.isWorking() && !m_wayland);
}

QString GlobalKeyInput::limitation() const
{
    if (m_evdev.isWorking() || m_service.isServing() || !m_x11.isWorking() || !m_wayland) {
        return {};
    }
    return QStringLiteral(
        "This is a Wayland session: only keys typed into X11 programs are "
        "seen. Kelvara's key service, or joining the input group, lets Kelvara see "
        "every key.");
}

} // namespace kelvara
