#include "support/recordingledbackend.h"

#include <algorithm>
#include <utility>

namespace kelvara {

bool RecordingLedBackend::init()
{
    ++initCalls;
    if (onLifecycle) {
        onLifecycle("init");
    }
    serviceStatus().set({initResult ? LightingServiceState::Status::Connected
                                    : LightingServiceState::Status::Refused,
                         {},
                         {}});
    return initResult;
}

bool RecordingLedBackend::sdkVersion(int* majorNum, int* minorNum, int* buildNum)
{
    ++versionCalls;
    *majorNum = versionMajor;
    *minorNum = versionMinor;
    *buildNum = versionBuild;
    return true;
}

bool RecordingLedBackend::setHidKey(int hidCode, int red, int green, int blue)
{
    m_current.push_back({Kind::Hid, hidCode, red, green, blue});
    return true;
}

bool RecordingLedBackend::setNamedKey(unsigned int keyName, int red, int green, int blue)
{
    m_current.push_back({Kind::KeyName, keyName, red, green, blue});
    return true;
}

void RecordingLedBackend::endPass()
{
    m_passes.push_back(std::exchange(m_current, {}));
}

void RecordingLedBackend::shutdown()
{
    ++shutdownCalls;
    if (onLifecycle) {
        onLifecycle("shutdown");
    }
}

std::optional<RecordingLedBackend::KeyCall> RecordingLedBackend::lastSent(Kind kind,
                                                                          std::int64_t key) const
{
    for (auto pass = m_passes.rbegin(); pass != m_passes.rend(); ++pass) {
        const auto it = std::find_if(pass->rbegin(), pass->rend(), [&](const KeyCall& call) {
            return call.kind == kind && call.key == key;
        });
        if (it != pass->rend()) {
            return *it;
        }
    }
    return std::nullopt;
}

void RecordingLedBackend::setPlaceColour(std::size_t place, int red, int green, int blue)
{
    if (placeColours.size() <= place) {
        placeColours.resize(place + 1, {-1, -1, -1});
    }
    placeColours[place] = {red, green, blue};
}

} // namespace kelvara
