#include "app/appdelegate.h"
#include "engine/lightingservice.h"
#include "led/ledbackend.h"
#include "led/openrgbbackend.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kelvara"));
    QApplication::setApplicationName(QStringLiteral("Kelvara"));
    QApplication::setApplicationVersion(QStringLiteral(KELVARA_VERSION));

    const kelvara::LightingServiceEndpoint endpoint = kelvara::lightingServiceEndpoint();
    kelvara::installLedBackend(
        std::make_unique<kelvara::OpenRgbBackend>(endpoint.host, endpoint.port));

    kelvara::AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    const int result = QApplication::exec();
    kelvara::installLedBackend(nullptr);
    return result;
}
