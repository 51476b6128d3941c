#include "app/appdelegate.h"
#include "engine/lightingservice.h"
#include "led/ledbackend.h"
#include "led/openrgbbackend.h"
#include "platform/lightingcontrol.h"
#include "platform/quitonsignals.h"
#include "platform/singleinstance.h"
#include "platform/sleepwatcher.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QIcon>
#include <QTextStream>
#include <QTimer>

#include <array>
#include <optional>
#include <utility>

namespace {

void nameTheApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Kelvara"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvara"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVARA_VERSION));
}

struct CommandLine
{
    bool hidden = false;
    std::optional<int> exitCode; // set when the command line was answered without starting
};

// --help and --version, answered before any window system is needed, --pause, --resume and
// --toggle, which call the running Kelvara and never start one, and --hidden; everything else is
// set in the settings window.
CommandLine answerTheCommandLine(int argc, char* argv[])
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
    const std::array<std::pair<QString, QString>, 3> calls{{
        {QStringLiteral("pause"),
         QStringLiteral("Hand the keyboards back to their own lighting, in the running Kelvara.")},
        {QStringLiteral("resume"), QStringLiteral("Light the keyboards again after a pause.")},
        {QStringLiteral("toggle"), QStringLiteral("Pause, or resume when paused.")},
    }};
    for (const auto& [name, description] : calls) {
        options.addOption(QCommandLineOption(name, description));
    }
    options.process(plain);
    for (const auto& [name, description] : calls) {
        if (options.isSet(name)) {
            QTextStream errors(stderr);
            QString method = name;
            method[0] = method[0].toUpper();
            return {false,
                    kelvara::callRunningInstance(QDBusConnection::sessionBus(), method, errors)};
        }
    }
    return {options.isSet(hidden), std::nullopt};
}

} // namespace

int main(int argc, char* argv[])
{
    const CommandLine commandLine = answerTheCommandLine(argc, argv);
    if (commandLine.exitCode) {
        return *commandLine.exitCode;
    }
    QApplication app(argc, argv);
    nameTheApplication();
    QApplication::setDesktopFileName(QStringLiteral("kelvara"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kelvara.svg")));

    // Nothing connects yet: the backend is there for the pause the session bus offers.
    const kelvara::LightingServiceEndpoint endpoint = kelvara::lightingServiceEndpoint();
    kelvara::installLedBackend(
        std::make_unique<kelvara::OpenRgbBackend>(endpoint.host, endpoint.port));

    // One Kelvara per session: a second launch shows the first one's window and ends.
    kelvara::SingleInstance instance;
    new kelvara::LightingControlAdaptor(&instance, kelvara::ledBackend());
    if (instance.claim() == kelvara::SingleInstance::Claim::OtherActivated) {
        kelvara::installLedBackend(nullptr);
        return 0;
    }

    kelvara::QuitOnSignals quitOnSignals;

    // Keyboards that wake in their own lighting are taken over again.
    kelvara::SleepWatcher sleep;
    QObject::connect(&sleep, &kelvara::SleepWatcher::woke, &sleep,
                     [] { kelvara::ledBackend().wake(); });

    int result = 0;
    {
        kelvara::AppDelegate delegate;
        delegate.startHidden = commandLine.hidden;
        QObject::connect(&instance, &kelvara::SingleInstance::activated, &delegate,
                         &kelvara::AppDelegate::showMainWindow);
        QTimer::singleShot(0, &delegate, &kelvara::AppDelegate::applicationDidFinishLaunching);
        result = QApplication::exec();
    }
    kelvara::installLedBackend(nullptr);
    return result;
}
