#include "support/logindstandin.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace kelvara::testing {

namespace {

const QString root = QStringLiteral("/org/freedesktop/login1");
const QString seat0 = root + QStringLiteral("/seat/seat0");
const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");

QString sessionPath(const QString& id)
{
    return root + QStringLiteral("/session/") + id;
}

template <typename First> QVariant pathStruct(const First& first, const QString& path)
{
    QDBusArgument argument;
    argument.beginStructure();
    argument << first << QDBusObjectPath(path);
    argument.endStructure();
    return QVariant::fromValue(argument);
}

} // namespace

LogindStandIn::LogindStandIn(QDBusConnection bus)
    : m_bus(std::move(bus))
{
    m_serving = m_bus.registerVirtualObject(root, this, QDBusConnection::SubPath) &&
                m_bus.registerService(QStringLiteral("org.freedesktop.login1"));
}

LogindStandIn::~LogindStandIn()
{
    leave();
}

void LogindStandIn::leave()
{
    if (m_serving) {
        m_bus.unregisterService(QStringLiteral("org.freedesktop.login1"));
        m_bus.unregisterObject(root, QDBusConnection::UnregisterTree);
        m_serving = false;
    }
}

void LogindStandIn::setActiveSession(const QString& id, bool signal)
{
    m_active = id;
    if (signal) {
        changed(seat0, QStringLiteral("org.freedesktop.login1.Seat"));
    }
}

void LogindStandIn::setSession(const QString& id, const Session& session, bool signal)
{
    m_sessions[id] = session;
    if (signal) {
        changed(sessionPath(id), QStringLiteral("org.freedesktop.login1.Session"));
    }
}

void LogindStandIn::changed(const QString& path, const QString& interface)
{
    QDBusMessage signal =
        QDBusMessage::createSignal(path, properties, QStringLiteral("PropertiesChanged"));
    signal << interface << QVariantMap{} << QStringList{};
    m_bus.send(signal);
}

bool LogindStandIn::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    // The seat's active session by Get, a session's properties by GetAll, as the service asks.
    const QVariantList arguments = message.arguments();
    const auto session = m_sessions.find(message.path().section(QLatin1Char('/'), -1));
    if (message.path() == seat0 && message.member() == QStringLiteral("Get") &&
        arguments.size() == 2 && arguments[1] == QStringLiteral("ActiveSession")) {
        const QVariant active =
            pathStruct(m_active, m_active.isEmpty() ? QStringLiteral("/") : sessionPath(m_active));
        connection.send(message.createReply(QVariant::fromValue(QDBusVariant(active))));
    } else if (message.member() == QStringLiteral("GetAll") && session != m_sessions.end() &&
               message.path() == sessionPath(session->first)) {
        const Session& s = session->second;
        const QVariantMap all{{QStringLiteral("User"),
                               pathStruct(s.uid, root + QStringLiteral("/user/_%1").arg(s.uid))},
                              {QStringLiteral("Active"), s.active},
                              {QStringLiteral("LockedHint"), s.locked},
                              {QStringLiteral("Remote"), s.remote},
                              {QStringLiteral("State"), s.state},
                              {QStringLiteral("Class"), s.kind}};
        connection.send(message.createReply(QVariant::fromValue(all)));
    } else {
        connection.send(message.createErrorReply(QDBusError::UnknownObject, message.path()));
    }
    return true;
}

} // namespace kelvara::testing
