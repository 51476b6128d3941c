#pragma once

#include <QDBusConnection>
#include <QObject>

namespace kelvara {

// Hears logind say that the computer goes to sleep and wakes again (PrepareForSleep on the system
// bus, which every user may receive). Without a bus or logind nothing is heard, and nothing else
// changes. Owned by the application delegate.
class SleepWatcher : public QObject
{
    Q_OBJECT

public:
    // On the given bus; the system bus unless a test brings its own.
    explicit SleepWatcher(const QDBusConnection& bus = QDBusConnection::systemBus(),
                          QObject* parent = nullptr);

    // Whether the bus took the subscription.
    bool isListening() const { return m_listening; }

signals:
    void goingToSleep();
    void woke();

private slots:
    void prepareForSleep(bool sleeping);

private:
    bool m_listening = false;
};

} // namespace kelvara
