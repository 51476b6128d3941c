#pragma once

#include "led/lightingservicestate.h"
#include "prefs/preferencestore.h"

#include <QString>

namespace kelvara {

// The lighting service: an OpenRGB SDK server, checked for and connected at launch. From then on
// the LED layer follows it, and its LightingServiceStatus says what is true.

struct LightingServiceEndpoint
{
    QString host = defaultLightingServiceHost;
    quint16 port = defaultLightingServicePort;
};

// The endpoint named by the settings keys lightingServiceHost and lightingServicePort, which are
// read but never written; the defaults otherwise.
LightingServiceEndpoint lightingServiceEndpoint();

// "OpenRGB SDK server at HOST, port PORT": where Kelvara looks for the service.
QString describeEndpoint(const LightingServiceEndpoint& endpoint);

// What a Linux user needs to get a service running: where Kelvara looks for it, how to start
// OpenRGB's server, and the settings keys for another host.
QString linuxServiceHelp(const LightingServiceEndpoint& endpoint);

// Running instances of the service: 1 when its endpoint accepts a connection within half a
// second, else 0.
int runningServiceInstances(const LightingServiceEndpoint& endpoint);

// Checks for the service, connects the LED calls and logs what it found; answers the outcome.
LightingServiceState::Status checkLightingService();

// The same check, answered as the status line's text.
QString connectToLGS();

} // namespace kelvara
