#pragma once

#include "engine/keepawake.h"

#include <QDBusUnixFileDescriptor>
#include <QObject>

#include <map>

namespace kelvara {

// Keep-awake through an idle inhibitor of systemd-logind on the system bus. The inhibitor is asked
// for without waiting; ending the activity closes its file descriptor, also when the answer comes
// only afterwards. Without a bus or a logind the activity is a plain token and one log line says
// so.
class LogindKeepAwake : public QObject, public KeepAwake
{
    Q_OBJECT

public:
    explicit LogindKeepAwake(QObject* parent = nullptr);
    ~LogindKeepAwake() override;

    std::uint64_t beginActivity(const QString& reason) override;
    void endActivity(std::uint64_t token) override;

    // Activities that currently hold an inhibitor descriptor.
    std::size_t heldInhibitors() const { return m_inhibitors.size(); }

private:
    void reportUnavailable(const QString& why);

    std::uint64_t m_lastToken = 0;
    std::map<std::uint64_t, bool> m_pending; // token -> still wanted
    std::map<std::uint64_t, QDBusUnixFileDescriptor> m_inhibitors;
    bool m_reported = false;
};

} // namespace kelvara
