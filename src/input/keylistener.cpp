#include "input/keylistener.h"

#include "engine/kelvaraactions.h"
#include "input/keylayoutrow.h"

namespace kelvara {

KeyListener::KeyListener(EventMonitors& monitors)
    : m_monitors(monitors)
{}

bool KeyListener::startListening(KelvaraActions* engine)
{
    monitor1 =
        m_monitors.addGlobalMonitor(keyDownMask, [this](const Event& e) { handleKeyDown(e); });
    monitor4 = m_monitors.addGlobalMonitor(flagsChangedMask,
                                           [this](const Event& e) { handleFlagsChanged(e); });
    monitor2 = m_monitors.addGlobalMonitor(systemDefinedMask,
                                           [this](const Event& e) { handleSystemDefined(e); });
    monitor3 = m_monitors.addLocalMonitor(keyDownMask, [this](const Event& e) {
        handleKeyDown(e);
        return e;
    });
    monitor5 = m_monitors.addLocalMonitor(flagsChangedMask, [this](const Event& e) {
        handleFlagsChanged(e);
        return e;
    });
    theApp = engine;
    return m_monitors.isInputAccessible();
}

void KeyListener::handleKeyDown(const Event& event)
{
    if (event.isARepeat || !theApp) {
        return;
    }
    theApp->startWaveForKey(event.keyCode);
}

void KeyListener::handleFlagsChanged(const Event& event)
{
    if (event.keyCode != capsLockKeyCode && (event.modifierFlags & modifierTestMask) == 0) {
        return;
    }
    if (!theApp) {
        return;
    }
    theApp->startWaveForKey(event.keyCode);
}

void KeyListener::handleSystemDefined(const Event& event)
{
    if ((event.data1 & keyStateMask) != keyDownState || (event.data1 & repeatBit) != 0 || !theApp) {
        return;
    }
    const std::int64_t keyType = (event.data1 & 0xFFFFFFFF) >> 16;
    theApp->startWaveForKey(mediaKeyBase + keyType);
}

void KeyListener::stopListening()
{
    for (const auto& monitor : {monitor1, monitor2, monitor3, monitor4, monitor5}) {
        if (monitor) {
            m_monitors.removeMonitor(*monitor);
        }
    }
}

} // namespace kelvara
