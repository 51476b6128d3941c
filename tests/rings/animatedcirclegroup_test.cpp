#include "rings/animatedcirclegroup.h"
#include "support/painting.h"
#include "support/tablesguard.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace kelvara {
namespace {

using testing::onlyFirstRing;
using testing::paintRings;

class AnimatedCircleGroupTest : public ::testing::Test
{
protected:
    // The ring indices of one wave, in the order of their identities. Thickness i + 1 marks index
    // i.
    std::vector<int> ringsOfOneWave()
    {
        ringSettings().thickness = {1, 2, 3, 4, 5};
        group.addWave(0, 0);
        std::map<std::int64_t, int> byId;
        for (const auto& [id, ring] : group.theCirclesStore) {
            byId[id] = int(ring.thickness) - 1;
        }
        std::vector<int> indices;
        for (const auto& [id, index] : byId) {
            indices.push_back(index);
        }
        return indices;
    }

    testing::TablesGuard guard;
    AnimatedCircleGroup group;
};

TEST_F(AnimatedCircleGroupTest, WavesHoldOneRingPerActiveEntryInIndexOrder)
{
    EXPECT_EQ(ringsOfOneWave(), (std::vector<int>{0, 1, 4}));
    group.theCirclesStore.clear();
    ringSettings().active[2] = true;
    EXPECT_EQ(ringsOfOneWave(), (std::vector<int>{0, 1, 2, 4}));
    group.theCirclesStore.clear();
    ringSettings().active = {false, false, false, false, false};
    EXPECT_TRUE(ringsOfOneWave().empty());
}

TEST_F(AnimatedCircleGroupTest, OnlyTheStepThatRemovesTheLastRingRaisesTheFlag)
{
    group.advanceFrame(); // empty: no flag
    EXPECT_FALSE(group.rememberAnimationJustEnded);
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

    // Two waves at one point live on their own.
    onlyFirstRing(2, 0);
    group.addWave(5, 5);
    group.advanceFrame();
    group.addWave(5, 5);
    ASSERT_EQ(group.theCirclesStore.size(), 2u);
    for (int i = 0; i < 3; ++i) {
        group.advanceFrame(); // the first ring ends at the third
    }
    EXPECT_EQ(group.theCirclesStore.size(), 1u);
    group.advanceFrame();
    EXPECT_TRUE(group.isEmpty());
}

TEST_F(AnimatedCircleGroupTest, DrawingReportsLifeButDrawsNoRingInItsDelay)
{
    QImage image(10, 10, QImage::Format_ARGB32);
    QPainter painter(&image);
    EXPECT_FALSE(group.drawRings(painter));
    onlyFirstRing(10, 5, 20, 20);
    group.addWave(30, 30);
    group.advanceFrame();
    EXPECT_TRUE(group.drawRings(painter));
    QImage clear(60, 60, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    EXPECT_EQ(paintRings(group, 60), clear);
}

TEST_F(AnimatedCircleGroupTest, OpacityReplacesTheColoursAlphaAndRingsAreDrawnYUp)
{
    onlyFirstRing(10, 0, 30, 30, 40, 40);
    ringSettings().thickness[0] = 10;
    ringSettings().color[0] = QColor::fromRgbF(0, 0, 1, 0.2f);
    group.addWave(50, 20); // 20 points above the bottom edge
    group.advanceFrame();
    const QImage image = paintRings(group, 100);
    const QRgb pixel = image.pixel(80, 80);
    EXPECT_NEAR(qAlpha(pixel), 102, 1); // 0.4 x 255
    EXPECT_NEAR(qBlue(pixel), 255, 1);
    EXPECT_EQ(qAlpha(image.pixel(80, 20)), 0);
}

struct Stroke
{
    const char* name;
    double x, y, radius, thickness;
    QPoint painted; // (-1, -1) for none
    QPoint clear;   // (-1, -1) for none
};

class RingStroke : public ::testing::TestWithParam<Stroke>
{
protected:
    testing::TablesGuard guard;
};

// The stroke is the thickness but never more than the diameter; sizes and centres far past the
// canvas are clipped to it, with no conversion out of range and no more work than a ring the size
// of the canvas.
TEST_P(RingStroke, IsAsWideAsTheThicknessAllowsAndClippedToTheCanvas)
{
    const Stroke v = GetParam();
    onlyFirstRing(10, 0, v.radius, v.radius);
    ringSettings().thickness[0] = v.thickness;
    AnimatedCircleGroup group;
    group.addWave(v.x, v.y);
    group.advanceFrame();
    const QImage image = paintRings(group, 200);
    if (v.painted.x() >= 0) {
        EXPECT_GT(qAlpha(image.pixel(v.painted)), 200);
    }
    if (v.clear.x() >= 0) {
        EXPECT_EQ(qAlpha(image.pixel(v.clear)), 0);
    }
}

constexpr double huge = 1099511627776.0; // 2^40

INSTANTIATE_TEST_SUITE_P(
    Strokes, RingStroke,
    ::testing::Values(
        // radius 3, thickness 20: 6 wide; radius 50, thickness 20: 40 to 60
        Stroke{"DiameterWide", 100, 100, 3, 20, {105, 100}, {108, 100}},
        Stroke{"ThicknessWideOutside", 100, 100, 50, 20, {158, 100}, {162, 100}},
        Stroke{"ThicknessWideInside", 100, 100, 50, 20, {142, 100}, {100, 138}},
        Stroke{"CanvasInTheHole", 100, 100, huge, huge, {-1, -1}, {100, 100}},
        Stroke{"CanvasUnderTheStroke", 100, 100, huge, 2 * huge, {3, 197}, {-1, -1}},
        Stroke{"EdgeThroughTheCanvas", huge, 100, huge, 10, {2, 100}, {50, 100}},
        Stroke{"FarAway", -huge, -huge, 1, huge, {-1, -1}, {0, 199}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(AnimatedCircleGroupTest, LiveRingsStayAtTheBoundTheOldestGoingFirst)
{
    ringSettings().active = {true, true, true, true, true};
    ringSettings().life = {1e6, 1e6, 1e6, 1e6, 1e6}; // frames: hours
    for (int press = 0; press < 1000; ++press) {
        group.addWave(press, 0);
        group.advanceFrame();
    }
    ASSERT_EQ(group.theCirclesStore.size(), AnimatedCircleGroup::maxLiveRings);
    const auto newest =
        std::max_element(group.theCirclesStore.begin(), group.theCirclesStore.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    const auto oldest =
        std::min_element(group.theCirclesStore.begin(), group.theCirclesStore.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    EXPECT_EQ(newest->first - oldest->first + 1, std::int64_t(AnimatedCircleGroup::maxLiveRings));
    EXPECT_EQ(newest->second.center.x(), 999.0);
}

} // namespace
} // namespace kelvara
