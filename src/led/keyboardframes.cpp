#include "led/keyboardframes.h"

#include <algorithm>

namespace kelvara {

using namespace openrgb;

void KeyboardFrames::clear()
{
    m_keyboards.clear();
    m_places.clear();
    m_placeIndex.clear();
    m_placeLeds.clear();
    m_sum[0] = m_sum[1] = m_sum[2] = 0;
    m_lit = 0;
}

const KeyboardFrames::Keyboard& KeyboardFrames::add(quint32 id, const Controller& controller)
{
    Keyboard keyboard{id, controller, placeLeds(controller), controller.colours};
    keyboard.frame.resize(std::min(controller.colours.size(), controller.ledNames.size()));
    const std::size_t index = m_keyboards.size();
    for (const auto& [led, at] : keyboard.placement.byPlace) {
        // LEDs at one point (a key's second LED, or the same key on two keyboards) share it.
        const auto [known, added] =
            m_placeIndex.try_emplace(std::pair(at.x(), at.y()), m_places.size());
        if (added) {
            m_places.push_back(at);
            m_placeLeds.emplace_back();
        }
        m_placeLeds[known->second].emplace_back(index, std::size_t(led));
    }
    m_keyboards.push_back(std::move(keyboard));
    return m_keyboards.back();
}

bool KeyboardFrames::lightCode(std::int64_t code, int red, int green, int blue)
{
    m_sum[0] += std::clamp(red, 0, 100);
    m_sum[1] += std::clamp(green, 0, 100);
    m_sum[2] += std::clamp(blue, 0, 100);
    ++m_lit;
    const quint32 colour = colourFromPercent(red, green, blue);
    bool lit = false;
    for (Keyboard& keyboard : m_keyboards) {
        const auto& byCode = keyboard.placement.byCode;
        auto it =
            std::lower_bound(byCode.begin(), byCode.end(), code,
                             [](const auto& entry, std::int64_t c) { return entry.first < c; });
        for (; it != byCode.end() && it->first == code; ++it) {
            if (std::size_t(it->second) < keyboard.frame.size()) {
                keyboard.frame[std::size_t(it->second)] = colour;
                lit = true;
            }
        }
    }
    return lit;
}

void KeyboardFrames::lightPlace(std::size_t place, int red, int green, int blue)
{
    if (place >= m_placeLeds.size()) {
        return;
    }
    const quint32 colour = colourFromPercent(red, green, blue);
    for (const auto& [keyboard, led] : m_placeLeds[place]) {
        std::vector<quint32>& frame = m_keyboards[keyboard].frame;
        if (led < frame.size()) {
            frame[led] = colour;
        }
    }
}

void KeyboardFrames::finishPass()
{
    const auto mean = [this](int channel) {
        return m_lit > 0 ? int(m_sum[channel] / m_lit) : 0;
    };
    const quint32 colour = colourFromPercent(mean(0), mean(1), mean(2));
    for (Keyboard& keyboard : m_keyboards) {
        for (const int led : keyboard.placement.byRule) {
            if (std::size_t(led) < keyboard.frame.size()) {
                keyboard.frame[std::size_t(led)] = colour;
            }
        }
    }
    m_sum[0] = m_sum[1] = m_sum[2] = 0;
    m_lit = 0;
}

QByteArray KeyboardFrames::encode() const
{
    QByteArray frames;
    for (const Keyboard& keyboard : m_keyboards) {
        frames += encodeUpdateLeds(keyboard.id, keyboard.frame);
    }
    return frames;
}

} // namespace kelvara
