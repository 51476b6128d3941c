#pragma once

#include "led/lightingservicestate.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <vector>

namespace kelvara {

// Tells another program's colours on a keyboard from Kelvara's own. Every frame sent is noted;
// colours the server reports (its echo of a colour change, or a controller read back) that match
// none of the recent frames were written by someone else. Such sightings make an episode per
// keyboard: its start is logged once, and the service status names the keyboard until no
// sighting has come for quietTime. Owned by the OpenRGB backend, which reports to its status.
class OtherWriterWatch : public QObject
{
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::seconds quietTime{30};
    // Frames a report may lag behind: a server applies them on a thread of its own and merges the
    // ones that pile up, and its answers are read once a second, up to 59 frames late at 59
    // frames a second.
    static constexpr std::size_t recentFrames = 128;

    explicit OtherWriterWatch(LightingServiceStatus& status, QObject* parent = nullptr);

    // A frame that went out to the keyboard with this id.
    void sent(quint32 id, std::span<const quint32> colours, Clock::time_point now = Clock::now());

    // Colours the server says the keyboard has. Answers true when they begin an episode.
    bool seen(quint32 id, const QString& name, std::span<const quint32> colours,
              Clock::time_point now = Clock::now());

    // Ends the episodes that have been quiet long enough; answers whether any ended.
    bool expire(Clock::time_point now);

    // The keyboards in an episode.
    std::vector<quint32> writing() const;

    // When the first episode under way would end.
    std::optional<Clock::time_point> nextEnd() const;

    // Forgets the keyboards that are no longer taken over.
    void retain(const std::vector<quint32>& ids);

    // The connection is gone, and with it what was sent.
    void clear();

private:
    struct Keyboard
    {
        std::array<std::size_t, recentFrames> recent{};
        std::size_t count = 0;
        Clock::time_point firstSent;
        std::optional<Clock::time_point> lastForeign;
        QString name;
    };

    // Names the keyboards in an episode in the status, and wakes when the first one ends.
    void show(Clock::time_point now);

    LightingServiceStatus& m_status;
    std::map<quint32, Keyboard> m_keyboards;
    QTimer m_quiet;
};

} // namespace kelvara
