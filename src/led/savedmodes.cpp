#include "led/savedmodes.h"

namespace kelvara {

DeviceIdentity ListingIdentities::next(const openrgb::Controller& controller)
{
    DeviceIdentity who{controller.name, controller.serial, controller.location};
    who.twin = m_seen[who]++;
    return who;
}

void SavedModes::remember(const DeviceIdentity& who, const openrgb::Controller& controller)
{
    if (controller.activeMode < 0 ||
        std::size_t(controller.activeMode) >= controller.modes.size()) {
        return;
    }
    m_saved.try_emplace(who, Saved{controller.activeMode,
                                   controller.modes[std::size_t(controller.activeMode)],
                                   controller.colours});
}

const SavedModes::Saved* SavedModes::find(const DeviceIdentity& who) const
{
    const auto found = m_saved.find(who);
    return found == m_saved.end() ? nullptr : &found->second;
}

} // namespace kelvara
