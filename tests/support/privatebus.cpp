#include "support/privatebus.h"

namespace kelvara::testing {

PrivateBus::PrivateBus()
{
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    if (m_daemon.waitForStarted(5000) && m_daemon.waitForReadyRead(5000)) {
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
}

PrivateBus::~PrivateBus()
{
    for (const QString& name : m_connections) {
        QDBusConnection::disconnectFromBus(name);
    }
    m_daemon.terminate();
    m_daemon.waitForFinished(5000);
}

QDBusConnection PrivateBus::connect(const QString& name)
{
    // Names are the process's own: one per bus, so that a later bus gets a connection of its own.
    m_connections.append(name + QLatin1Char(' ') + m_address);
    return QDBusConnection::connectToBus(m_address, m_connections.back());
}

} // namespace kelvara::testing
