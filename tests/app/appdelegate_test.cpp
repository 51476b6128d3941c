#include "app/appdelegate.h"
#include "app/trayicon.h"
#include "canvas/artcanvasview.h"
#include "canvas/backgroundpictures.h"
#include "led/openrgbbackend.h"
#include "platform/event.h"
#include "platform/urlopener.h"
#include "prefs/preferencestore.h"
#include "support/applicationfixture.h"
#include "support/eventloop.h"
#include "support/fakeopenrgbserver.h"
#include "support/keypipe.h"
#include "support/recordingledbackend.h"

#include <QFileInfo>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
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
    EXPECT_EQ(delegate->theApp->drawCanvas.get(), static_cast<EngineCanvas*>(delegate->artCanvas));
    EXPECT_EQ(delegate->theApp->animationTimer->interval(), 33);
    EXPECT_EQ(delegate->artCanvas->pointSize(), QSize(274, 100));
    // The window opens with keys twice the picture's size, the picture filling it.
    EXPECT_EQ(delegate->artCanvas->sizeHint(), QSize(548, 200));
    // Within two thirds of this small test screen, as Qt opens windows.
    EXPECT_GT(delegate->artCanvas->viewScale(), 1.5);
}

// A service that comes late and goes, over a real socket, and another program on the keyboard:
// the status line, Help and both tooltips follow.
TEST_F(ApplicationTest, TheStatusLineHelpAndTrayFollowTheServiceAsItChanges)
{
    withTray = true;
    FakeOpenRgbServer server(6, {FakeOpenRgbServer::keyboard()}, port);
    server.stop();
    installLedBackend(std::make_unique<OpenRgbBackend>(QStringLiteral("127.0.0.1"), port));
    const QColor initial = delegate->statusTextField->palette().color(QPalette::WindowText);
    launch(false);
    const auto shows = [this](const char* text, bool help) {
        return delegate->statusTextField->text() == QLatin1String(text) &&
               delegate->helpMeBtn->isHidden() == !help;
    };
    const char* notRunning = "LGS is not running. It is required.";
    EXPECT_TRUE(shows(notRunning, true));
    EXPECT_NE(delegate->statusTextField->palette().color(QPalette::WindowText), initial);
    server.restart();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shows("Connected to LGS.", false); }, 3000));
    EXPECT_EQ(delegate->statusTextField->palette().color(QPalette::WindowText), initial);
    EXPECT_TRUE(delegate->statusTextField->toolTip().startsWith(
        QStringLiteral("OpenRGB SDK server at 127.0.0.1, port %1").arg(port)));

    LightingServiceStatus& status = ledBackend().serviceStatus();
    LightingServiceState writers = status.state();
    writers.otherWriters = {QStringLiteral("Board")};
    status.set(writers);
    for (const QString& tip :
         {delegate->statusTextField->toolTip(), delegate->trayIcon()->icon().toolTip()}) {
        EXPECT_TRUE(tip.contains(QStringLiteral("setting the colours of \"Board\" too")))
            << tip.toStdString();
    }
    server.stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shows(notRunning, true); }, 10000));
    EXPECT_TRUE(delegate->trayIcon()->icon().toolTip().startsWith(
        QStringLiteral("LGS is not running. It is required.\n")));
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
    delegate->window->hide(); // "Not now" holds when the window comes back
    delegate->window->show();
    QTest::qWait(50);
    EXPECT_FALSE(delegate->permissionSheet->isVisible());

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

    // A click does the same at the clicked point of the enlarged picture: the space bar, at
    // (332, 263).
    const auto space = lastSent(44);
    const QRectF view = delegate->artCanvas->viewRect();
    const double scale = delegate->artCanvas->viewScale();
    QTest::mouseClick(
        delegate->artCanvas, Qt::LeftButton, {},
        (view.topLeft() + QPointF(332 * 274.0 / 963, 263 * 100.0 / 352) * scale).toPoint());
    delegate->theApp->animationStep(nullptr);
    delegate->theApp->animationStep(nullptr);
    EXPECT_NE(lastSent(44), space);
    tickUntilIdle();
    EXPECT_EQ(lastSent(44), space);
}

// The window may be any size: the picture fills it with its proportions kept, and what the keys
// get does not change with it.
TEST_F(ApplicationTest, TheKeysGetTheSameColoursWhateverTheWindowsSize)
{
    launch(false);
    delegate->permissionSheet->done(0);
    delegate->theApp->startWave(100, 50);
    delegate->theApp->animationStep(nullptr);
    const auto before = leds->passes().back();
    for (const QSize size : {QSize(900, 280), QSize(300, 700)}) {
        const QSize old = delegate->artCanvas->size();
        delegate->window->resize(size);
        ASSERT_TRUE(QTest::qWaitFor([&] { return delegate->artCanvas->size() != old; }, 5000));
        const QRectF view = delegate->artCanvas->viewRect();
        // Fitted: as wide or as high as the view, centred the other way.
        EXPECT_TRUE(qFuzzyCompare(view.width(), delegate->artCanvas->width() * 1.0) ||
                    qFuzzyCompare(view.height(), delegate->artCanvas->height() * 1.0));
        EXPECT_NEAR(view.width() / view.height(), 2.74, 0.01);
        EXPECT_NEAR(view.center().x(), delegate->artCanvas->width() / 2.0, 1.0);
        EXPECT_NEAR(view.center().y(), delegate->artCanvas->height() / 2.0, 1.0);
        delegate->artCanvas->repaint();
        delegate->theApp->updateKeyLights();
        EXPECT_EQ(leds->passes().back(), before) << size.width() << "x" << size.height();
    }
}

