#include "led/keyboardframes.h"

#include <algorithm>

namespace kelvara {

using namespace openrgb;

void KeyboardFrames::clear()
{
    m_before.clear();
    for (Keyboard& keyboard : m_keyboards) {
        m_before[{keyboard.id, keyboard.data.name}] = std::move(keyboard.frame);
    }
    m_keyboards.clear();
    m_codeLeds.clear();
    m_places.clear();
    m_placeIndex.clear();
    m_placeLeds.clear();
    m_sum[0] = m_sum[1] = m_sum[2] = 0;
    m_lit = 0;
}

void KeyboardFrames::add(quint32 id, const Controller& controller, LedPlacement placement)
{
    Keyboard keyboard{id, controller, std::move(placement), controller.colours, {}};
    keyboard.frame.resize(std::min(controller.colours.size(), controller.ledNames.size()));
    // Found again, it goes on from where it was: the server's colours may be another mode's.
    if (const auto before = m_before.find({id, controller.name});
        before != m_before.end() && before->second.size() == keyboard.frame.size()) {
        keyboard.frame = before->second;
    }
    const std::size_t index = m_keyboards.size();
    for (std::size_t led = 0; led < keyboard.placement.leds.size(); ++led) {
        const PlacedLed& placed = keyboard.placement.leds[led];
        if (placed.way == LedWay::TableKey) {
            m_codeLeds.emplace_back(placed.code, Led(index, led));
        } else if (placed.way != LedWay::Rule) {
            // LEDs at one point (a key's second LED, or the same key on two keyboards) share it.
            const auto [known, added] =
                m_placeIndex.try_emplace(std::pair(placed.at.x(), placed.at.y()), m_places.size());
            if (added) {
                m_places.push_back(placed.at);
                m_placeLeds.emplace_back();
            }
            m_placeLeds[known->second].emplace_back(index, led);
        }
    }
    std::ranges::stable_sort(m_codeLeds, {}, &std::pair<std::int64_t, Led>::first);
    m_keyboards.push_back(std::move(keyboard));
}

bool KeyboardFrames::lightCode(std::int64_t code, int red, int green, int blue)
{
    m_sum[0] += std::clamp(red, 0, 100);
    m_sum[1] += std::clamp(green, 0, 100);
    m_sum[2] += std::clamp(blue, 0, 100);
    ++m_lit;
    const quint32 colour = colourFromPercent(red, green, blue);
    bool lit = false;
    auto it = std::ranges::lower_bound(m_codeLeds, code, {}, &std::pair<std::int64_t, Led>::first);
    for (; it != m_codeLeds.end() && it->first == code; ++it) {
        const auto [keyboard, led] = it->second;
        std::vector<quint32>& frame = m_keyboards[keyboard].frame;
        if (led < frame.size()) {
            frame[led] = colour;
            lit = true;
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

void KeyboardFrames::lightLeds(std::size_t keyboard, const std::vector<std::size_t>& leds, int red,
                               int green, int blue)
{
    if (keyboard >= m_keyboards.size()) {
        return;
    }
    Keyboard& lit = m_keyboards[keyboard];
    const quint32 colour = colourFromPercent(red, green, blue);
    lit.litByKey.resize(lit.frame.size());
    for (const std::size_t led : leds) {
        if (led < lit.frame.size()) {
            lit.frame[led] = colour;
            lit.litByKey[led] = true;
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
        const std::size_t leds = std::min(keyboard.frame.size(), keyboard.placement.leds.size());
        for (std::size_t led = 0; led < leds; ++led) {
            const bool byKey = led < keyboard.litByKey.size() && keyboard.litByKey[led];
            if (keyboard.placement.leds[led].way == LedWay::Rule && !byKey) {
                keyboard.frame[led] = colour;
            }
        }
        keyboard.litByKey.clear();
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
