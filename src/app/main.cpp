#include "app/appdelegate.h"
#include "engine/lightingservice.h"
#include "led/ledbackend.h"
#include "led/openrgbbackend.h"
#include "platform/quitonsignals.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QTimer>

namespace {

void nameTheApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Kelvara"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvara"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVARA_VERSION));
}

// Only --help and --version: everything else is set in the settings window. Answered before
// any window system is needed.
void answerTheCommandLine(int argc, char* argv[])
{
    QCoreApplication plain(argc, argv);
    nameTheApplication();
    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Ripples of light around every key you press, on an RGB keyboard."));
    options.addHelpOption();
    options.addVersionOption();
    options.process(plain);
}

} // namespace

int main(int argc, char* argv[])
{
    answerTheCommandLine(argc, argv);
    QApplication app(argc, argv);
    nameTheApplication();
    QApplication::setDesktopFileName(QStringLiteral("kelvara"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kelvara.svg")));

    kelvara::QuitOnSignals quitOnSignals;
    const kelvara::LightingServiceEndpoint endpoint = kelvara::lightingServiceEndpoint();
    kelvara::installLedBackend(
        std::make_unique<kelvara::OpenRgbBackend>(endpoint.host, endpoint.port));

    int result = 0;
    {
        kelvara::AppDelegate delegate;
        QTimer::singleShot(0, &delegate, &kelvara::AppDelegate::applicationDidFinishLaunching);
        result = QApplication::exec();
    }
    kelvara::installLedBackend(nullptr);
    return result;
}
