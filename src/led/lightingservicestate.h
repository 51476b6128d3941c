#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace kelvara {

// What the LED layer knows of the lighting service at this moment. Only the backend changes it;
// the status line, its Help button and the tray follow it through LightingServiceStatus.
struct LightingServiceState
{
    enum class Status
    {
        NotRunning, // nothing answers at the endpoint
        Refused,    // it answers, but cannot be used: too old, a failed handshake, no keyboard
        Connected   // with keyboards taken over
    };

    Status status = Status::NotRunning;
    // Why, in a few words, without a full stop: "connection refused", "2 keyboards taken over".
    QString reason;
    // Keyboards that another program is writing to as well, by name.
    QStringList otherWriters;

    bool operator==(const LightingServiceState&) const = default;
};

// The status line's text for a status: the launch check's three outcomes.
QString statusText(LightingServiceState::Status status);

// What the status line's tooltip and the tray say beyond the status text: the reason, and the
// keyboards another program is writing to.
QString stateDetails(const LightingServiceState& state);

// Holds the state and says when it changes. Owned by the LED backend; main thread only.
class LightingServiceStatus : public QObject
{
    Q_OBJECT

public:
    const LightingServiceState& state() const { return m_state; }

    // Emits changed() when the state differs from the one held.
    void set(const LightingServiceState& state);

    // What a backend found at endpoint (host:port): one log line for every change, but a
    // service that stays away is told of once, whatever each try answers. Another writer is only
    // told of while connected.
    void report(const QString& endpoint, LightingServiceState::Status status,
                const QString& reason);
    void setOtherWriters(const QStringList& keyboards);

signals:
    void changed(const kelvara::LightingServiceState& state);

private:
    LightingServiceState m_state;
};

} // namespace kelvara
