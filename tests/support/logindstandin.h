#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>

#include <map>

namespace kelvara::testing {

// logind as far as the key service asks it: seat0's active session and each session's user,
// state and lock, on a bus of the test's own. Changes are
// signalled as logind signals them, unless the test wants a signal to go missing.
class LogindStandIn : public QDBusVirtualObject
{
public:
    struct Session
    {
        uint uid = 0;
        bool active = true;
        bool locked = false;
        bool remote = false;
        QString state = QStringLiteral("active");
        QString kind = QStringLiteral("user");
    };

    explicit LogindStandIn(QDBusConnection bus);
    ~LogindStandIn() override;

    bool isServing() const { return m_serving; }

    // Changes what it answers; with signal, tells the bus as logind does.
    void setActiveSession(const QString& id, bool signal = true);
    void setSession(const QString& id, const Session& session, bool signal = true);
    // Leaves the bus, as a logind that stops does.
    void leave();

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    void changed(const QString& path, const QString& interface);

    QDBusConnection m_bus;
    bool m_serving = false;
    QString m_active;
    std::map<QString, Session> m_sessions;
};

} // namespace kelvara::testing
