#include "rings/animatedcirclegroup.h"
#include "support/painting.h"
#include "support/pertest.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace kelvara {
namespace {

using testing::onlyFirstRing;
using testing::paintRings;

struct Stroke
{
    const char* name;
    double x, y, radius, thickness;
    QPoint painted; // (-1, -1) for none
    QPoint clear;   // (-1, -1) for none
};

class RingStroke : public ::testing::TestWithParam<Stroke>
{};

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

TEST(AnimatedCircleGroup, LiveRingsStayAtTheBoundTheOldestGoingFirst)
{
    AnimatedCircleGroup group;
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
