// An OpenRGB SDK protocol peer with one full-size keyboard, for measuring the whole program:
//     kelvara_openrgbpeer PORT
// It answers the handshake at protocol version 6 and reads every frame until it is stopped.

#include "support/fakeopenrgbserver.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

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
    std::signal(SIGTERM, [](int) { QCoreApplication::quit(); });
    return QCoreApplication::exec();
}
