#pragma once

#include "platform/event.h"
#include "platform/keystatetracker.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <map>

namespace kelvara {

// Event monitors, as the key listener adds and removes them. Global monitors get the events of
// the system-wide sources, but only while this application is not the active one; local monitors
// get the key events of this application's own windows, through an application-wide event filter,
// and hand every event back unchanged. Owned by the application delegate; main thread only.
class EventMonitors : public QObject
{
    Q_OBJECT

public:
    using Token = std::uint64_t;
    using GlobalHandler = std::function<void(const Event&)>;
    using LocalHandler = std::function<Event(const Event&)>;

    explicit EventMonitors(QObject* parent = nullptr);
    ~EventMonitors() override;

    Token addGlobalMonitor(std::uint64_t mask, GlobalHandler handler);
    Token addLocalMonitor(std::uint64_t mask, LocalHandler handler);
    void removeMonitor(Token token);

    std::size_t monitorCount() const { return m_global.size() + m_local.size(); }

    // An event from a system-wide source.
    void dispatchGlobal(const Event& event);
    // An event of one of our own windows.
    void dispatchLocal(const Event& event);

    // Whether key presses of other programs can be seen.
    bool isInputAccessible() const { return m_inputAccess && m_inputAccess(); }

    void setInputAccessCheck(std::function<bool()> check) { m_inputAccess = std::move(check); }

    // Tells whether this application is the active one; Qt's application state unless replaced.
    void setActiveCheck(std::function<bool()> check) { m_isActive = std::move(check); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    template <typename Handler> struct Monitor
    {
        std::uint64_t mask;
        Handler handler;
    };

    std::map<Token, Monitor<GlobalHandler>> m_global;
    std::map<Token, Monitor<LocalHandler>> m_local;
    Token m_lastToken = 0;
    std::function<bool()> m_inputAccess;
    std::function<bool()> m_isActive;
    KeyStateTracker m_localKeys;
};

} // namespace kelvara
