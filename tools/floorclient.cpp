// What lighting a keyboard costs at the least, to measure Kelvara against: a client that wakes 30
// times a second and sends one UPDATELEDS frame of the given number of LEDs to an OpenRGB SDK
// server, and does nothing else. Once a second it reads and drops what the server has sent.
//     kelvara_floorclient [--event-loop] PORT LEDS [FRAMES_PER_SECOND]
// It runs until it is ended. No handshake: a version 6 server takes the frames as they come.
// With --event-loop the same frames go out from a precise timer on the event loop Kelvara runs
// on (a widget application with its display connection): what the toolkit adds to the least.

#include <QApplication>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// The frames go to a device the server does not have: they cost this client what a keyboard's
// frames cost, but light nothing and are told to no other client. Sent to the keyboard the
// program measured beside it drives, they would be another program writing to that keyboard.
constexpr std::uint32_t notADevice = 0x7FFFFFFF;

void putU32(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

// "ORGB", the device, UPDATELEDS (1050), the payload's size; then the data size, the count of
// colours and the colours.
std::vector<unsigned char> frame(std::uint32_t device, std::uint16_t leds)
{
    const std::size_t payload = 4 + 2 + 4 * std::size_t(leds);
    std::vector<unsigned char> bytes(16 + payload, 0);
    std::memcpy(bytes.data(), "ORGB", 4);
    putU32(bytes, 4, device);
    putU32(bytes, 8, 1050);
    putU32(bytes, 12, std::uint32_t(payload));
    putU32(bytes, 16, std::uint32_t(payload));
    bytes[20] = static_cast<unsigned char>(leds & 0xFF);
    bytes[21] = static_cast<unsigned char>(leds >> 8);
    return bytes;
}

// One frame, the first colour changed as with typing; every rate-th frame the server's answers
// are read and dropped.
class Sender
{
public:
    Sender(int fd, int leds, int rate)
        : m_fd(fd)
        , m_rate(unsigned(rate))
        , m_bytes(frame(notADevice, std::uint16_t(leds)))
        , m_drop(65536)
    {}

    bool send()
    {
        m_bytes[22] = static_cast<unsigned char>(m_sent);
        if (::send(m_fd, m_bytes.data(), m_bytes.size(), MSG_NOSIGNAL) < 0) {
            std::perror("send");
            return false;
        }
        if (m_sent++ % m_rate == 0) {
            while (::recv(m_fd, m_drop.data(), m_drop.size(), MSG_DONTWAIT) > 0) {
            }
        }
        return true;
    }

private:
    int m_fd;
    unsigned m_rate;
    unsigned long m_sent = 0;
    std::vector<unsigned char> m_bytes;
    std::vector<char> m_drop;
};

int onEventLoop(int argc, char* argv[], Sender& sender, int rate)
{
    QApplication app(argc, argv);
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &app, [&sender] {
        if (!sender.send()) {
            QCoreApplication::exit(1);
        }
    });
    timer.start(1000 / rate);
    return app.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    const bool eventLoop = argc > 1 && std::strcmp(argv[1], "--event-loop") == 0;
    char** const args = argv + (eventLoop ? 1 : 0);
    const int count = argc - (eventLoop ? 1 : 0);
    if (count < 3) {
        std::fprintf(stderr, "usage: %s [--event-loop] PORT LEDS [FRAMES_PER_SECOND]\n", argv[0]);
        return 2;
    }
    const int port = std::atoi(args[1]);
    const int leds = std::atoi(args[2]);
    const int rate = count > 3 ? std::atoi(args[3]) : 30;
    if (port <= 0 || port > 65535 || leds <= 0 || leds > 65535 || rate <= 0 || rate > 1000) {
        std::fprintf(stderr, "%s: a port, a count of LEDs and a frame rate, please\n", argv[0]);
        return 2;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(std::uint16_t(port));
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0) {
        std::perror("connect");
        return 1;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    Sender sender(fd, leds, rate);
    if (eventLoop) {
        return onEventLoop(argc, argv, sender, rate);
    }
    const long step = 1000000000L / rate; // ns
    timespec next{};
    ::clock_gettime(CLOCK_MONOTONIC, &next);
    for (;;) {
        next.tv_nsec += step;
        while (next.tv_nsec >= 1000000000L) {
            next.tv_nsec -= 1000000000L;
            ++next.tv_sec;
        }
        while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
        }
        if (!sender.send()) {
            return 1;
        }
    }
}
