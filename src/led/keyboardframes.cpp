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
    m_codeStarts.clear();
    m_places.clear();
    m_placeIndex.clear();
    m_placeLeds.clear();
    setDrawnKeys(std::nullopt, {});
    m_sum[0] = m_sum[1] = m_sum[2] = 0;
    m_lit = 0;
}

void KeyboardFrames::add(quint32 id, const Controller& controller, LedPlacement placement)
{
    Keyboard keyboard{id, controller, std::move(placement), controller.colours, {}, {}};
    keyboard.frame.resize(std::min(controller.colours.size(), controller.ledNames.size()));
    // Found again, it goes on from where it was: the server's colours may be another mode's.
    if (const auto before = m_before.find({id, controller.name});
        before != m_before.end() && before->second.size() == keyboard.frame.size()) {
        keyboard.frame = before->second;
    }
    keyboard.litInPass.assign(keyboard.frame.size(), 0);
    const std::size_t index = m_keyboards.size();
    for (std::size_t led = 0; led < keyboard.placement.leds.size(); ++led) {
        const PlacedLed& placed = keyboard.placement.leds[led];
        if (placed.way == LedWay::Rule) {
            if (led < keyboard.frame.size()) {
                keyboard.ruleLeds.push_back(std::uint32_t(led));
            }
        } else if (placed.way == LedWay::TableKey) {
            m_codeLeds.emplace_back(placed.code, Led(index, led));
        } else {
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
    // Codes are HID usages and key names, all small; a larger one is searched for.
    constexpr std::int64_t mostIndexed = 4096;
    m_codeStarts.clear();
    for (std::size_t i = 0; i < m_codeLeds.size() && m_codeLeds[i].first < mostIndexed; ++i) {
        if (m_codeLeds[i].first >= 0) {
            m_codeStarts.resize(std::size_t(m_codeLeds[i].first) + 1, std::uint32_t(i));
        }
    }
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
    auto it =
        code >= 0 && std::uint64_t(code) < m_codeStarts.size()
            ? m_codeLeds.begin() + std::ptrdiff_t(m_codeStarts[std::size_t(code)])
            : std::ranges::lower_bound(m_codeLeds, code, {}, &std::pair<std::int64_t, Led>::first);
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

void KeyboardFrames::setDrawnKeys(std::optional<std::size_t> keyboard,
                                  std::span<const DrawnKey> keys)
{
    m_keyStarts.clear();
    m_keyLeds.clear();
    m_drawnKeyboard.reset();
    if (!keyboard || *keyboard >= m_keyboards.size()) {
        return;
    }
    m_drawnKeyboard = keyboard;
    const std::size_t count = m_keyboards[*keyboard].frame.size();
    m_keyStarts.push_back(0);
    for (const DrawnKey& key : keys) {
        for (const std::size_t led : key.leds) {
            if (led < count) {
                m_keyLeds.push_back(std::uint32_t(led));
            }
        }
        m_keyStarts.push_back(std::uint32_t(m_keyLeds.size()));
    }
}

void KeyboardFrames::lightKey(std::size_t key, int red, int green, int blue)
{
    if (!m_drawnKeyboard || key + 1 >= m_keyStarts.size()) {
        return;
    }
    Keyboard& lit = m_keyboards[*m_drawnKeyboard];
    const quint32 colour = colourFromPercent(red, green, blue);
    for (std::uint32_t i = m_keyStarts[key]; i < m_keyStarts[key + 1]; ++i) {
        lit.frame[m_keyLeds[i]] = colour;
        lit.litInPass[m_keyLeds[i]] = m_pass;
    }
}

void KeyboardFrames::finishPass()
{
    const auto mean = [this](int channel) {
        return m_lit > 0 ? int(m_sum[channel] / m_lit) : 0;
    };
    const quint32 colour = colourFromPercent(mean(0), mean(1), mean(2));
    for (Keyboard& keyboard : m_keyboards) {
        for (const std::uint32_t led : keyboard.ruleLeds) {
            if (keyboard.litInPass[led] != m_pass) {
                keyboard.frame[led] = colour;
            }
        }
    }
    m_sum[0] = m_sum[1] = m_sum[2] = 0;
    m_lit = 0;
    // After four thousand million passes (four years at thirty a second) the count starts again
    // clear of every mark.
    if (++m_pass == 0) {
        for (Keyboard& keyboard : m_keyboards) {
            std::ranges::fill(keyboard.litInPass, 0);
        }
        m_pass = 1;
    }
}

void KeyboardFrames::encode(QByteArray& frames) const
{
    frames.resize(0);
    for (const Keyboard& keyboard : m_keyboards) {
        appendUpdateLeds(frames, keyboard.id, keyboard.frame);
    }
}

} // namespace kelvara
