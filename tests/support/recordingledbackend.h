#pragma once

#include "led/ledbackend.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kelvara {

// An in-memory backend for tests: it keeps every call it receives, grouped in
// sampling passes. Whether init succeeds and which version it reports are set by the owner.
class RecordingLedBackend : public LedBackend
{
public:
    enum class Kind
    {
        Hid,
        KeyName
    };

    struct KeyCall
    {
        Kind kind;
        std::int64_t key;
        int red;
        int green;
        int blue;
        bool operator==(const KeyCall&) const = default;
    };

    bool init() override;
    bool sdkVersion(int* majorNum, int* minorNum, int* buildNum) override;
    bool setHidKey(int hidCode, int red, int green, int blue) override;
    bool setNamedKey(unsigned int keyName, int red, int green, int blue) override;
    void endPass() override;
    void shutdown() override;

    std::span<const QPointF> extraPlaces() const override { return places; }

    void setPlaceColour(std::size_t place, int red, int green, int blue) override;

    // The calls of the passes that ended, oldest first, and of the pass under way.
    const std::vector<std::vector<KeyCall>>& passes() const { return m_passes; }

    const std::vector<KeyCall>& currentPass() const { return m_current; }

    // The last colour a finished pass sent to this key.
    std::optional<KeyCall> lastSent(Kind kind, std::int64_t key) const;

    bool initResult = true;
    int versionMajor = 0;
    int versionMinor = 0;
    int versionBuild = 0;
    int initCalls = 0;
    int versionCalls = 0;
    int shutdownCalls = 0;
    // Extra places to ask the sampling pass for, and the last colour each one was given.
    std::vector<QPointF> places;
    std::vector<std::array<int, 3>> placeColours;
    // Called on every init and shutdown, for tests that check the order of steps.
    std::function<void(const char*)> onLifecycle;

private:
    std::vector<std::vector<KeyCall>> m_passes;
    std::vector<KeyCall> m_current;
};

} // namespace kelvara
