#include "rings/animatedcircle.h"
#include "rings/animatedcirclegroup.h"
#include "support/pertest.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelvara {
namespace {

using testing::onlyFirstRing;

struct Timeline
{
    int life;
    int delay;
};

class RingTimeline : public ::testing::TestWithParam<Timeline>
{};

// Tick k = 1, 2, ... after the birth steps first, then draws what is visible.
TEST_P(RingTimeline, IsDrawnFromFrameDPlusOneToDPlusLPlusOneAndRemovedAfter)
{
    const auto [life, delay] = GetParam();
    onlyFirstRing(life, delay, 10, 100, 100, 0);
    AnimatedCircleGroup group;
    group.addWave(50, 50);
    std::vector<int> drawn;
    int removedAt = 0;
    for (int k = 1; k <= life + delay + 4 && removedAt == 0; ++k) {
        group.advanceFrame();
        if (group.isEmpty()) {
            removedAt = k;
            break;
        }
        const AnimatedCircle& ring = group.theCirclesStore.begin()->second;
        if (!ring.isVisible()) {
            continue;
        }
        drawn.push_back(k);
        // Start values in the first drawn frame, end values in the last (life 0: only start).
        const bool last = life > 0 && k == delay + life + 1;
        EXPECT_NEAR(ring.radius, k == delay + 1 ? 10 : last ? 100 : ring.radius, 1e-9);
        EXPECT_NEAR(ring.opacity, k == delay + 1 ? 100 : last ? 0 : ring.opacity, 1e-9);
    }
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.front(), delay + 1);
    EXPECT_EQ(drawn.size(), std::size_t(life + 1));
    EXPECT_EQ(removedAt, delay + life + 2);
}

INSTANTIATE_TEST_SUITE_P(Lives, RingTimeline,
                         ::testing::Values(Timeline{15, 0}, Timeline{1, 0}, Timeline{0, 0},
                                           Timeline{30, 4}, Timeline{0, 3}),
                         [](const auto& p) {
                             return "Life" + std::to_string(p.param.life) + "Delay" +
                                    std::to_string(p.param.delay);
                         });

} // namespace
} // namespace kelvara
