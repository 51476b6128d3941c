#include "platform/singleinstance.h"

#include "platform/lightingcontrol.h"
#include "platform/systemlog.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>

namespace kelvara {

namespace {

constexpr int activateTimeout = 2000; // ms

} // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
{
    new ApplicationAdaptor(this);
}

SingleInstance::Claim SingleInstance::claim()
{
    return claim(QDBusConnection::sessionBus());
}

SingleInstance::Claim SingleInstance::claim(QDBusConnection bus)
{
    if (!bus.isConnected() || !bus.interface()) {
        return Claim::NoBus;
    }
    // The object first: a launch that finds the name taken calls it at once. Without it the name
    // would be held by an instance that cannot answer, and every later launch would start anyway.
    if (!bus.registerObject(objectPath, this, QDBusConnection::ExportAdaptors)) {
        systemLog(QStringLiteral("Cannot offer %1 on the session bus: %2; more than one Kelvara "
                                 "may run.")
                      .arg(objectPath, bus.lastError().message()));
        return Claim::NoBus;
    }
    const auto reply =
        bus.interface()->registerService(serviceName, QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        if (auto* control = findChild<LightingControlAdaptor*>()) {
            control->setBus(bus, objectPath);
        }
        return Claim::Owner;
    }
    bus.unregisterObject(objectPath);
    QDBusMessage activate = QDBusMessage::createMethodCall(
        serviceName, objectPath, QStringLiteral("org.freedesktop.Application"),
        QStringLiteral("Activate"));
    activate << QVariantMap();
    // Events go on meanwhile: the instance asked may be one of this process's own connections.
    const QDBusMessage answer = bus.call(activate, QDBus::BlockWithGui, activateTimeout);
    if (answer.type() == QDBusMessage::ReplyMessage) {
        return Claim::OtherActivated;
    }
    systemLog(QStringLiteral("Another Kelvara holds %1 but did not answer (%2); starting anyway.")
                  .arg(serviceName, answer.errorMessage()));
    return Claim::OtherSilent;
}

ApplicationAdaptor::ApplicationAdaptor(SingleInstance* instance)
    : QDBusAbstractAdaptor(instance)
    , m_instance(instance)
{}

void ApplicationAdaptor::Activate(const QVariantMap& /*platformData*/)
{
    emit m_instance->activated();
}

void ApplicationAdaptor::Open(const QStringList& /*uris*/, const QVariantMap& /*platformData*/)
{
    emit m_instance->activated();
}

void ApplicationAdaptor::ActivateAction(const QString& /*actionName*/,
                                        const QVariantList& /*parameter*/,
                                        const QVariantMap& /*platformData*/)
{
    emit m_instance->activated();
}

} // namespace kelvara
