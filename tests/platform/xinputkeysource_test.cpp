#include "engine/kelvaraactions.h"
#include "input/keylistener.h"
#include "platform/eventmonitors.h"
#include "platform/keystatetracker.h"
#include "platform/xinputkeysource.h"
#include "support/fakekeepawake.h"
#include "support/tablesguard.h"
#include "support/waves.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

namespace kelvara {
namespace {

// The X11 source against a real X server: Xvfb started for the suite, keys injected by X key code
// with xdotool, read as raw events on the root window and turned into waves.
class XInputKeySourceTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            return;
        }
        server = new QProcess;
        server->start(QStringLiteral("Xvfb"),
                      QStringLiteral("-displayfd 1 -nolisten tcp -screen 0 320x240x24").split(' '));
        if (server->waitForStarted(5000) && server->waitForReadyRead(10000)) {
            display = ":" + server->readAllStandardOutput().trimmed();
            previousDisplay = qgetenv("DISPLAY");
            qputenv("DISPLAY", display);
        }
    }

    static void TearDownTestSuite()
    {
        if (server) {
            server->terminate();
            server->waitForFinished(5000);
            delete server;
            server = nullptr;
            qputenv("DISPLAY", previousDisplay);
        }
    }

    XInputKeySourceTest()
        : engine(std::make_unique<testing::FakeKeepAwake>(&counts))
        , source(keys, [this](const Event& e) { monitors.dispatchGlobal(e); })
        , listener(monitors)
    {
        testing::onlyFirstRing(1e6, 0);
        engine.savedAnimationInterval = 1.0 / 30.0;
        engine.renderScaleHoriz = engine.renderScaleVert = 1.0;
        monitors.setActiveCheck([] { return false; });
        monitors.setInputAccessCheck([this] { return source.isWorking(); });
    }

    void SetUp() override
    {
        if (display.isEmpty()) {
            GTEST_SKIP() << "needs Xvfb and xdotool";
        }
        ASSERT_TRUE(source.start());
        ASSERT_TRUE(listener.startListening(&engine));
    }

    // Key codes of ten and more; one-digit numbers are key names to xdotool.
    static void xdotool(const char* arguments)
    {
        ASSERT_EQ(
            QProcess::execute(QStringLiteral("xdotool"), QString::fromLatin1(arguments).split(' ')),
            0);
    }

    // Waits for a marker key (Escape) to come through and takes its wave away again.
    std::size_t settle()
    {
        xdotool("key Escape");
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return testing::hasWaveAt(engine.theCircles, 80, 57); }, 5000));
        testing::removeWavesAt(engine.theCircles, 80, 57);
        return engine.theCircles.theCirclesStore.size();
    }

    static inline QProcess* server = nullptr;
    static inline QByteArray display;
    static inline QByteArray previousDisplay;

    testing::TablesGuard guard;
    testing::FakeKeepAwake::Counts counts;
    KelvaraActions engine;
    EventMonitors monitors;
    KeyStateTracker keys;
    XInputKeySource source;
    KeyListener listener;
};

TEST_F(XInputKeySourceTest, AKeyStartsOneWaveOnItsKeyEvenWhenPressedTwice)
{
    xdotool("keydown 38"); // A
    xdotool("keydown 38");
    xdotool("keyup 38");
    EXPECT_EQ(settle(), 1u);
    EXPECT_TRUE(testing::hasWaveAt(engine.theCircles, 149, 185));
}

TEST_F(XInputKeySourceTest, ModifiersAndMediaKeys)
{
    xdotool("keydown 50"); // Left Shift: a wave
    xdotool("keyup 50");   // nothing else held: none
    xdotool("key 123");    // Volume Up
    EXPECT_EQ(settle(), 2u);
    EXPECT_TRUE(testing::hasWaveAt(engine.theCircles, 107, 224));
    EXPECT_TRUE(testing::hasWaveAt(engine.theCircles, 893, 57));
}

} // namespace
} // namespace kelvara
