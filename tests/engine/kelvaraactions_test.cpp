#include "engine/kelvaraactions.h"
#include "support/enginefixture.h"
#include "support/fakekeepawake.h"
#include "support/pertest.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

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

    testing::FakeKeepAwake::Counts activity;
    KelvaraActions engine;
};

TEST_F(KelvaraActionsTest, ClockRunsAtTheFrameIntervalUntilOneTickPastTheLastRingThenIdles)
{
    onlyFirstRing(2, 0); // drawn in ticks 1 to 3, removed in tick 4
    QSignalSpy running(&engine, &KelvaraActions::framesRunningChanged);
    QSignalSpy due(&engine, &KelvaraActions::frameDue);
    engine.startWave(10, 10);
    engine.startWave(20, 20); // already running: no second change
    EXPECT_TRUE(engine.animationTimer->isActive());
    EXPECT_EQ(engine.animationTimer->timerType(), Qt::PreciseTimer);
    EXPECT_GE(engine.animationTimer->remainingTime(), 20); // re-armed: a whole interval ahead
    for (int tick = 1; tick <= 4; ++tick) {
        engine.animationStep(nullptr);
        EXPECT_EQ(timerMs(), 33) << tick;
    }
    EXPECT_TRUE(engine.theCircles.isEmpty());
    engine.animationStep(nullptr);
    EXPECT_DOUBLE_EQ(engine.animationInterval, 5.0);
    EXPECT_EQ(timerMs(), 5000);
    engine.animationStep(nullptr); // the idle beat gathers nothing
    EXPECT_EQ(due.count(), 5);
    engine.startWave(1, 1);
    EXPECT_EQ(timerMs(), 33);
    ASSERT_EQ(running.count(), 3);
    EXPECT_EQ(running[0][0].toBool(), true);
    EXPECT_EQ(running[1][0].toBool(), false);
    EXPECT_EQ(running[2][0].toBool(), true);

    // A wave without active rings idles at the next tick.
    engine.theCircles.theCirclesStore.clear();
    ringSettings().active = {false, false, false, false, false};
    engine.startWave(10, 10);
    EXPECT_EQ(timerMs(), 33);
    engine.animationStep(nullptr);
    EXPECT_EQ(timerMs(), 5000);
}

TEST_F(KelvaraActionsTest, OneActivityForManyDrawingsReleasedByTheFirstEmptyDrawing)
{
    onlyFirstRing(1, 0);
    engine.startWave(5, 5);
    drawOnce();
    drawOnce();
    EXPECT_EQ(activity.begun, 1);
    engine.animationStep(nullptr);
    engine.animationStep(nullptr);
    drawOnce();
    EXPECT_EQ(activity.ended, 0);
    engine.animationStep(nullptr); // removes the ring; there is no canvas to draw
    drawOnce();
    drawOnce();
    EXPECT_EQ(activity.ended, 1);
    EXPECT_TRUE(activity.held.empty());
    EXPECT_FALSE(engine.noSleep);
}

class TickOnScreen : public testing::EngineFixture,
                     public ::testing::WithParamInterface<std::pair<const char*, bool>>
{};

// A window nobody sees is not drawn on screen; the keyboard gets every frame all the same.
TEST_P(TickOnScreen, DrawsOnlyAWindowThatShows)
{
    const auto& [state, drawn] = GetParam();
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    if (state == std::string("hidden")) {
        canvas.hide();
    } else if (state == std::string("minimised")) {
        canvas.showMinimized();
    }

    struct Counter : QObject
    {
        int paints = 0;

        bool eventFilter(QObject*, QEvent* event) override
        {
            paints += event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
    } counter;

    canvas.installEventFilter(&counter);
    const std::size_t passes = leds->passes().size();
    engine.startWave(50, 50);
    engine.animationStep(nullptr);
    engine.animationStep(nullptr);
    EXPECT_EQ(counter.paints > 0, drawn) << state;
    EXPECT_EQ(leds->passes().size(), passes + 2);
}

INSTANTIATE_TEST_SUITE_P(States, TickOnScreen,
                         ::testing::Values(std::pair("shown", true), std::pair("hidden", false),
                                           std::pair("minimised", false)),
                         [](const auto& p) { return std::string(p.param.first); });

} // namespace
} // namespace kelvara
