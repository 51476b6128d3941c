#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>
#include <sys/types.h>

class QDBusMessage;

namespace kelvara {

// Who may receive keys, as logind tells it on the system bus: the user who owns seat0's active
// session, while that session is a user's (not a greeter or lock screen), local, active and not
// locked. Every change logind signals is checked again, and once every few seconds besides, so
// that a missed signal is not trusted for long. Without logind, or on any error or unexpected
// answer, nobody may.
class SessionGate : public QObject
{
    Q_OBJECT

public:
    explicit SessionGate(QDBusConnection bus, QObject* parent = nullptr);

    std::optional<uid_t> allowedUid() const { return m_allowed; }

    // Asks logind again.
    void recheck();

signals:
    void allowedChanged();

private slots:
    void logindSignalled(const QDBusMessage& message);

private:
    // Asks for seat0's active session, then for that session's properties, without waiting:
    // answers to an older question than the last are not used.
    void askSession(const QString& path, quint64 question);
    void answer(std::optional<uid_t> uid, quint64 question);
    void setAllowed(std::optional<uid_t> uid);

    QDBusConnection m_bus;
    QDBusServiceWatcher m_watcher;
    QTimer m_again;
    std::optional<uid_t> m_allowed;
    quint64 m_question = 0;
};

} // namespace kelvara
