// An OpenRGB SDK protocol peer with one full-size keyboard, or one of OpenRGB's own descriptions
// (tests/led/data/openrgb-keyboards.json) named by its id, for measuring and testing the whole
// program:
//     kelvara_openrgbpeer PORT [KEYBOARD-ID]
// It answers the handshake at protocol version 6 and reads every frame until SIGTERM. With port 0
// it takes a free one. It prints "port N" and "leds N" (its keyboard's) once it listens; on SIGUSR1
// and when it ends it prints "frames N" (the UPDATELEDS packets it read), "clients N" (the
// connections that sent frames) and "keyA N" (how often the A key's colour changed from one frame
// to the next), "modes N" (the mode changes: one to take a keyboard over, one to hand it back),
// "firstCaps RRGGBB" and "caps RRGGBB" (the Caps Lock key's colour in the first frame and in the
// newest one, "none" before any), and "firstZ N", "firstX N" and "firstIsoBackslash N" (the frame,
// counted from 0, in which that key first changed colour; -1 before it does or without that key).

#include "led/openrgbprotocol.h"
#include "support/fakeopenrgbserver.h"
#include "support/referencekeyboards.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QtEndian>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <optional>
#include <set>
#include <unistd.h>

namespace {

int quitPipe[2] = {-1, -1};
int reportPipe[2] = {-1, -1};

// The colour of one LED in an UPDATELEDS payload, as hex RRGGBB.
QByteArray colourAt(const QByteArray& payload, std::size_t led)
{
    const auto at = qsizetype(6 + 4 * led);
    if (payload.size() < at + 4) {
        return "none";
    }
    const quint32 colour = qFromLittleEndian<quint32>(payload.constData() + at); // 0x00BBGGRR
    return QByteArray::number(((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF),
                              16)
        .rightJustified(6, '0');
}

// The first frame in which an LED's colour differs from the frame before, or -1.
long firstChange(const std::vector<kelvara::testing::FakeOpenRgbServer::Received>& frames,
                 std::size_t led)
{
    for (std::size_t i = 1; i < frames.size(); ++i) {
        if (colourAt(frames[i].payload, led) != colourAt(frames[i - 1].payload, led)) {
            return long(i);
        }
    }
    return -1;
}

struct Watched
{
    std::size_t keyA;
    std::size_t caps;
    std::size_t z;
    std::size_t x;
    std::size_t isoBackslash;
};

void report(const kelvara::testing::FakeOpenRgbServer& peer, const Watched& leds)
{
    const std::size_t keyA = leds.keyA;
    const std::size_t caps = leds.caps;
    const auto frames = peer.received(kelvara::openrgb::updateLeds);
    std::set<int> clients;
    for (const auto& frame : frames) {
        clients.insert(frame.connection);
    }
    std::size_t changes = 0;
    std::optional<quint32> last;
    for (const auto& frame : frames) {
        const auto at = qsizetype(6 + 4 * keyA);
        if (frame.payload.size() < at + 4) {
            continue;
        }
        const quint32 colour = qFromLittleEndian<quint32>(frame.payload.constData() + at);
        changes += last && *last != colour ? 1u : 0u;
        last = colour;
    }
    const QByteArray firstCaps = frames.empty() ? "none" : colourAt(frames.front().payload, caps);
    const QByteArray lastCaps = frames.empty() ? "none" : colourAt(frames.back().payload, caps);
    std::printf("frames %zu\nclients %zu\nkeyA %zu\nmodes %zu\nfirstCaps %s\ncaps %s\n"
                "firstZ %ld\nfirstX %ld\nfirstIsoBackslash %ld\n",
                frames.size(), clients.size(), changes,
                peer.received(kelvara::openrgb::updateMode).size(), firstCaps.constData(),
                lastCaps.constData(), firstChange(frames, leds.z), firstChange(frames, leds.x),
                firstChange(frames, leds.isoBackslash));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s PORT [KEYBOARD-ID]\n", argv[0]);
        return 2;
    }
    kelvara::testing::FakeOpenRgbServer::Device keyboard;
    keyboard.leds = kelvara::testing::FakeOpenRgbServer::fullKeyboardLeds();
    if (argc == 3) {
        const QString id = QString::fromLocal8Bit(argv[2]);
        const auto known = kelvara::testing::readReferenceKeyboards();
        const auto named = std::find_if(known.begin(), known.end(),
                                        [&](const auto& reference) { return reference.id == id; });
        if (named == known.end()) {
            std::fprintf(stderr, "no keyboard %s in the reference descriptions\n", argv[2]);
            return 2;
        }
        keyboard = named->device;
    }
    kelvara::testing::FakeOpenRgbServer peer(6, {keyboard}, quint16(QByteArray(argv[1]).toUInt()));
    if (peer.port() == 0) {
        std::fprintf(stderr, "cannot listen on port %s\n", argv[1]);
        return 1;
    }
    std::printf("port %u\nleds %zu\n", unsigned(peer.port()), keyboard.leds.size());
    std::fflush(stdout);

    // SIGTERM ends the loop through a pipe: nothing but write() in the handler.
    if (::pipe(quitPipe) != 0) {
        return 1;
    }
    QSocketNotifier quit(quitPipe[0], QSocketNotifier::Read);
    QObject::connect(&quit, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGTERM, [](int) { [[maybe_unused]] auto n = ::write(quitPipe[1], "q", 1); });
    if (::pipe(reportPipe) != 0) {
        return 1;
    }
    const Watched leds{
        keyboard.led(QStringLiteral("Key: A")), keyboard.led(QStringLiteral("Key: Caps Lock")),
        keyboard.led(QStringLiteral("Key: Z")), keyboard.led(QStringLiteral("Key: X")),
        keyboard.led(QStringLiteral("Key: \\ (ISO)"))};
    QSocketNotifier asked(reportPipe[0], QSocketNotifier::Read);
    QObject::connect(&asked, &QSocketNotifier::activated, &app, [&] {
        char byte = 0;
        [[maybe_unused]] auto n = ::read(reportPipe[0], &byte, 1);
        report(peer, leds);
    });
    std::signal(SIGUSR1, [](int) { [[maybe_unused]] auto n = ::write(reportPipe[1], "r", 1); });
    const int status = QCoreApplication::exec();
    report(peer, leds);
    return status;
}
