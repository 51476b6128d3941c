#include "app/appdelegate.h"
#include "app/trayicon.h"
#include "canvas/artcanvasview.h"
#include "canvas/backgroundpictures.h"
#include "led/openrgbbackend.h"
#include "platform/event.h"
#include "platform/systemlog.h"
#include "platform/urlopener.h"
#include "prefs/preferencestore.h"
#include "support/applicationfixture.h"
#include "support/eventloop.h"
#include "support/fakeopenrgbserver.h"
#include "support/recordingledbackend.h"

#include <QFileInfo>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>
#include <vector>

namespace kelvara {
namespace {

using Kind = RecordingLedBackend::Kind;
using testing::ApplicationTest;
using testing::FakeOpenRgbServer;

TEST_F(ApplicationTest, WithoutServiceAndAccessTheUserIsToldAndTheAnimationRuns)
{
    delegate->bottomInfoTextField->setText(QStringLiteral("Hello"));
    const QColor initial = delegate->statusTextField->palette().color(QPalette::WindowText);
    launch(false);
    EXPECT_EQ(delegate->statusTextField->text(),
              QStringLiteral("LGS is not running. It is required."));
    EXPECT_NE(delegate->statusTextField->palette().color(QPalette::WindowText), initial);
    EXPECT_TRUE(delegate->helpMeBtn->isVisible());
    EXPECT_EQ(leds->initCalls, 0);
    EXPECT_TRUE(delegate->permissionSheet->isVisible());
    EXPECT_EQ(delegate->permissionSheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(delegate->bottomInfoTextField->text(), QStringLiteral("v1.2 Hello"));
    EXPECT_TRUE(delegate->window->isVisible());
    EXPECT_EQ(delegate->theApp->drawCanvas, delegate->artCanvas);
    EXPECT_EQ(delegate->theApp->animationTimer->interval(), 33);
    EXPECT_EQ(delegate->artCanvas->size(), QSize(274, 100));
}

TEST_F(ApplicationTest, TheStatusLineHelpAndTrayFollowTheServiceAsItChanges)
{
    using Status = LightingServiceState::Status;
    withTray = true;
    const QColor initial = delegate->statusTextField->palette().color(QPalette::WindowText);
    launch(true);
    EXPECT_EQ(delegate->statusTextField->text(), QStringLiteral("Connected to LGS."));
    EXPECT_EQ(leds->initCalls, 1);
    EXPECT_EQ(delegate->statusTextField->toolTip(),
              QStringLiteral("OpenRGB SDK server at 127.0.0.1, port %1").arg(port));
    LightingServiceStatus& status = leds->serviceStatus();
    status.set({Status::NotRunning, QStringLiteral("connection closed"), {}});
    EXPECT_EQ(delegate->statusTextField->text(),
              QStringLiteral("LGS is not running. It is required."));
    EXPECT_FALSE(delegate->helpMeBtn->isHidden());
    EXPECT_EQ(delegate->trayIcon()->icon().toolTip(),
              QStringLiteral("LGS is not running. It is required.\nConnection closed."));

    status.set(
        {Status::Connected, QStringLiteral("1 keyboard taken over"), {QStringLiteral("Board")}});
    EXPECT_EQ(delegate->statusTextField->text(), QStringLiteral("Connected to LGS."));
    EXPECT_TRUE(delegate->helpMeBtn->isHidden());
    EXPECT_EQ(delegate->statusTextField->palette().color(QPalette::WindowText), initial);
    for (const QString& tip :
         {delegate->statusTextField->toolTip(), delegate->trayIcon()->icon().toolTip()}) {
        EXPECT_TRUE(tip.contains(QStringLiteral("setting the colours of \"Board\" too")))
            << tip.toStdString();
    }
}

TEST_F(ApplicationTest, AServiceThatComesLateOrGoesIsShownWithinSeconds)
{
    FakeOpenRgbServer::Device board;
    board.leds = FakeOpenRgbServer::fullKeyboardLeds();
    FakeOpenRgbServer server(6, {board}, port);
    server.stop();
    installLedBackend(std::make_unique<OpenRgbBackend>(QStringLiteral("127.0.0.1"), port));
    launch(false);
    const auto shows = [this](const char* text, bool help) {
        return delegate->statusTextField->text() == QLatin1String(text) &&
               delegate->helpMeBtn->isHidden() == !help;
    };
    EXPECT_TRUE(shows("LGS is not running. It is required.", true));
    server.restart();
    EXPECT_TRUE(QTest::qWaitFor([&] { return shows("Connected to LGS.", false); }, 3000));
    server.stop();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return shows("LGS is not running. It is required.", true); }, 10000));
}

