#include "led/lightingservicestate.h"

#include "platform/systemlog.h"

namespace kelvara {

QString statusText(LightingServiceState::Status status)
{
    switch (status) {
    case LightingServiceState::Status::NotRunning:
        return QStringLiteral("LGS is not running. It is required.");
    case LightingServiceState::Status::Refused:
        return QStringLiteral("LGS is running but will not connect.");
    case LightingServiceState::Status::Connected:
        break;
    }
    return QStringLiteral("Connected to LGS.");
}

QString stateDetails(const LightingServiceState& state)
{
    QStringList lines;
    if (!state.reason.isEmpty()) {
        lines.append(state.reason.front().toUpper() + state.reason.mid(1) + QLatin1Char('.'));
    }
    for (const QString& keyboard : state.otherWriters) {
        lines.append(QStringLiteral("Another program is setting the colours of \"%1\" too, so its "
                                    "keys flicker between the two. Stop that program's lighting "
                                    "on this keyboard, or quit it.")
                         .arg(keyboard));
    }
    return lines.join(QLatin1Char('\n'));
}

void LightingServiceStatus::set(const LightingServiceState& state)
{
    if (state == m_state) {
        return;
    }
    m_state = state;
    emit changed(m_state);
}

void LightingServiceStatus::report(const QString& endpoint, LightingServiceState::Status status,
                                   const QString& reason)
{
    using Status = LightingServiceState::Status;
    LightingServiceState state = m_state;
    if (state.status != status || (status != Status::NotRunning && state.reason != reason)) {
        systemLog(QStringLiteral("Lighting service at %1: %2. %3")
                      .arg(endpoint, reason, statusText(status)));
    }
    state.status = status;
    state.reason = reason;
    if (status != Status::Connected) {
        state.otherWriters.clear();
    }
    set(state);
}

void LightingServiceStatus::setOtherWriters(const QStringList& keyboards)
{
    LightingServiceState state = m_state;
    state.otherWriters =
        state.status == LightingServiceState::Status::Connected ? keyboards : QStringList();
    set(state);
}

} // namespace kelvara
