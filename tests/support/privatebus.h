#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace kelvara::testing {

// A D-Bus daemon of the test's own, for stand-ins of system services: anyone on it may own any
// name. Ends with the object.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();

    bool isRunning() const { return !m_address.isEmpty(); }

    QString address() const { return m_address; }

    // A new connection to the bus under that name, closed with the bus.
    QDBusConnection connect(const QString& name);

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

} // namespace kelvara::testing
