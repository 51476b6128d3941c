#pragma once

#include <memory>

namespace kelvara {

// Tells whether anything has arrived on a descriptor since it was last asked, without a system
// call when nothing has: the kernel notes each arrival in memory this process shares with it (an
// io_uring ring with deferred task running and a multishot poll on the descriptor), and asking
// reads that memory. Only an arrival costs a call, the one that takes the note off. A source read
// at every frame asks first, where it would otherwise read and mostly find nothing. The note never
// wakes a waiting event loop.
//
// Where the kernel offers no such ring (before Linux 6.1, or turned off) the watch is off and
// every question answers yes: the caller reads as it would without it. Single-threaded: asked on
// the thread that made it.
class ArrivalWatch
{
public:
    // Watches fd, which must outlive the watch: close the watch first, since the kernel holds
    // the descriptor's file while it watches it.
    explicit ArrivalWatch(int fd);
    ~ArrivalWatch();
    ArrivalWatch(const ArrivalWatch&) = delete;
    ArrivalWatch& operator=(const ArrivalWatch&) = delete;

    bool isWatching() const { return m_ring != nullptr; }

    // Whether something arrived since the last call (the first call answers yes). Ask before
    // reading: what arrives after the question is told at the next.
    bool takeArrival();

private:
    struct Ring;

    bool arm();

    int m_fd;
    std::unique_ptr<Ring> m_ring;
    bool m_first = true;
};

} // namespace kelvara
