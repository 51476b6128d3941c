#include "led/otherwriterwatch.h"

#include "platform/systemlog.h"

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

OtherWriterWatch::OtherWriterWatch(LightingServiceStatus& status, QObject* parent)
    : QObject(parent)
    , m_status(status)
{
    m_quiet.setSingleShot(true);
    connect(&m_quiet, &QTimer::timeout, this, [this] {
        expire(Clock::now());
        show(Clock::now());
    });
}

void OtherWriterWatch::sent(quint32 id, std::span<const quint32> colours, Clock::time_point now)
{
    Keyboard& keyboard = m_keyboards[id];
    if (keyboard.count == 0) {
        keyboard.firstSent = now;
    }
    keyboard.recent[keyboard.count % recentFrames] = fingerprint(colours);
    ++keyboard.count;
}

bool OtherWriterWatch::seen(quint32 id, const QString& name, std::span<const quint32> colours,
                            Clock::time_point now)
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
    keyboard.name = name;
    if (begins) {
        systemLog(QStringLiteral("Keyboard \"%1\": another program is setting its colours too.")
                      .arg(name));
        show(now);
    }
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

void OtherWriterWatch::retain(const std::vector<quint32>& ids)
{
    std::erase_if(m_keyboards, [&ids](const auto& entry) {
        return std::find(ids.begin(), ids.end(), entry.first) == ids.end();
    });
    show(Clock::now());
}

void OtherWriterWatch::clear()
{
    m_keyboards.clear();
    m_quiet.stop();
}

void OtherWriterWatch::show(Clock::time_point now)
{
    QStringList names;
    for (const auto& [id, keyboard] : m_keyboards) {
        if (keyboard.lastForeign) {
            names.append(keyboard.name);
        }
    }
    m_status.setOtherWriters(names);
    if (const auto end = nextEnd()) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*end - now);
        m_quiet.start(int(std::clamp<qint64>(wait.count(), 1, 60000)));
    } else {
        m_quiet.stop();
    }
}

} // namespace kelvara
