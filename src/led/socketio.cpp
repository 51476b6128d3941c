#include "led/socketio.h"

#include <algorithm>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace kelvara {

namespace {

constexpr int keepAliveIdle = 2;     // seconds without traffic before the first probe
constexpr int keepAliveInterval = 1; // seconds between probes
constexpr int keepAliveProbes = 5;

} // namespace

void watchForSilentPeer(qintptr descriptor, int userTimeoutMs)
{
    const int fd = int(descriptor);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &keepAliveIdle, sizeof keepAliveIdle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &keepAliveInterval, sizeof keepAliveInterval);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &keepAliveProbes, sizeof keepAliveProbes);
    setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeoutMs, sizeof userTimeoutMs);
}

qsizetype sendWithoutWaiting(qintptr descriptor, const QByteArray& bytes)
{
    ssize_t n = -1;
    do {
        n = ::send(int(descriptor), bytes.constData(), std::size_t(bytes.size()),
                   MSG_DONTWAIT | MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n > 0 ? qsizetype(n) : 0;
}

ReadOutcome readWithoutWaiting(qintptr descriptor, QByteArray& into, qsizetype maxBytes,
                               QString& why)
{
    // Read straight into the end of the buffer, as much at a time as a second of a server's
    // answers comes to: one call a pass, not one per 16 KB.
    constexpr qsizetype chunk = 64 * 1024;
    for (qsizetype taken = 0; taken < maxBytes;) {
        const qsizetype want = std::min(chunk, maxBytes - taken);
        const qsizetype before = into.size();
        into.resize(before + want);
        const ssize_t n =
            ::recv(int(descriptor), into.data() + before, std::size_t(want), MSG_DONTWAIT);
        into.resize(before + std::max<qsizetype>(qsizetype(n), 0));
        if (n > 0) {
            taken += qsizetype(n);
            if (qsizetype(n) < want) {
                // Less than asked for: the kernel held no more. Asking again would most likely
                // find nothing, one more system call on every read; what comes meanwhile is
                // read the next time.
                return ReadOutcome::Open;
            }
        } else if (n == 0) {
            return ReadOutcome::Closed;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return ReadOutcome::Open;
        } else if (errno != EINTR) {
            why = qt_error_string(errno);
            return ReadOutcome::Failed;
        }
    }
    return ReadOutcome::Open; // the rest waits for the next call
}

} // namespace kelvara