TEST_F(ApplicationTest, ThePermissionSheetsButtons)
{
    launch(false);
    auto* showHow =
        delegate->permissionSheet->findChild<QPushButton*>(QStringLiteral("showHowButton"));
    auto* notNow =
        delegate->permissionSheet->findChild<QPushButton*>(QStringLiteral("notNowButton"));
    ASSERT_EQ(showHow->property("tag").toInt(), 1);
    QTest::mouseClick(notNow, Qt::LeftButton);
    EXPECT_FALSE(delegate->permissionSheet->isVisible());
    EXPECT_TRUE(opened.empty());

    delegate->permissionSheet->open();
    QTest::mouseClick(showHow, Qt::LeftButton);
    EXPECT_FALSE(delegate->permissionSheet->isVisible());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(QFileInfo(opened.front().toLocalFile()).size() > 100);
}

TEST_F(ApplicationTest, AStoredBackgroundWithoutPictureFallsBackToMidnight)
{
    openPreferenceStore()->setValue(prefsInitedKey, true);
    openPreferenceStore()->setValue(backgroundKey, QStringLiteral("Gone"));
    launch(false);
    EXPECT_EQ(delegate->backgroundPopup->currentIndex(), -1);
    EXPECT_EQ(delegate->artCanvas->backgroundImage,
              *backgroundPictureNamed(QStringLiteral("Midnight")));
}

TEST_F(ApplicationTest, AKeyOrAClickLightsItsLedAndLetsItReturnToThePicture)
{
    launch(false);
    delegate->permissionSheet->done(0);
    delegate->eventMonitors.setActiveCheck([] { return true; });
    delegate->theApp->updateKeyLights();
    const auto resting = lastSent(4); // A

    QTest::keyClick(delegate->window->windowHandle(), Qt::Key_A);
    ASSERT_FALSE(delegate->theApp->theCircles.isEmpty());
    delegate->theApp->animationStep(nullptr);
    delegate->theApp->animationStep(nullptr);
    const auto lit = lastSent(4);
    EXPECT_NE(lit, resting);
    EXPECT_GT(lit.red + lit.green, 150); // yellow and white rings
    EXPECT_NE(lastSent(99), lit);        // keypad period is far away

    tickUntilIdle();
    EXPECT_EQ(lastSent(4), resting);
    EXPECT_EQ(delegate->theApp->animationTimer->interval(), 5000);

    // A click does the same at the clicked point: the space bar, at (332, 263).
    const auto space = lastSent(44);
    QTest::mouseClick(delegate->artCanvas, Qt::LeftButton, {},
                      QPoint(int(332 * 274.0 / 963), int(263 * 100.0 / 352)));
    delegate->theApp->animationStep(nullptr);
    delegate->theApp->animationStep(nullptr);
    EXPECT_NE(lastSent(44), space);
    tickUntilIdle();
    EXPECT_EQ(lastSent(44), space);
}

TEST_F(ApplicationTest, ClosingTheMainWindowRunsTheTerminationSteps)
{
    launch(false);
    delegate->permissionSheet->done(0);
    delegate->theApp->startWave(50, 50);
    delegate->theApp->animationStep(nullptr); // draws: the activity is held
    ASSERT_TRUE(delegate->theApp->noSleep);
    steps.clear();

    EXPECT_EQ(testing::runEventLoop(10000, [this] { delegate->window->close(); }), 0);

    EXPECT_EQ(steps, (std::vector<std::string>{"end activity", "shutdown"}));
    EXPECT_FALSE(delegate->theApp->noSleep);
    EXPECT_FALSE(delegate->theApp->animationTimer->isActive());
    EXPECT_EQ(delegate->eventMonitors.monitorCount(), 0u);
    EXPECT_FALSE(
        openPreferenceStore()->value(QStringLiteral("windowPosition")).toByteArray().isEmpty());
    EXPECT_TRUE(AppDelegate::applicationShouldTerminateAfterLastWindowClosed());
}

TEST_F(ApplicationTest, TheWindowComesBackWhereItWasLeft)
{
    launch(false);
    delegate->window->move(123, 77);
    delegate->applicationWillTerminate();
    const QByteArray saved =
        openPreferenceStore()->value(QStringLiteral("windowPosition")).toByteArray();
    delegate.reset();
    delegate = std::make_unique<AppDelegate>(
        std::make_unique<KelvaraActions>(std::make_unique<testing::FakeKeepAwake>(&activity)));
    delegate->inputDeviceDirectory = devices.path();
    delegate->trayAvailable = [] {
        return false;
    };
    launch(false);
    EXPECT_EQ(delegate->window->saveGeometry(), saved);
}

// The newest ring identity in the store, or 0.
std::int64_t newestRing(const AnimatedCircleGroup& group)
{
    std::int64_t newest = 0;
    for (const auto& [id, circle] : group.theCirclesStore) {
        newest = std::max(newest, id);
    }
    return newest;
}

