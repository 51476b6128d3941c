#include "led/savedmodes.h"

namespace kelvara {

using namespace openrgb;

void SavedModes::startListing()
{
    m_twins.clear();
    m_listed.clear();
}

void SavedModes::remember(quint32 id, const Controller& keyboard)
{
    Identity who{keyboard.name, keyboard.serial, keyboard.location};
    who.twin = m_twins[who]++;
    m_listed[id] = who;
    if (keyboard.activeMode >= 0 && std::size_t(keyboard.activeMode) < keyboard.modes.size()) {
        m_saved.try_emplace(who, Saved{keyboard.activeMode,
                                       keyboard.modes[std::size_t(keyboard.activeMode)],
                                       keyboard.colours});
    }
}

QByteArray SavedModes::restoring(quint32 id) const
{
    const auto who = m_listed.find(id);
    const auto saved = who == m_listed.end() ? m_saved.end() : m_saved.find(who->second);
    if (saved == m_saved.end()) {
        return {};
    }
    QByteArray packets = encodeUpdateMode(id, saved->second.index, saved->second.mode.block);
    if (saved->second.mode.colorMode == colorModePerLed) {
        packets += encodeUpdateLeds(id, saved->second.colours);
    }
    return packets;
}

} // namespace kelvara
