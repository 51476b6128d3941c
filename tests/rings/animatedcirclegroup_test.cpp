#include "rings/animatedcirclegroup.h"
#include "support/painting.h"
#include "support/tablesguard.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace kelvara {
namespace {

using testing::onlyFirstRing;
using testing::paintRings;

class AnimatedCircleGroupTest : public ::testing::Test
{
protected:
    testing::TablesGuard guard;
    AnimatedCircleGroup group;

    std::vector<int> ringIndicesOfOneWave()
    {
        group.addWave(0, 0);
        std::vector<std::pair<std::int64_t, double>> rings;
        for (const auto& [id, ring] : group.theCirclesStore) {
            rings.emplace_back(id, ring.thickness);
        }
        std::sort(rings.begin(), rings.end());
        std::vector<int> indices;
        for (const auto& [id, thickness] : rings) {
            for (int i = 0; i < 5; ++i) {
                if (ringSettings().thickness[std::size_t(i)] == thickness) {
                    indices.push_back(i);
                    break;
                }
            }
        }
        return indices;
    }
};

TEST_F(AnimatedCircleGroupTest, StepOnAnEmptyStoreLeavesTheFlagDown)
{
    group.advanceFrame();
    EXPECT_FALSE(group.rememberAnimationJustEnded);
}

TEST_F(AnimatedCircleGroupTest, OnlyTheStepThatRemovesTheLastRingRaisesTheFlag)
{
    onlyFirstRing(1, 0);
    group.addWave(0, 0);
    group.advanceFrame();
    group.advanceFrame();
    EXPECT_FALSE(group.rememberAnimationJustEnded);
    group.advanceFrame();
    EXPECT_TRUE(group.isEmpty());
    EXPECT_TRUE(group.rememberAnimationJustEnded);

    group.rememberAnimationJustEnded = false;
    group.advanceFrame();
    EXPECT_FALSE(group.rememberAnimationJustEnded);
}

TEST_F(AnimatedCircleGroupTest, FirstWaveHasRingsOneTwoAndFiveInIndexOrder)
{
    // Thicknesses 20, 4, 10, 4, 6 tell the rings apart except 2 and 4, which are not both active.
    EXPECT_EQ(ringIndicesOfOneWave(), (std::vector<int>{0, 1, 4}));
}

TEST_F(AnimatedCircleGroupTest, ActivatingRingThreeGivesFourRings)
{
    ringSettings().active[2] = true;
    ringSettings().thickness = {20, 4, 10, 5, 6};
    EXPECT_EQ(ringIndicesOfOneWave(), (std::vector<int>{0, 1, 2, 4}));
}

TEST_F(AnimatedCircleGroupTest, NoActiveRingAddsNothing)
{
    ringSettings().active = {false, false, false, false, false};
    group.addWave(10, 10);
    EXPECT_TRUE(group.isEmpty());
}

TEST_F(AnimatedCircleGroupTest, TwoWavesAtOnePointLiveOnTheirOwn)
{
    onlyFirstRing(2, 0);
    group.addWave(5, 5);
    group.advanceFrame();
    group.addWave(5, 5);
    ASSERT_EQ(group.theCirclesStore.size(), 2u);
    group.advanceFrame();
    group.advanceFrame();
    group.advanceFrame(); // the first ring ends here, the second a tick later
    EXPECT_EQ(group.theCirclesStore.size(), 1u);
    group.advanceFrame();
    EXPECT_TRUE(group.isEmpty());
}

TEST_F(AnimatedCircleGroupTest, DrawingReportsWhetherAnyRingLives)
{
    QImage image(10, 10, QImage::Format_ARGB32);
    QPainter painter(&image);
    EXPECT_FALSE(group.drawRings(painter));

    onlyFirstRing(10, 5);
    group.addWave(5, 5);
    EXPECT_TRUE(group.drawRings(painter));
}

TEST_F(AnimatedCircleGroupTest, RingsInTheirDelayAreNotDrawn)
{
    onlyFirstRing(10, 5, 20, 20);
    group.addWave(30, 30);
    group.advanceFrame();
    const QImage image = paintRings(group, 60);
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 60; ++x) {
            ASSERT_EQ(qAlpha(image.pixel(x, y)), 0) << x << "," << y;
        }
    }
}

struct Stroke
{
    double radius;
    double thickness;
    double insideEdge;  // distance from the centre that must be painted
    double outsideEdge; // distance that must stay clear
};

class RingStrokeWidth : public ::testing::TestWithParam<Stroke>
{
protected:
    testing::TablesGuard guard;
};

TEST_P(RingStrokeWidth, IsTheThicknessButNeverMoreThanTheDiameter)
{
    const Stroke s = GetParam();
    onlyFirstRing(10, 0, s.radius, s.radius);
    ringSettings().thickness[0] = s.thickness;
    ringSettings().color[0] = QColor(255, 0, 0);
    AnimatedCircleGroup group;
    group.addWave(100, 100);
    group.advanceFrame();
    const QImage image = paintRings(group, 200);
    EXPECT_GT(qAlpha(image.pixel(100 + int(s.insideEdge), 100)), 200);
    EXPECT_EQ(qAlpha(image.pixel(100 + int(s.outsideEdge), 100)), 0);
    EXPECT_EQ(qAlpha(image.pixel(100, 100 - int(s.outsideEdge))), 0);
}

INSTANTIATE_TEST_SUITE_P(Widths,
                         RingStrokeWidth,
                         ::testing::Values(
                             // radius 3, thickness 20: stroked 6 wide, from 0 to 6
                             Stroke{3, 20, 5, 8},
                             // radius 50, thickness 20: stroked 20 wide, from 40 to 60
                             Stroke{50, 20, 58, 62},
                             Stroke{50, 20, 42, 38}),
                         [](const auto& p) {
                             return "Radius" + std::to_string(int(p.param.radius)) + "Clear" +
                                    std::to_string(int(p.param.outsideEdge));
                         });

TEST_F(AnimatedCircleGroupTest, OpacityReplacesTheColoursOwnAlpha)
{
    onlyFirstRing(10, 0, 30, 30, 40, 40);
    ringSettings().thickness[0] = 10;
    ringSettings().color[0] = QColor::fromRgbF(0, 0, 1, 0.2f);
    group.addWave(50, 50);
    group.advanceFrame();
    const QImage image = paintRings(group, 100);
    const QRgb pixel = image.pixel(80, 50);
    EXPECT_NEAR(qAlpha(pixel), 102, 1); // 0.4 x 255
    EXPECT_NEAR(qBlue(pixel), 255, 1);
}

TEST_F(AnimatedCircleGroupTest, RingsAreDrawnYUp)
{
    onlyFirstRing(10, 0, 4, 4);
    ringSettings().thickness[0] = 8;
    group.addWave(20, 10); // 10 points above the bottom edge
    group.advanceFrame();
    const QImage image = paintRings(group, 100);
    EXPECT_GT(qAlpha(image.pixel(20, 89)), 0);
    EXPECT_EQ(qAlpha(image.pixel(20, 10)), 0);
}

} // namespace
} // namespace kelvara
