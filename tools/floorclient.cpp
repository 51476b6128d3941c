// What lighting a keyboard costs at the least, to measure Kelvara against: a client that wakes 30
// times a second and sends one UPDATELEDS frame of the given number of LEDs to an OpenRGB SDK
// server, and does nothing else. Once a second it reads and drops what the server has sent.
//     kelvara_floorclient PORT LEDS [FRAMES_PER_SECOND]
// It runs until it is ended. No handshake: a version 6 server takes the frames as they come.

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

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PORT LEDS [FRAMES_PER_SECOND]\n", argv[0]);
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const int leds = std::atoi(argv[2]);
    const int rate = argc > 3 ? std::atoi(argv[3]) : 30;
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
    std::vector<unsigned char> bytes = frame(100, std::uint16_t(leds));
    const long step = 1000000000L / rate; // ns
    timespec next{};
    ::clock_gettime(CLOCK_MONOTONIC, &next);
    std::vector<char> drop(65536);
    for (unsigned long n = 0;; ++n) {
        next.tv_nsec += step;
        while (next.tv_nsec >= 1000000000L) {
            next.tv_nsec -= 1000000000L;
            ++next.tv_sec;
        }
        while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
        }
        bytes[22] = static_cast<unsigned char>(n); // the first colour changes, as with typing
        if (::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) < 0) {
            std::perror("send");
            return 1;
        }
        if (n % unsigned(rate) == 0) {
            while (::recv(fd, drop.data(), drop.size(), MSG_DONTWAIT) > 0) {
            }
        }
    }
}
