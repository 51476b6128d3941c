// The OpenRGB backend's frames: the colours of a sampling pass, one UPDATELEDS per keyboard at
// its end, and what the server says of the keyboards' colours, to tell another writer.

#include "led/openrgbbackend.h"

#include <algorithm>

namespace kelvara {

using namespace openrgb;

bool OpenRgbBackend::setHidKey(int hidCode, int red, int green, int blue)
{
    return m_frames.lightCode(hidCode, red, green, blue);
}

bool OpenRgbBackend::setNamedKey(unsigned int keyName, int red, int green, int blue)
{
    return m_frames.lightCode(keyName, red, green, blue);
}

void OpenRgbBackend::setPlaceColour(std::size_t place, int red, int green, int blue)
{
    m_frames.lightPlace(place, red, green, blue);
}

void OpenRgbBackend::setDrawnKeyColour(std::size_t key, int red, int green, int blue)
{
    m_frames.lightKey(key, red, green, blue);
}

void OpenRgbBackend::followDrawnKeyboard()
{
    const std::optional<ShownKeyboard>& shown = keyboardChoice().shown();
    m_frames.setDrawnKeys(shown ? keyboardChoice().shownIndex() : std::nullopt,
                          shown ? std::span(shown->drawing.keys) : std::span<const DrawnKey>());
}

void OpenRgbBackend::endPass()
{
    if (!m_wanted && !m_shutDown) {
        // Frames come whether or not the service was there at launch: one that starts later is
        // looked for in the background.
        m_wanted = true;
        connectNow();
    }
    m_link.pass();
    m_frames.finishPass();
    if (m_stage != Stage::Running) {
        return;
    }
    if (isPaused()) {
        return; // the colours are kept for the frame that goes at the resume
    }
    sendFrames();
    if (m_version >= 6 && !m_silence.isActive() && !m_frames.keyboards().empty()) {
        m_silence.start();
    }
}

void OpenRgbBackend::sendFrames()
{
    if (isPaused()) {
        return;
    }
    m_frames.encode(m_encoded);
    if (!m_link.sendFrames(m_encoded)) {
        return;
    }
    const auto now = OtherWriterWatch::Clock::now();
    for (const KeyboardFrames::Keyboard& keyboard : m_frames.keyboards()) {
        m_writers.sent(keyboard.id, keyboard.frame, now);
    }
}

void OpenRgbBackend::readBack()
{
    if (m_stage != Stage::Running) {
        return;
    }
    for (const KeyboardFrames::Keyboard& keyboard : m_frames.keyboards()) {
        m_link.send(encodePacket(keyboard.id, requestControllerData, encodeU32(m_version)));
    }
}

void OpenRgbBackend::otherColoursSeen(quint32 id, std::span<const quint32> colours)
{
    if (m_shutDown) {
        return; // what comes back now is the keyboards' own colours, handed back at the quit
    }
    const auto keyboard = std::find_if(m_frames.keyboards().begin(), m_frames.keyboards().end(),
                                       [id](const auto& k) { return k.id == id; });
    if (keyboard != m_frames.keyboards().end()) {
        // Frames cover the LEDs with a name; a server may hold colours past them.
        m_writers.seen(id, keyboard->data.name,
                       colours.first(std::min(colours.size(), keyboard->frame.size())));
    }
}

} // namespace kelvara
