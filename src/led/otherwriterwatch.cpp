#include "led/otherwriterwatch.h"

#include <QHashFunctions>

#include <algorithm>

namespace kelvara {

namespace {

// Reports this soon after the first frame may still show the colours from before it.
constexpr std::chrono::seconds settling{2};

std::size_t fingerprint(std::span<const quint32> colours)
{
    return qHashBits(colours.data(), colours.size_bytes(), colours.size());
}

} // namespace

void OtherWriterWatch::sent(quint32 id, std::span<const quint32> colours, Clock::time_point now)
{
    Keyboard& keyboard = m_keyboards[id];
    if (keyboard.count == 0) {
        keyboard.firstSent = now;
    }
    keyboard.recent[keyboard.count % recentFrames] = fingerprint(colours);
    ++keyboard.count;
}

bool OtherWriterWatch::seen(quint32 id, std::span<const quint32> colours, Clock::time_point now)
{
    const auto found = m_keyboards.find(id);
    if (found == m_keyboards.end() || found->second.count == 0 ||
        now - found->second.firstSent < settling) {
        return false; // nothing of ours to compare with yet
    }
    Keyboard& keyboard = found->second;
    const std::size_t print = fingerprint(colours);
    const auto known = keyboard.recent.begin() + std::min(keyboard.count, recentFrames);
    if (std::find(keyboard.recent.begin(), known, print) != known) {
        return false;
    }
    const bool begins = !keyboard.lastForeign;
    keyboard.lastForeign = now;
    return begins;
}

bool OtherWriterWatch::expire(Clock::time_point now)
{
    bool ended = false;
    for (auto& [id, keyboard] : m_keyboards) {
        if (keyboard.lastForeign && now - *keyboard.lastForeign >= quietTime) {
            keyboard.lastForeign.reset();
            ended = true;
        }
    }
    return ended;
}

std::vector<quint32> OtherWriterWatch::writing() const
{
    std::vector<quint32> ids;
    for (const auto& [id, keyboard] : m_keyboards) {
        if (keyboard.lastForeign) {
            ids.push_back(id);
        }
    }
    return ids;
}

std::optional<OtherWriterWatch::Clock::time_point> OtherWriterWatch::nextEnd() const
{
    std::optional<Clock::time_point> first;
    for (const auto& [id, keyboard] : m_keyboards) {
        if (keyboard.lastForeign && (!first || *keyboard.lastForeign + quietTime < *first)) {
            first = *keyboard.lastForeign + quietTime;
        }
    }
    return first;
}

} // namespace kelvara
