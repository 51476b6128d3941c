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
    m_daemon.terminate();
    m_daemon.waitForFinished(5000);
}

QDBusConnection PrivateBus::connect(const QString& name) const
{
    return QDBusConnection::connectToBus(m_address, name);
}

} // namespace kelvara::testing
