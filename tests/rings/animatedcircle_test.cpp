#include "rings/animatedcircle.h"
#include "rings/animatedcirclegroup.h"
#include "support/tablesguard.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
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

// Tick k = 1, 2, ... after the birth: step first, then look at what would be drawn.
TEST_P(RingTimeline, IsDrawnFromFrameDPlusOneToDPlusLPlusOneAndRemovedAfter)
{
    const auto [life, delay] = GetParam();
    onlyFirstRing(life, delay, 10, 100, 100, 0);
    AnimatedCircleGroup group;
    group.addWave(50, 50);
    ASSERT_EQ(group.theCirclesStore.size(), 1u);

    std::vector<int> drawnFrames;
    int removedAt = 0;
    for (int k = 1; k <= life + delay + 4 && removedAt == 0; ++k) {
        group.advanceFrame();
        if (group.isEmpty()) {
            removedAt = k;
            break;
        }
        const AnimatedCircle& ring = group.theCirclesStore.begin()->second;
        if (ring.isVisible()) {
            drawnFrames.push_back(k);
            if (k == delay + 1) {
                EXPECT_DOUBLE_EQ(ring.radius, 10);
                EXPECT_DOUBLE_EQ(ring.opacity, 100);
            }
            if (life > 0 && k == delay + life + 1) {
                EXPECT_NEAR(ring.radius, 100, 1e-9);
                EXPECT_NEAR(ring.opacity, 0, 1e-9);
            }
        }
    }
    ASSERT_FALSE(drawnFrames.empty());
    EXPECT_EQ(drawnFrames.front(), delay + 1);
    EXPECT_EQ(drawnFrames.back(), delay + life + 1);
    EXPECT_EQ(drawnFrames.size(), std::size_t(life + 1));
    EXPECT_EQ(removedAt, delay + life + 2);
}

INSTANTIATE_TEST_SUITE_P(Lives,
                         RingTimeline,
                         ::testing::Values(Timeline{15, 0},
                                           Timeline{1, 0},
                                           Timeline{0, 0},
                                           Timeline{30, 4},
                                           Timeline{0, 3}),
                         [](const auto& p) {
                             return "Life" + std::to_string(p.param.life) + "Delay" +
                                    std::to_string(p.param.delay);
                         });

class AnimatedCircleTest : public ::testing::Test
{
protected:
    testing::TablesGuard guard;
};

TEST_F(AnimatedCircleTest, LifeZeroNeverAppliesItsNonFiniteSteps)
{
    onlyFirstRing(0, 0, 10, 100, 100, 0);
    AnimatedCircle ring(0, 0, 0);
    EXPECT_FALSE(std::isfinite(ring.radiusStep));
    ring.step();
    EXPECT_TRUE(ring.isVisible());
    EXPECT_DOUBLE_EQ(ring.radius, 10);
    EXPECT_DOUBLE_EQ(ring.opacity, 100);
    EXPECT_TRUE(ring.isFinished());
}

TEST_F(AnimatedCircleTest, ShrinksAndBrightensWhenTheEndsAreReversed)
{
    onlyFirstRing(4, 0, 40, 20, 10, 90);
    AnimatedCircle ring(0, 0, 0);
    for (int k = 0; k < 5; ++k) {
        ring.step();
    }
    EXPECT_NEAR(ring.radius, 20, 1e-9);
    EXPECT_NEAR(ring.opacity, 90, 1e-9);
}

TEST_F(AnimatedCircleTest, EqualStartAndEndRadiusOnlyFades)
{
    onlyFirstRing(10, 0, 7, 7, 100, 0);
    AnimatedCircle ring(0, 0, 0);
    for (int k = 0; k < 6; ++k) {
        ring.step();
    }
    EXPECT_DOUBLE_EQ(ring.radius, 7);
    EXPECT_NEAR(ring.opacity, 50, 1e-9);
}

TEST_F(AnimatedCircleTest, IdentitiesCountUpAcrossWavesAndDistinguishEqualRings)
{
    const AnimatedCircle first(0, 5, 5);
    const AnimatedCircle second(0, 5, 5);
    EXPECT_EQ(second.uniqueID, first.uniqueID + 1);
    EXPECT_FALSE(first == second);
    EXPECT_TRUE(first == first);
}

TEST_F(AnimatedCircleTest, ChangingTheTableLeavesLiveRingsAlone)
{
    AnimatedCircleGroup group;
    group.addWave(0, 0);
    ringSettings().thickness[0] = 99;
    ringSettings().color[0] = Qt::magenta;
    for (const auto& [id, ring] : group.theCirclesStore) {
        EXPECT_NE(ring.thickness, 99);
        EXPECT_NE(ring.color, QColor(Qt::magenta));
    }
    group.addWave(0, 0);
    int changed = 0;
    for (const auto& [id, ring] : group.theCirclesStore) {
        changed += ring.thickness == 99 ? 1 : 0;
    }
    EXPECT_EQ(changed, 1);
}

} // namespace
} // namespace kelvara