// While rings move, the key devices are read at each frame; at rest they wake the event loop.
TEST_F(ApplicationTest, WhileRingsMoveKeysAreReadAtTheFrameAndAtRestAtOnce)
{
    launch(false);
    delegate->permissionSheet->done(0);
    delegate->eventMonitors.setActiveCheck([] { return false; });
    KelvaraActions& engine = *delegate->theApp;
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0);
    delegate->globalKeyInput.evdev().addDescriptor(fds[0], QStringLiteral("test keyboard"));
    int seen = 0;
    delegate->eventMonitors.addGlobalMonitor(keyDownMask, [&](const Event&) { ++seen; });
    const auto press = [&](std::uint16_t code) {
        const input_event records[] = {{{}, EV_KEY, code, 1},
                                       {{}, EV_SYN, SYN_REPORT, 0},
                                       {{}, EV_KEY, code, 0},
                                       {{}, EV_SYN, SYN_REPORT, 0}};
        ASSERT_EQ(::write(fds[1], records, sizeof records), ssize_t(sizeof records));
    };

    ASSERT_TRUE(QTest::qWaitFor([&] { return !engine.framesRunning(); }, 5000));
    press(KEY_A);
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen == 1; }, 2000));
    EXPECT_TRUE(engine.framesRunning());

    engine.animationTimer->stop(); // no tick comes unless asked for
    press(KEY_S);
    QTest::qWait(100);
    EXPECT_EQ(seen, 1);
    engine.animationStep(nullptr);
    EXPECT_EQ(seen, 2);

    engine.rearmTimer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !engine.framesRunning(); }, 60000));
    press(KEY_D);
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen == 3; }, 2000));
    ::close(fds[1]);
}

TEST_F(ApplicationTest, AFloodOfKeyPressesIsAllSeenWhileFramesGoOnAndEndsAtRest)
{
    launch(false);
    delegate->permissionSheet->done(0);
    delegate->eventMonitors.setActiveCheck([] { return false; });
    KelvaraActions& engine = *delegate->theApp;
    engine.updateKeyLights();
    const auto resting = lastSent(4); // A

    int fds[2];
    ASSERT_EQ(pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0);
    delegate->globalKeyInput.evdev().addDescriptor(fds[0], QStringLiteral("flood keyboard"));
    int seen = 0;
    delegate->eventMonitors.addGlobalMonitor(keyDownMask, [&](const Event&) { ++seen; });

    // Marks where the count of rings starts: one wave of the three first-run rings.
    engine.startWave(10, 10);
    const std::int64_t before = newestRing(engine.theCircles);

    // A thousand presses in one second, as ten bursts of a hundred: every letter key in turn,
    // each pressed and released in reports of its own.
    constexpr int presses = 1000;
    const int letters[] = {KEY_Q, KEY_W, KEY_E, KEY_R, KEY_T, KEY_Y, KEY_U, KEY_I, KEY_O,
                           KEY_P, KEY_A, KEY_S, KEY_D, KEY_F, KEY_G, KEY_H, KEY_J, KEY_K,
                           KEY_L, KEY_Z, KEY_X, KEY_C, KEY_V, KEY_B, KEY_N, KEY_M};
    const std::size_t passesBefore = leds->passes().size();
    for (int burst = 0; burst < 10; ++burst) {
        std::vector<input_event> records;
        for (int i = 0; i < presses / 10; ++i) {
            const auto code =
                std::uint16_t(letters[std::size_t(burst * 100 + i) % std::size(letters)]);
            for (const int value : {1, 0}) {
                records.push_back(input_event{{}, EV_KEY, code, value});
                records.push_back(input_event{{}, EV_SYN, SYN_REPORT, 0});
            }
        }
        const auto bytes = ssize_t(records.size() * sizeof(input_event));
        ASSERT_EQ(::write(fds[1], records.data(), std::size_t(bytes)), bytes);
        QTest::qWait(100);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen == presses; }, 20000)) << seen;
    // Frames went on between the bursts.
    EXPECT_GT(leds->passes().size(), passesBefore);

    engine.startWave(10, 10);
    EXPECT_EQ(newestRing(engine.theCircles) - before, 3 * (presses + 1)); // one wave per press

    // Once the rings have run their course the keyboard shows the picture again and the clock
    // falls back to its idle beat.
    EXPECT_TRUE(QTest::qWaitFor([&] { return engine.animationInterval >= 1.0; }, 60000));
    EXPECT_TRUE(engine.theCircles.isEmpty());
    EXPECT_EQ(lastSent(4), resting);
    EXPECT_FALSE(engine.noSleep);
    ::close(fds[1]);
}

} // namespace
} // namespace kelvara
