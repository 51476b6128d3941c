#include "rings/animatedcircle.h"
#include "rings/animatedcirclegroup.h"
#include "support/tablesguard.h"

#include <gtest/gtest.h>

#include <cmath>
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
{
protected:
    testing::TablesGuard guard;
};

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

TEST(AnimatedCircle, ReversedEndsShrinkAndBrightenEqualRadiiOnlyFadeAndIdentitiesCountUp)
{
    const testing::TablesGuard guard;
    onlyFirstRing(0, 0, 10, 100, 100, 0);
    AnimatedCircle still(0, 0, 0);
    EXPECT_FALSE(std::isfinite(still.radiusStep)); // life 0 never applies its steps
    onlyFirstRing(4, 0, 40, 20, 10, 90);
    AnimatedCircle shrinking(0, 0, 0);
    onlyFirstRing(4, 0, 7, 7, 100, 0);
    AnimatedCircle fading(0, 0, 0);
    still.step();
    for (int k = 0; k < 5; ++k) {
        shrinking.step();
        fading.step();
    }
    EXPECT_DOUBLE_EQ(still.radius, 10);
    EXPECT_TRUE(still.isFinished());
    EXPECT_NEAR(shrinking.radius, 20, 1e-9);
    EXPECT_NEAR(shrinking.opacity, 90, 1e-9);
    EXPECT_DOUBLE_EQ(fading.radius, 7);
    EXPECT_NEAR(fading.opacity, 0, 1e-9);
    // Identities count up, and live rings keep the table they were built with.
    ringSettings().thickness[0] = 99;
    const AnimatedCircle next(0, 5, 5);
    EXPECT_EQ(next.uniqueID, fading.uniqueID + 1);
    EXPECT_FALSE(next == fading);
    EXPECT_NE(fading.thickness, 99);
    EXPECT_EQ(next.thickness, 99);
}

} // namespace
} // namespace kelvara
