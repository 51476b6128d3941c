#include "engine/lightingservice.h"

#include "led/logiled.h"
#include "platform/systemlog.h"
#include "prefs/preferencestore.h"

#include <QTcpSocket>
#include <QThread>

namespace kelvara {

LightingServiceEndpoint lightingServiceEndpoint()
{
    LightingServiceEndpoint endpoint;
    const std::unique_ptr<QSettings> store = openPreferenceStore();
    const QString host = store->value(lightingServiceHostKey).toString().trimmed();
    if (!host.isEmpty()) {
        endpoint.host = host;
    }
    bool ok = false;
    const int port = store->value(lightingServicePortKey).toInt(&ok);
    if (ok && port > 0 && port <= 65535) {
        endpoint.port = quint16(port);
    }
    return endpoint;
}

QString describeEndpoint(const LightingServiceEndpoint& endpoint)
{
    return QStringLiteral("OpenRGB SDK server at %1, port %2")
        .arg(endpoint.host)
        .arg(endpoint.port);
}

QString linuxServiceHelp(const LightingServiceEndpoint& endpoint)
{
    const QString file = openPreferenceStore()->fileName();
    return QStringLiteral(
               "Kelvara lights keyboards through an OpenRGB SDK server. It looks for one at %1, "
               "port %2.\n\n"
               "To start one, run \"openrgb --server\", or open OpenRGB and press Start Server "
               "on its SDK Server tab. OpenRGB can also start itself, with its server, at every "
               "login: turn on \"Start at login\" and \"Start server\" in its general "
               "settings.\n\n"
               "To use a server on another machine or port, put these two keys into %3 and start "
               "Kelvara again:\n"
               "lightingServiceHost=%1\n"
               "lightingServicePort=%2")
        .arg(endpoint.host)
        .arg(endpoint.port)
        .arg(file);
}

int runningServiceInstances(const LightingServiceEndpoint& endpoint)
{
    QTcpSocket probe;
    probe.connectToHost(endpoint.host, endpoint.port);
    const bool answered = probe.waitForConnected(500);
    probe.abort();
    return answered ? 1 : 0;
}

LightingServiceState::Status checkLightingService()
{
    const int instances = runningServiceInstances(lightingServiceEndpoint());
    systemLog(QStringLiteral("Found %1 instances of LGS running.").arg(instances));
    if (instances < 1) {
        return LightingServiceState::Status::NotRunning;
    }
    if (!LogiLedInit()) {
        return LightingServiceState::Status::Refused;
    }
    QThread::msleep(250);
    int major = 0;
    int minor = 0;
    int build = 0;
    LogiLedGetSdkVersion(&major, &minor, &build);
    systemLog(
        QStringLiteral("Connected to LGS SDK version %1.%2.%3.").arg(major).arg(minor).arg(build));
    return LightingServiceState::Status::Connected;
}

QString connectToLGS()
{
    return statusText(checkLightingService());
}

} // namespace kelvara
