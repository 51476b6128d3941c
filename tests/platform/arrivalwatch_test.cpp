#include "platform/arrivalwatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace kelvara {
namespace {

// One end of a local socket pair watched, the other end writing to it, as the X server writes
// to its clients.
class ArrivalWatchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
        watch = std::make_unique<ArrivalWatch>(ends[0]);
        if (!watch->isWatching()) {
            GTEST_SKIP() << "this kernel offers no io_uring ring with deferred task running";
        }
        EXPECT_TRUE(watch->takeArrival()); // the first question always answers yes
    }

    void TearDown() override
    {
        watch.reset(); // before the descriptor it watches
        for (const int end : ends) {
            if (end >= 0) {
                close(end);
            }
        }
    }

    void send(int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            ASSERT_EQ(write(ends[1], "k", 1), 1);
        }
    }

    // Reads what came, as the watched side does.
    void drain()
    {
        char bytes[1024];
        while (recv(ends[0], bytes, sizeof bytes, MSG_DONTWAIT) > 0) {
        }
    }

    int ends[2] = {-1, -1};
    std::unique_ptr<ArrivalWatch> watch;
};

TEST_F(ArrivalWatchTest, EachArrivalIsToldOnceAndNothingElseIs)
{
    struct Step
    {
        int writes;
        bool told;
    };

    // Read or not, what is already in the socket is not told again; only what comes after.
    for (const Step step :
         {Step{0, false}, Step{0, false}, Step{1, true}, Step{0, false}, Step{3, true},
          Step{0, false}, Step{200, true}, Step{0, false}, Step{1, true}}) {
        send(step.writes);
        EXPECT_EQ(watch->takeArrival(), step.told) << step.writes << " writes";
        if (step.writes > 1) {
            drain();
        }
    }
    EXPECT_TRUE(watch->isWatching());
}

TEST_F(ArrivalWatchTest, APeerThatHangsUpIsAnArrival)
{
    close(ends[1]);
    ends[1] = -1;
    EXPECT_TRUE(watch->takeArrival());
    EXPECT_FALSE(watch->takeArrival());
}

// The point of the watch: an arrival while the event loop waits is only noted, and the wait
// goes on to its end. A wake-up for it would be one more switch of this thread. The kernel may
// still be putting an earlier test's ring away, which can wake this thread once of its own; a
// wait with no other switch, out of a few, is the answer.
TEST_F(ArrivalWatchTest, AnArrivalDoesNotWakeAThreadThatWaits)
{
    long fewestSwitches = 0;
    for (int attempt = 0; attempt < 5 && fewestSwitches != 1; ++attempt) {
        std::thread writer([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            send();
        });
        rusage before{};
        rusage after{};
        getrusage(RUSAGE_THREAD, &before);
        poll(nullptr, 0, 300);
        getrusage(RUSAGE_THREAD, &after);
        writer.join();
        EXPECT_TRUE(watch->takeArrival());
        const long switches = after.ru_nvcsw - before.ru_nvcsw;
        fewestSwitches = attempt == 0 ? switches : std::min(fewestSwitches, switches);
    }
    EXPECT_EQ(fewestSwitches, 1);
}

TEST(ArrivalWatch, WithoutADescriptorEveryQuestionAnswersYes)
{
    ArrivalWatch watch(-1);
    EXPECT_FALSE(watch.isWatching());
    EXPECT_TRUE(watch.takeArrival());
    EXPECT_TRUE(watch.takeArrival());
}

} // namespace
} // namespace kelvara
