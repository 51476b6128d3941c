#pragma once

#include "led/keyboarddrawing.h"
#include "led/ledplacement.h"
#include "led/openrgbprotocol.h"

#include <QByteArray>
#include <QPointF>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace kelvara {

// The colour buffers of the keyboards the LED layer has taken over, lit as their placements say.
// A sampling pass lights table keys by code and the other placed LEDs by place;
// when it ends, the LEDs that follow the rule take the mean colour of the pass's table keys, so
// that no LED keeps a colour from before. Owned by the OpenRGB backend; main thread only.
class KeyboardFrames
{
public:
    struct Keyboard
    {
        quint32 id;
        openrgb::Controller data;
        LedPlacement placement;
        std::vector<quint32> frame; // 0x00BBGGRR per LED
        // The LEDs that follow the rule, and for each LED the last pass its drawn key lit it in:
        // one the rule leaves as it is.
        std::vector<std::uint32_t> ruleLeds;
        std::vector<std::uint32_t> litInPass;
    };

    // Forgets the keyboards; their frames are kept for a listing that finds them again.
    void clear();
    // Keeps a buffer for the controller, starting from the frame it had before the last clear
    // (the same id, name and LED count), else from the colours it shows.
    void add(quint32 id, const openrgb::Controller& controller, LedPlacement placement);

    const std::vector<Keyboard>& keyboards() const { return m_keyboards; }

    // Points of the keyboard picture (layout units) whose colours the placed LEDs need, each once.
    std::span<const QPointF> places() const { return m_places; }

    // False when no LED has that code.
    bool lightCode(std::int64_t code, int red, int green, int blue);
    void lightPlace(std::size_t place, int red, int green, int blue);
    // The keyboard the window draws and its keys, whose LEDs lightKey then lights; LEDs past the
    // keyboard's count are left out, and none is drawn without a keyboard of that index.
    void setDrawnKeys(std::optional<std::size_t> keyboard, std::span<const DrawnKey> keys);
    void lightKey(std::size_t key, int red, int green, int blue);
    // Gives the rule's LEDs their colour and starts the next pass's mean afresh.
    void finishPass();
    // One UPDATELEDS per keyboard, in place of what frames held; kept from frame to frame, its
    // room is not asked for again.
    void encode(QByteArray& frames) const;

private:
    // A keyboard and one of its LEDs.
    using Led = std::pair<std::size_t, std::size_t>;

    std::vector<Keyboard> m_keyboards;
    // The table key LEDs of every keyboard, in order of code.
    std::vector<std::pair<std::int64_t, Led>> m_codeLeds;
    // For each code below its size, where that code's LEDs start in m_codeLeds: one read where a
    // search took several, for every key of every frame.
    std::vector<std::uint32_t> m_codeStarts;
    std::vector<QPointF> m_places;
    std::map<std::pair<double, double>, std::size_t> m_placeIndex; // into m_places
    // For each place, the LEDs it lights.
    std::vector<std::vector<Led>> m_placeLeds;
    // The drawn keys' LEDs one after another, key k's from m_keyStarts[k] to m_keyStarts[k + 1]:
    // read on every pass, so kept in one piece of memory.
    std::optional<std::size_t> m_drawnKeyboard;
    std::vector<std::uint32_t> m_keyStarts;
    std::vector<std::uint32_t> m_keyLeds;
    std::uint32_t m_pass = 1;
    // Sums of this pass's table key colours, percent.
    long long m_sum[3] = {0, 0, 0};
    long long m_lit = 0;
    // The frames of the keyboards before the last clear, by id and name.
    std::map<std::pair<quint32, QString>, std::vector<quint32>> m_before;
};

} // namespace kelvara
