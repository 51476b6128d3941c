#include "platform/eventmonitors.h"

#include "platform/keytranslation.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include <vector>

namespace kelvara {

namespace {

// Local key events are read once, where they first arrive: at the window.
constexpr int localSource = 0;

} // namespace

EventMonitors::EventMonitors(QObject* parent)
    : QObject(parent)
    , m_isActive([] { return QGuiApplication::applicationState() == Qt::ApplicationActive; })
{
    if (QCoreApplication::instance()) {
        QCoreApplication::instance()->installEventFilter(this);
    }
}

EventMonitors::~EventMonitors() = default;

EventMonitors::Token EventMonitors::addGlobalMonitor(std::uint64_t mask, GlobalHandler handler)
{
    m_global.emplace(++m_lastToken, Monitor<GlobalHandler>{mask, std::move(handler)});
    return m_lastToken;
}

EventMonitors::Token EventMonitors::addLocalMonitor(std::uint64_t mask, LocalHandler handler)
{
    m_local.emplace(++m_lastToken, Monitor<LocalHandler>{mask, std::move(handler)});
    return m_lastToken;
}

void EventMonitors::removeMonitor(Token token)
{
    m_global.erase(token);
    m_local.erase(token);
}

void EventMonitors::dispatchGlobal(const Event& event)
{
    if (m_isActive && m_isActive()) {
        return; // our own windows' keys reach the local monitors instead
    }
    std::vector<GlobalHandler> handlers;
    for (const auto& [token, monitor] : m_global) {
        if (monitor.mask & maskOf(event.type)) {
            handlers.push_back(monitor.handler);
        }
    }
    for (const GlobalHandler& handler : handlers) {
        handler(event);
    }
}

void EventMonitors::dispatchLocal(const Event& event)
{
    std::vector<LocalHandler> handlers;
    for (const auto& [token, monitor] : m_local) {
        if (monitor.mask & maskOf(event.type)) {
            handlers.push_back(monitor.handler);
        }
    }
    Event current = event;
    for (const LocalHandler& handler : handlers) {
        current = handler(current);
    }
}

bool EventMonitors::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && watched->isWindowType()) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        // Auto-repeat comes as release and press pairs; only the presses count, as repeats.
        if (type == QEvent::KeyRelease && key->isAutoRepeat()) {
            return QObject::eventFilter(watched, event);
        }
        if (const auto translated = translateQtKeyEvent(*key)) {
            const int value = type == QEvent::KeyRelease ? 0 : (key->isAutoRepeat() ? 2 : 1);
            if (const auto local = m_localKeys.feed(localSource, translated->evdevCode, value)) {
                // Media keys have no local monitor.
                if (local->type != Event::Type::SystemDefined) {
                    dispatchLocal(*local);
                }
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kelvara
