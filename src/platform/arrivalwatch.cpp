#include "platform/arrivalwatch.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <linux/io_uring.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace kelvara {

namespace {

// The poll is the only submission, made again only when the kernel ends it.
constexpr unsigned submissionEntries = 2;
// Arrivals between two questions come as one completion or a few; room for many more.
constexpr unsigned completionEntries = 64;

long enterRing(int ring, unsigned submit, unsigned flags)
{
    long n = 0;
    do {
        n = syscall(__NR_io_uring_enter, ring, submit, 0, flags, nullptr, 0);
    } while (n < 0 && errno == EINTR);
    return n;
}

template <typename T> T* inMap(void* map, std::uint32_t offset)
{
    return reinterpret_cast<T*>(static_cast<char*>(map) + offset);
}

} // namespace

struct ArrivalWatch::Ring
{
    Ring() = default;
    Ring(const Ring&) = delete;
    Ring& operator=(const Ring&) = delete;

    ~Ring()
    {
        if (completions != MAP_FAILED && completions != rings) {
            munmap(completions, completionsSize);
        }
        if (rings != MAP_FAILED) {
            munmap(rings, ringsSize);
        }
        if (entries != MAP_FAILED) {
            munmap(entries, entriesSize);
        }
        if (fd >= 0) {
            close(fd);
        }
    }

    int fd = -1;
    void* rings = MAP_FAILED; // the submission ring, and the completions with it on most kernels
    std::size_t ringsSize = 0;
    void* completions = MAP_FAILED;
    std::size_t completionsSize = 0;
    void* entries = MAP_FAILED;
    std::size_t entriesSize = 0;

    unsigned* sqTail = nullptr;
    unsigned sqMask = 0;
    unsigned* sqArray = nullptr;
    unsigned* sqFlags = nullptr;
    unsigned* cqHead = nullptr;
    unsigned* cqTail = nullptr;
    unsigned cqMask = 0;
    io_uring_cqe* cqes = nullptr;
};

ArrivalWatch::ArrivalWatch(int fd)
    : m_fd(fd)
{
    if (fd < 0) {
        return;
    }
    auto ring = std::make_unique<Ring>();
    io_uring_params params{};
    // Deferred task running: an arrival is only noted (a flag in the shared memory) until this
    // thread enters the ring, so it neither wakes nor interrupts the event loop's wait.
    params.flags = IORING_SETUP_CQSIZE | IORING_SETUP_SINGLE_ISSUER | IORING_SETUP_DEFER_TASKRUN |
                   IORING_SETUP_TASKRUN_FLAG;
    params.cq_entries = completionEntries;
    ring->fd = int(syscall(__NR_io_uring_setup, submissionEntries, &params));
    if (ring->fd < 0) {
        return;
    }
    ring->ringsSize = params.sq_off.array + params.sq_entries * sizeof(unsigned);
    ring->completionsSize = params.cq_off.cqes + params.cq_entries * sizeof(io_uring_cqe);
    const bool oneMap = (params.features & IORING_FEAT_SINGLE_MMAP) != 0;
    if (oneMap) {
        ring->ringsSize = ring->completionsSize = std::max(ring->ringsSize, ring->completionsSize);
    }
    constexpr int access = PROT_READ | PROT_WRITE;
    constexpr int sharing = MAP_SHARED | MAP_POPULATE;
    ring->rings = mmap(nullptr, ring->ringsSize, access, sharing, ring->fd, IORING_OFF_SQ_RING);
    if (ring->rings == MAP_FAILED) {
        return;
    }
    ring->completions = oneMap ? ring->rings
                               : mmap(nullptr, ring->completionsSize, access, sharing, ring->fd,
                                      IORING_OFF_CQ_RING);
    ring->entriesSize = params.sq_entries * sizeof(io_uring_sqe);
    ring->entries = mmap(nullptr, ring->entriesSize, access, sharing, ring->fd, IORING_OFF_SQES);
    if (ring->completions == MAP_FAILED || ring->entries == MAP_FAILED) {
        return;
    }
    ring->sqTail = inMap<unsigned>(ring->rings, params.sq_off.tail);
    ring->sqMask = *inMap<unsigned>(ring->rings, params.sq_off.ring_mask);
    ring->sqArray = inMap<unsigned>(ring->rings, params.sq_off.array);
    ring->sqFlags = inMap<unsigned>(ring->rings, params.sq_off.flags);
    ring->cqHead = inMap<unsigned>(ring->completions, params.cq_off.head);
    ring->cqTail = inMap<unsigned>(ring->completions, params.cq_off.tail);
    ring->cqMask = *inMap<unsigned>(ring->completions, params.cq_off.ring_mask);
    ring->cqes = inMap<io_uring_cqe>(ring->completions, params.cq_off.cqes);
    m_ring = std::move(ring);
    if (!arm()) {
        m_ring.reset();
    }
}

ArrivalWatch::~ArrivalWatch() = default;

bool ArrivalWatch::arm()
{
    Ring& ring = *m_ring;
    const unsigned tail = *ring.sqTail; // only this thread moves it
    const unsigned slot = tail & ring.sqMask;
    auto* entry = static_cast<io_uring_sqe*>(ring.entries) + slot;
    std::memset(entry, 0, sizeof *entry);
    entry->opcode = IORING_OP_POLL_ADD;
    entry->fd = m_fd;
    entry->len = IORING_POLL_ADD_MULTI; // one completion for every arrival, until ended
    std::uint32_t events = POLLIN;
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    events = (events << 16) | (events >> 16); // the kernel reads the halves swapped there
#endif
    entry->poll32_events = events;
    ring.sqArray[slot] = slot;
    __atomic_store_n(ring.sqTail, tail + 1, __ATOMIC_RELEASE);
    return enterRing(ring.fd, 1, 0) == 1;
}

bool ArrivalWatch::takeArrival()
{
    if (!m_ring) {
        return true;
    }
    Ring& ring = *m_ring;
    const bool first = std::exchange(m_first, false);
    const unsigned flags = __atomic_load_n(ring.sqFlags, __ATOMIC_ACQUIRE);
    const bool posted = *ring.cqHead != __atomic_load_n(ring.cqTail, __ATOMIC_ACQUIRE);
    if (!first && !posted && (flags & (IORING_SQ_TASKRUN | IORING_SQ_CQ_OVERFLOW)) == 0) {
        return false;
    }
    // Entering runs the noted arrivals: the flag goes, and they come as completions.
    if (enterRing(ring.fd, 0, IORING_ENTER_GETEVENTS) < 0) {
        m_ring.reset(); // from here on every question answers yes
        return true;
    }
    bool ended = false;
    bool failed = false;
    unsigned head = *ring.cqHead;
    const unsigned tail = __atomic_load_n(ring.cqTail, __ATOMIC_ACQUIRE);
    for (; head != tail; ++head) {
        const io_uring_cqe& completion = ring.cqes[head & ring.cqMask];
        if ((completion.flags & IORING_CQE_F_MORE) == 0) {
            ended = true;
            failed = failed || completion.res < 0;
        }
    }
    __atomic_store_n(ring.cqHead, head, __ATOMIC_RELEASE);
    // The kernel ends a poll it has no room to report on; it is made again. One that failed
    // (the descriptor is gone) is not, and the watch is off.
    if (ended && (failed || !arm())) {
        m_ring.reset();
    }
    return true;
}

} // namespace kelvara
