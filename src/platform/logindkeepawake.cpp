#include "platform/logindkeepawake.h"

#include "platform/systemlog.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace kelvara {

LogindKeepAwake::LogindKeepAwake(QObject* parent)
    : QObject(parent)
{}

LogindKeepAwake::~LogindKeepAwake() = default;

std::uint64_t LogindKeepAwake::beginActivity(const QString& reason)
{
    const std::uint64_t token = ++m_lastToken;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        reportUnavailable(QStringLiteral("no system bus"));
        return token;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("idle") << QStringLiteral("Kelvara") << reason
         << QStringLiteral("block");
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 2000), this);
    m_pending[token] = true;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, token, watcher] {
        watcher->deleteLater();
        const bool wanted = m_pending[token];
        m_pending.erase(token);
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
        if (reply.isError()) {
            reportUnavailable(reply.error().message());
            return;
        }
        if (wanted) {
            m_inhibitors[token] = reply.value();
        }
        // An activity that ended before the answer came drops the descriptor right here.
    });
    return token;
}

void LogindKeepAwake::endActivity(std::uint64_t token)
{
    const auto pending = m_pending.find(token);
    if (pending != m_pending.end()) {
        pending->second = false;
    }
    m_inhibitors.erase(token);
}

void LogindKeepAwake::reportUnavailable(const QString& why)
{
    if (m_reported) {
        return;
    }
    m_reported = true;
    systemLog(QStringLiteral("Cannot keep the computer awake while animating (%1).").arg(why));
}

} // namespace kelvara
