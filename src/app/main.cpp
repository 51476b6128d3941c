#include "app/appdelegate.h"
#include "engine/lightingservice.h"
#include "led/ledbackend.h"
#include "led/openrgbbackend.h"
#include "platform/quitonsignals.h"
#include "platform/singleinstance.h"
#include "platform/sleepwatcher.h"

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

// --help and --version, answered before any window system is needed, and --hidden; everything
// else is set in the settings window. Answers whether the start is a hidden one.
bool answerTheCommandLine(int argc, char* argv[])
{
    QCoreApplication plain(argc, argv);
    nameTheApplication();
    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Ripples of light around every key you press, on an RGB keyboard."));
    options.addHelpOption();
    options.addVersionOption();
    const QCommandLineOption hidden(
        QStringLiteral("hidden"),
        QStringLiteral("Start without showing the window (the tray icon or another launch shows "
                       "it). The keyboard lights from the start."));
    options.addOption(hidden);
    options.process(plain);
    return options.isSet(hidden);
}

} // namespace

int main(int argc, char* argv[])
{
    const bool hidden = answerTheCommandLine(argc, argv);
    QApplication app(argc, argv);
    nameTheApplication();
    QApplication::setDesktopFileName(QStringLiteral("kelvara"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kelvara.svg")));

    // One Kelvara per session: a second launch shows the first one's window and ends.
    kelvara::SingleInstance instance;
    if (instance.claim() == kelvara::SingleInstance::Claim::OtherActivated) {
        return 0;
    }

    kelvara::QuitOnSignals quitOnSignals;
    const kelvara::LightingServiceEndpoint endpoint = kelvara::lightingServiceEndpoint();
    kelvara::installLedBackend(
        std::make_unique<kelvara::OpenRgbBackend>(endpoint.host, endpoint.port));

    // Keyboards that wake in their own lighting are taken over again.
    kelvara::SleepWatcher sleep;
    QObject::connect(&sleep, &kelvara::SleepWatcher::woke, &sleep,
                     [] { kelvara::ledBackend().wake(); });

    int result = 0;
    {
        kelvara::AppDelegate delegate;
        delegate.startHidden = hidden;
        QObject::connect(&instance, &kelvara::SingleInstance::activated, &delegate,
                         &kelvara::AppDelegate::showMainWindow);
        QTimer::singleShot(0, &delegate, &kelvara::AppDelegate::applicationDidFinishLaunching);
        result = QApplication::exec();
    }
    kelvara::installLedBackend(nullptr);
    return result;
}
