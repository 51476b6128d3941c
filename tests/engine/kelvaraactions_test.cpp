#include "canvas/artcanvasview.h"
#include "engine/kelvaraactions.h"
#include "support/fakekeepawake.h"
#include "support/painting.h"
#include "support/tablesguard.h"

#include <QImage>
#include <QPainter>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kelvara {
namespace {

using testing::onlyFirstRing;

class KelvaraActionsTest : public ::testing::Test
{
protected:
    KelvaraActionsTest()
        : engine(std::make_unique<testing::FakeKeepAwake>(&activity))
    {
        engine.savedAnimationInterval = 1.0 / 30.0;
        engine.renderScaleHoriz = 274.0 / 963.0;
        engine.renderScaleVert = 100.0 / 352.0;
    }

    int timerMs() const { return engine.animationTimer ? engine.animationTimer->interval() : -1; }

    void drawOnce()
    {
        QImage image(10, 10, QImage::Format_ARGB32);
        QPainter painter(&image);
        engine.drawWaves(painter);
    }

    testing::TablesGuard guard;
    testing::FakeKeepAwake::Counts activity;
    KelvaraActions engine;
};

TEST_F(KelvaraActionsTest, WaveStartArmsTheClockAtTheFrameIntervalFromNow)
{
    engine.startWave(10, 10);
    ASSERT_TRUE(engine.animationTimer);
    EXPECT_TRUE(engine.animationTimer->isActive());
    EXPECT_EQ(timerMs(), 33);
    EXPECT_DOUBLE_EQ(engine.animationInterval, 1.0 / 30.0);
    // Re-armed, not left running: the whole interval lies ahead.
    EXPECT_GE(engine.animationTimer->remainingTime(), 20);
    EXPECT_EQ(engine.animationTimer->timerType(), Qt::PreciseTimer);
}

TEST_F(KelvaraActionsTest, ClockKeepsTheFrameIntervalOneTickPastTheLastRingThenIdles)
{
    onlyFirstRing(2, 0); // drawn in ticks 1 to 3, removed in tick 4
    engine.startWave(10, 10);
    for (int tick = 1; tick <= 3; ++tick) {
        engine.animationStep(nullptr);
        EXPECT_FALSE(engine.theCircles.isEmpty()) << tick;
        EXPECT_EQ(timerMs(), 33) << tick;
    }
    engine.animationStep(nullptr); // removes the last ring
    EXPECT_TRUE(engine.theCircles.isEmpty());
    EXPECT_FALSE(engine.theCircles.rememberAnimationJustEnded);
    EXPECT_EQ(timerMs(), 33);

    engine.animationStep(nullptr);
    EXPECT_DOUBLE_EQ(engine.animationInterval, 5.0);
    EXPECT_EQ(timerMs(), 5000);

    engine.animationStep(nullptr); // idle ticks re-arm at the idle interval
    EXPECT_EQ(timerMs(), 5000);

    engine.startWave(1, 1);
    EXPECT_EQ(timerMs(), 33);
}

TEST_F(KelvaraActionsTest, WaveWithoutActiveRingsIdlesAtTheNextTick)
{
    ringSettings().active = {false, false, false, false, false};
    engine.startWave(10, 10);
    EXPECT_EQ(timerMs(), 33);
    engine.animationStep(nullptr);
    EXPECT_EQ(timerMs(), 5000);
}

TEST_F(KelvaraActionsTest, UnknownKeyCodeTouchesNothing)
{
    engine.startWaveForKey(113);
    EXPECT_TRUE(engine.theCircles.isEmpty());
    EXPECT_FALSE(engine.animationTimer);
    EXPECT_DOUBLE_EQ(engine.animationInterval, 1.0 / 15.0);
}

TEST_F(KelvaraActionsTest, KeyWaveStartsOnTheKeyFlippedAgainstOneHundred)
{
    engine.startWaveForKey(53); // Escape at (80, 57)
    ASSERT_EQ(engine.theCircles.theCirclesStore.size(), 3u);
    for (const auto& [id, ring] : engine.theCircles.theCirclesStore) {
        EXPECT_NEAR(ring.center.x(), 22.762201, 1e-6);
        EXPECT_NEAR(ring.center.y(), 83.806818, 1e-6);
    }
}

TEST_F(KelvaraActionsTest, FlipUsesOneHundredWhateverThePictureHeight)
{
    engine.renderScaleVert = 200.0 / 352.0;
    engine.startWaveForKey(53);
    for (const auto& [id, ring] : engine.theCircles.theCirclesStore) {
        EXPECT_NEAR(ring.center.y(), 100.0 - 57.0 * 200.0 / 352.0, 1e-9);
    }
}

TEST_F(KelvaraActionsTest, OverrideRowsMoveModifierWaves)
{
    keyLayoutTable().insertModifierOverrideRows();
    engine.startWaveForKey(55);
    for (const auto& [id, ring] : engine.theCircles.theCirclesStore) {
        EXPECT_NEAR(ring.center.x(), 468.0 * 274.0 / 963.0, 1e-9);
    }
}

TEST_F(KelvaraActionsTest, OneActivityForManyDrawingsReleasedByTheFirstEmptyDrawing)
{
    onlyFirstRing(1, 0);
    engine.startWave(5, 5);
    drawOnce();
    drawOnce();
    EXPECT_EQ(activity.begun, 1);
    EXPECT_EQ(activity.held.size(), 1u);

    engine.animationStep(nullptr);
    engine.animationStep(nullptr);
    drawOnce(); // one ring still there
    EXPECT_EQ(activity.ended, 0);
    engine.animationStep(nullptr); // ring removed
    drawOnce();
    EXPECT_EQ(activity.ended, 1);
    EXPECT_TRUE(activity.held.empty());
    EXPECT_FALSE(engine.noSleep);
    drawOnce();
    EXPECT_EQ(activity.ended, 1);
}

TEST_F(KelvaraActionsTest, TicksWithoutACanvasStillRunTheClock)
{
    onlyFirstRing(0, 0);
    engine.startWave(5, 5);
    engine.animationStep(nullptr);
    engine.animationStep(nullptr);
    engine.animationStep(nullptr);
    EXPECT_EQ(timerMs(), 5000);
}

TEST(KelvaraActionsClock, IntervalsThatAreNotFinitePositiveNeverReachTheTimer)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const double bad : {nan, inf, -inf, 0.0, -1.0 / 30.0}) {
        EXPECT_EQ(KelvaraActions::timerMilliseconds(bad), 33) << bad;
    }
    EXPECT_EQ(KelvaraActions::timerMilliseconds(1.0 / 59.0), 17); // rounded, not truncated
    EXPECT_EQ(KelvaraActions::timerMilliseconds(1e-6), 1);
    EXPECT_EQ(KelvaraActions::timerMilliseconds(5.0), 5000);
}

TEST(KelvaraActionsBackground, RenderScalesComeFromThePictureSize)
{
    testing::FakeKeepAwake::Counts counts;
    KelvaraActions engine(std::make_unique<testing::FakeKeepAwake>(&counts));
    artCanvasView canvas;
    engine.setBackground(&canvas, QStringLiteral("Midnight"));
    EXPECT_EQ(engine.renderWidth, 274);
    EXPECT_EQ(engine.renderHeight, 100);
    EXPECT_DOUBLE_EQ(engine.renderScaleHoriz, 274.0 / 963.0);
    EXPECT_DOUBLE_EQ(engine.renderScaleVert, 100.0 / 352.0);
    EXPECT_EQ(canvas.size(), QSize(274, 100));

    engine.setBackground(&canvas, QStringLiteral("No such picture"));
    EXPECT_EQ(engine.renderWidth, 274);
    EXPECT_EQ(engine.renderHeight, 100);
}

} // namespace
} // namespace kelvara
