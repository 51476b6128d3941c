// An OpenRGB SDK protocol peer with one full-size keyboard, for measuring and testing the whole
// program:
//     kelvara_openrgbpeer PORT
// It answers the handshake at protocol version 6 and reads every frame until SIGTERM. With port 0
// it takes a free one. It prints "port N" once it listens, and "frames N" (the UPDATELEDS packets
// it read) when it ends.

#include "led/openrgbprotocol.h"
#include "support/fakeopenrgbserver.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int quitPipe[2] = {-1, -1};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PORT\n", argv[0]);
        return 2;
    }
    kelvara::testing::FakeOpenRgbServer::Device keyboard;
    keyboard.leds = kelvara::testing::FakeOpenRgbServer::fullKeyboardLeds();
    kelvara::testing::FakeOpenRgbServer peer(6, {keyboard}, quint16(QByteArray(argv[1]).toUInt()));
    if (peer.port() == 0) {
        std::fprintf(stderr, "cannot listen on port %s\n", argv[1]);
        return 1;
    }
    std::printf("port %u\n", unsigned(peer.port()));
    std::fflush(stdout);

    // SIGTERM ends the loop through a pipe: nothing but write() in the handler.
    if (::pipe(quitPipe) != 0) {
        return 1;
    }
    QSocketNotifier quit(quitPipe[0], QSocketNotifier::Read);
    QObject::connect(&quit, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGTERM, [](int) { [[maybe_unused]] auto n = ::write(quitPipe[1], "q", 1); });
    const int status = QCoreApplication::exec();
    std::printf("frames %zu\n", peer.received(kelvara::openrgb::updateLeds).size());
    return status;
}
