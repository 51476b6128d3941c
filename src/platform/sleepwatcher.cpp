#include "platform/sleepwatcher.h"

#include "platform/systemlog.h"

#include <QDBusError>

namespace kelvara {

SleepWatcher::SleepWatcher(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
{
    QDBusConnection connection = bus;
    m_listening =
        connection.isConnected() &&
        connection.connect(QStringLiteral("org.freedesktop.login1"),
                           QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"),
                           QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
    if (!m_listening) {
        systemLog(QStringLiteral("Cannot hear the computer wake from sleep (%1).")
                      .arg(connection.isConnected() ? connection.lastError().message()
                                                    : QStringLiteral("no system bus")));
    }
}

void SleepWatcher::prepareForSleep(bool sleeping)
{
    if (sleeping) {
        emit goingToSleep();
    } else {
        systemLog(QStringLiteral("The computer woke from sleep: the keyboards are taken over "
                                 "again."));
        emit woke();
    }
}

} // namespace kelvara
