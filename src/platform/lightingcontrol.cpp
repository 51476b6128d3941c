#include "platform/lightingcontrol.h"

#include "led/ledbackend.h"
#include "platform/singleinstance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>

namespace kelvara {

namespace {

constexpr int callTimeout = 5000; // ms

} // namespace

LightingControlAdaptor::LightingControlAdaptor(QObject* object, LedBackend& backend)
    : QDBusAbstractAdaptor(object)
    , m_backend(backend)
{
    connect(&backend.pause(), &LightingPause::changed, this, &LightingControlAdaptor::announce);
}

void LightingControlAdaptor::setBus(const QDBusConnection& bus, const QString& objectPath)
{
    m_bus = bus;
    m_path = objectPath;
}

bool LightingControlAdaptor::paused() const
{
    return m_backend.isPaused();
}

void LightingControlAdaptor::Pause()
{
    m_backend.setPaused(true);
}

void LightingControlAdaptor::Resume()
{
    m_backend.setPaused(false);
}

void LightingControlAdaptor::Toggle()
{
    m_backend.setPaused(!m_backend.isPaused());
}

void LightingControlAdaptor::announce(bool paused)
{
    if (!m_bus.isConnected()) {
        return;
    }
    QDBusMessage signal =
        QDBusMessage::createSignal(m_path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << interfaceName << QVariantMap{{QStringLiteral("Paused"), paused}} << QStringList();
    m_bus.send(signal);
}

int callRunningInstance(const QDBusConnection& bus, const QString& method, QTextStream& errors)
{
    if (!bus.isConnected()) {
        errors << "Kelvara is not running: there is no session bus to reach it on.\n";
        return 1;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(SingleInstance::serviceName, SingleInstance::objectPath,
                                       LightingControlAdaptor::interfaceName, method);
    // The call must not start a Kelvara of its own, should the bus know how to.
    call.setAutoStartService(false);
    const QDBusMessage answer = bus.call(call, QDBus::BlockWithGui, callTimeout);
    if (answer.type() == QDBusMessage::ReplyMessage) {
        return 0;
    }
    if (answer.errorName() == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown") ||
        answer.errorName() == QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner")) {
        errors << "Kelvara is not running.\n";
    } else {
        errors << "Kelvara did not answer: " << answer.errorMessage() << "\n";
    }
    return 1;
}

} // namespace kelvara
