#pragma once

#include "led/keyboardchoice.h"
#include "led/lightingpause.h"
#include "led/lightingservicestate.h"

#include <QPointF>

#include <cstddef>
#include <memory>
#include <span>

namespace kelvara {

// What lies behind the five LED calls. One backend is installed for the whole run; the per-key
// calls of one sampling pass are followed by endPass(), where a backend that batches sends them.
class LedBackend
{
public:
    virtual ~LedBackend() = default;

    virtual bool init() = 0;
    virtual bool sdkVersion(int* majorNum, int* minorNum, int* buildNum) = 0;
    virtual bool setHidKey(int hidCode, int red, int green, int blue) = 0;
    virtual bool setNamedKey(unsigned int keyName, int red, int green, int blue) = 0;
    virtual void endPass() = 0;
    virtual void shutdown() = 0;

    // Points of the keyboard picture, in layout units, whose colours the backend wants in every
    // pass besides the key layout table's keys: the LEDs that no row reaches. The list stays the
    // same from one change of the keyboards to the next.
    virtual std::span<const QPointF> extraPlaces() const { return {}; }

    // The colour under extraPlaces()[place] in this pass, percent per channel.
    virtual void setPlaceColour(std::size_t place, int red, int green, int blue)
    {
        static_cast<void>(place);
        static_cast<void>(red);
        static_cast<void>(green);
        static_cast<void>(blue);
    }

    // The colour under key keyboardChoice().shown()->drawing.keys[key] in this pass, percent per
    // channel, for the LEDs of that key: on the keyboard the window draws, each LED shows what
    // its own key shows.
    virtual void setDrawnKeyColour(std::size_t key, int red, int green, int blue)
    {
        static_cast<void>(key);
        static_cast<void>(red);
        static_cast<void>(green);
        static_cast<void>(blue);
    }

    // Which keyboard the window draws, with a signal for every change.
    KeyboardChoice& keyboardChoice() { return m_choice; }

    // The computer woke from sleep, and the keyboards with it.
    virtual void wake() {}

    // The lighting service as this backend finds it, with a signal for every change.
    LightingServiceStatus& serviceStatus() { return m_status; }

    // Hands the keyboards back (true) or takes them over again (false); the service's state
    // does not change with it.
    void setPaused(bool paused)
    {
        if (m_pause.set(paused)) {
            pausedChanged(paused);
        }
    }

    bool isPaused() const { return m_pause.isPaused(); }

    // The pause as it is, with a signal for every change.
    LightingPause& pause() { return m_pause; }

protected:
    // What a backend does when the pause changes: nothing, for one without keyboards.
    virtual void pausedChanged(bool paused) { static_cast<void>(paused); }

private:
    LightingServiceStatus m_status;
    LightingPause m_pause;
    KeyboardChoice m_choice;
};

// A backend with no keyboard behind it: it records nothing and cannot connect.
class NullLedBackend : public LedBackend
{
public:
    bool init() override { return false; }

    bool sdkVersion(int*, int*, int*) override { return false; }

    bool setHidKey(int, int, int, int) override { return false; }

    bool setNamedKey(unsigned int, int, int, int) override { return false; }

    void endPass() override {}

    void shutdown() override {}
};

// Installs the backend behind the LED calls (a NullLedBackend until something else is installed).
// Passing nullptr installs a NullLedBackend.
void installLedBackend(std::unique_ptr<LedBackend> backend);
LedBackend& ledBackend();

// Ends one sampling pass.
void endLedPass();

} // namespace kelvara
