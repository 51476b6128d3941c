// kelvara-keyservice: key presses for Kelvara on desktops where it cannot read the keyboards
// itself, given only to the user at the seat while the session is active and unlocked.
//     kelvara-keyservice [--socket PATH] [--devices DIR] [--idle-exit SECONDS]
// Started by systemd from its socket unit, it takes the socket from systemd; otherwise it makes
// the socket at PATH. It ends after SECONDS (60) without a client.

#include "keyservice/keyservice.h"
#include "keyservice/sessiongate.h"
#include "platform/keyserviceprotocol.h"
#include "platform/quitonsignals.h"
#include "platform/systemlog.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>

#include <cstdlib>
#include <unistd.h>

namespace {

// The descriptor systemd passed, as sd_listen_fds(3) describes it, or -1.
int activatedSocket()
{
    const QByteArray pid = qgetenv("LISTEN_PID");
    const QByteArray fds = qgetenv("LISTEN_FDS");
    qunsetenv("LISTEN_PID");
    qunsetenv("LISTEN_FDS");
    qunsetenv("LISTEN_FDNAMES");
    if (pid.toLongLong() != getpid() || fds.toInt() != 1) {
        return -1;
    }
    return 3;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelvara-keyservice"));
    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Key presses for Kelvara, for the user at the active, unlocked seat."));
    options.addHelpOption();
    const QCommandLineOption socketPath(
        QStringLiteral("socket"), QStringLiteral("The socket to make, without systemd."),
        QStringLiteral("path"), QString::fromLatin1(kelvara::keyservice::defaultSocketPath));
    const QCommandLineOption devices(QStringLiteral("devices"),
                                     QStringLiteral("The folder of the input devices."),
                                     QStringLiteral("folder"), QStringLiteral("/dev/input"));
    const QCommandLineOption idleExit(QStringLiteral("idle-exit"),
                                      QStringLiteral("Seconds without a client before it ends."),
                                      QStringLiteral("seconds"), QStringLiteral("60"));
    options.addOptions({socketPath, devices, idleExit});
    options.process(app);
    bool numeric = false;
    const int idleSeconds = options.value(idleExit).toInt(&numeric);
    if (!numeric || idleSeconds < 1 || idleSeconds > 86400) {
        kelvara::systemLog(QStringLiteral("--idle-exit takes 1 to 86400 seconds."));
        return EXIT_FAILURE;
    }

    const kelvara::QuitOnSignals quitOnSignals;
    kelvara::SessionGate gate(QDBusConnection::systemBus());
    kelvara::KeyService service(gate);
    const int activated = activatedSocket();
    if (activated >= 0 ? !service.listenOn(activated)
                       : !service.listen(options.value(socketPath))) {
        kelvara::systemLog(QStringLiteral("Cannot listen on %1.")
                               .arg(activated >= 0 ? QStringLiteral("the socket systemd passed")
                                                   : options.value(socketPath)));
        return EXIT_FAILURE;
    }
    service.devices().start(options.value(devices));
    kelvara::systemLog(QStringLiteral("Serving key presses from %1 input devices.")
                           .arg(service.devices().deviceCount()));
    service.setIdleTime(idleSeconds * 1000);
    QObject::connect(&service, &kelvara::KeyService::idle, &app, &QCoreApplication::quit);
    return QCoreApplication::exec();
}