TEST_F(ApplicationTest, ClosingTheMainWindowRunsTheTerminationStepsAndTheWindowComesBackThere)
{
    launch(false);
    delegate->permissionSheet->done(0);
    delegate->window->move(123, 77);
    delegate->theApp->startWave(50, 50);
    delegate->theApp->animationStep(nullptr); // draws: the activity is held
    ASSERT_TRUE(delegate->theApp->noSleep);
    steps.clear();

    EXPECT_EQ(testing::runEventLoop(10000, [this] { delegate->window->close(); }), 0);

    EXPECT_EQ(steps, (std::vector<std::string>{"end activity", "shutdown"}));
    EXPECT_FALSE(delegate->theApp->noSleep);
    EXPECT_FALSE(delegate->theApp->animationTimer->isActive());
    EXPECT_EQ(delegate->eventMonitors.monitorCount(), 0u);
    EXPECT_TRUE(AppDelegate::applicationShouldTerminateAfterLastWindowClosed());
    const QByteArray saved = delegate->window->saveGeometry();
    delegate.reset();
    delegate = makeDelegate();
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

// The launched program with a keyboard that is a pipe, and a count of the presses it saw.
class KeysThroughAPipe : public ApplicationTest
{
protected:
    KeysThroughAPipe()
    {
        launch(false);
        delegate->permissionSheet->done(0);
        delegate->eventMonitors.setActiveCheck([] { return false; });
        delegate->globalKeyInput.evdev().addDescriptor(keyboard.readEnd(),
                                                       QStringLiteral("pipe keyboard"));
        delegate->eventMonitors.addGlobalMonitor(keyDownMask, [this](const Event&) { ++seen; });
    }

    KelvaraActions& engine = *delegate->theApp;
    testing::KeyPipe keyboard;
    int seen = 0;
};

// While rings move, the key devices are read at each frame; at rest they wake the event loop.
TEST_F(KeysThroughAPipe, WhileRingsMoveKeysAreReadAtTheFrameAndAtRestAtOnce)
{
    ASSERT_TRUE(QTest::qWaitFor([&] { return !engine.framesRunning(); }, 5000));
    keyboard.press({KEY_A});
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen == 1; }, 2000));
    EXPECT_TRUE(engine.framesRunning());

    engine.animationTimer->stop(); // no tick comes unless asked for
    keyboard.press({KEY_S});
    QTest::qWait(100);
    EXPECT_EQ(seen, 1);
    engine.animationStep(nullptr);
    EXPECT_EQ(seen, 2);

    engine.rearmTimer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !engine.framesRunning(); }, 60000));
    keyboard.press({KEY_D});
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen == 3; }, 2000));
}

// A thousand presses in one second, as ten bursts of a hundred letters: every one is seen and
// starts its wave, frames go on between the bursts, and it all ends at rest.
TEST_F(KeysThroughAPipe, AFloodOfKeyPressesIsAllSeenWhileFramesGoOnAndEndsAtRest)
{
    engine.updateKeyLights();
    const auto resting = lastSent(4); // A
    engine.startWave(10, 10); // marks where the count of rings starts: three first-run rings
    const std::int64_t before = newestRing(engine.theCircles);
    const std::size_t passesBefore = leds->passes().size();
    for (int burst = 0; burst < 10; ++burst) {
        for (int i = 0; i < 10; ++i) {
            keyboard.press({KEY_Q, KEY_W, KEY_E, KEY_R, KEY_T, KEY_Y, KEY_U, KEY_I, KEY_O, KEY_P});
        }
        QTest::qWait(100);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen == 1000; }, 20000)) << seen;
    EXPECT_GT(leds->passes().size(), passesBefore);
    engine.startWave(10, 10);
    EXPECT_EQ(newestRing(engine.theCircles) - before, 3 * 1001); // one wave per press

    EXPECT_TRUE(QTest::qWaitFor([&] { return engine.animationInterval >= 1.0; }, 60000));
    EXPECT_TRUE(engine.theCircles.isEmpty());
    EXPECT_EQ(lastSent(4), resting);
    EXPECT_FALSE(engine.noSleep);
}

} // namespace
} // namespace kelvara
