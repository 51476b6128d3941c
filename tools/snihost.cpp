// A minimal StatusNotifierItem host for testing the tray icon on a private session bus:
//     kelvara_snihost
// It owns org.kde.StatusNotifierWatcher, says a host is there, and prints "item SERVICE" for every
// item that registers, and "ready" once it owns the name. Items are then driven with gdbus.

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>

#include <cstdio>

namespace {

class Watcher : public QObject
{
    Q_OBJECT

public:
    QStringList items;

    void registerItem(const QString& service)
    {
        items.append(service);
        std::printf("item %s\n", qPrintable(service));
        std::fflush(stdout);
    }
};

class WatcherAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    explicit WatcherAdaptor(Watcher* watcher)
        : QDBusAbstractAdaptor(watcher)
        , m_watcher(watcher)
    {}

    QStringList registeredItems() const { return m_watcher->items; }

    bool hostRegistered() const { return true; }

    int protocolVersion() const { return 0; }

public slots:

    void RegisterStatusNotifierItem(const QString& service)
    {
        m_watcher->registerItem(service);
        emit StatusNotifierItemRegistered(service);
    }

    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    Watcher* m_watcher;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    Watcher watcher;
    new WatcherAdaptor(&watcher);
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher) ||
        !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
        std::fprintf(stderr, "cannot own org.kde.StatusNotifierWatcher\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "snihost.moc"
