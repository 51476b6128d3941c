#include "engine/kelvaraactions.h"
#include "input/keylistener.h"
#include "platform/eventmonitors.h"
#include "platform/globalkeyinput.h"
#include "platform/keystatetracker.h"
#include "platform/xinputkeysource.h"
#include "support/fakekeepawake.h"
#include "support/pertest.h"
#include "support/waves.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

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
            displayKept.emplace("DISPLAY", display.constData());
        }
    }

    static void TearDownTestSuite()
    {
        if (server) {
            server->terminate();
            server->waitForFinished(5000);
            delete server;
            server = nullptr;
            display.clear();
            displayKept.reset();
        }
    }

    XInputKeySourceTest()
        : engine(std::make_unique<testing::FakeKeepAwake>(&counts))
        , source(keys,
                 [this](const Event& e) {
                     ++sunk;
                     monitors.dispatchGlobal(e);
                 })
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
    static inline std::optional<testing::ScopedEnv> displayKept;

    int sunk = 0; // key events the source handed on: presses, and modifiers changing
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

// While frames run the connection is read at each frame only: a press waits for it, and is
// neither lost nor doubled when the source goes back to waking the event loop.
TEST_F(XInputKeySourceTest, AtFramesAPressWaitsForTheNextRead)
{
    source.setReadAtFrames(true);
    xdotool("key 38"); // A
    QTest::qWait(200);
    EXPECT_TRUE(engine.theCircles.isEmpty());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            source.readPending();
            return testing::hasWaveAt(engine.theCircles, 149, 185);
        },
        5000));
    source.setReadAtFrames(false);
    EXPECT_EQ(settle(), 1u);
}

// A burst larger than one read of the connection, all sent before the first frame reads: nothing
// arrives after it to tell of the rest, and the frames read on until the whole burst is in.
TEST_F(XInputKeySourceTest, AtFramesABurstLargerThanOneReadComesInWhole)
{
    source.setReadAtFrames(true);
    source.readPending(); // whatever came before
    const int before = sunk;
    constexpr int presses = 200; // 400 raw events, some 14 KB
    QByteArray arguments("key --delay 0");
    for (int i = 0; i < presses; ++i) {
        arguments += " 38";
    }
    xdotool(arguments.constData());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            source.readPending();
            return sunk - before == presses;
        },
        5000))
        << sunk - before << " presses read";
    source.setReadAtFrames(false);
}

// The lock keys' state is the X server's own: right at the start, whatever was pressed before,
// and following every press of the lock key.
TEST_F(XInputKeySourceTest, CapsLockFollowsTheXServersIndicatorFromTheStart)
{
    ASSERT_EQ(source.locks(), LockKeys(0));
    int changes = 0;
    QObject::connect(&source, &XInputKeySource::locksChanged, [&] { ++changes; });
    xdotool("key Caps_Lock");
    ASSERT_TRUE(QTest::qWaitFor([&] { return source.locks() == capsLock; }, 5000));

    KeyStateTracker otherKeys;
    XInputKeySource startedLater(otherKeys, [](const Event&) {});
    ASSERT_TRUE(startedLater.start());
    EXPECT_EQ(startedLater.locks(), capsLock);

    xdotool("key Caps_Lock");
    ASSERT_TRUE(QTest::qWaitFor([&] { return source.locks() == LockKeys(0); }, 5000));
    EXPECT_EQ(changes, 2);
}

struct SessionCase
{
    const char* name;
    const char* sessionType; // XDG_SESSION_TYPE, or null for none
    const char* waylandDisplay;
    bool access;
};

class XServerInASession : public XInputKeySourceTest,
                          public ::testing::WithParamInterface<SessionCase>
{};

// With no readable input device, the X server's raw events are access to other programs' keys
// on an X11 desktop, but not on a Wayland one, whose X server (XWayland) sees only the keys typed
// into X11 programs. Its events are read all the same, and the log says what is missing.
TEST_P(XServerInASession, CountsAsAccessOnlyOutsideWayland)
{
    const SessionCase& c = GetParam();
    const testing::ScopedEnv type("XDG_SESSION_TYPE", c.sessionType);
    const testing::ScopedEnv wayland("WAYLAND_DISPLAY", c.waylandDisplay);
    const qsizetype before = testing::logged().size();

    QTemporaryDir noDevices;
    EventMonitors sessionMonitors;
    sessionMonitors.setActiveCheck([] { return false; });
    int seen = 0;
    sessionMonitors.addGlobalMonitor(keyDownMask, [&](const Event&) { ++seen; });
    GlobalKeyInput input(sessionMonitors);
    input.start(noDevices.path(), noDevices.filePath(QStringLiteral("no-key-service")));
    EXPECT_EQ(input.isWorking(), c.access);
    EXPECT_EQ(sessionMonitors.isInputAccessible(), c.access);
    EXPECT_EQ(input.limitation().isEmpty(), c.access);
    const QStringList log = testing::logged().mid(before);
    // XWayland's indicators are not the desktop's: no lock light is drawn, and the log says why.
    ASSERT_EQ(log.size(), c.access ? 1 : 2);
    EXPECT_EQ(log[0].contains(QStringLiteral("only keys typed into X11 programs")), !c.access);
    EXPECT_EQ(input.lockKeys().has_value(), c.access);
    if (!c.access) {
        EXPECT_TRUE(log[1].startsWith(QStringLiteral("Lock lights are not shown: in a Wayland")));
    }
    xdotool("key 38");
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen > 0; }, 5000));
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, XServerInASession,
    ::testing::Values(SessionCase{"X11", "x11", nullptr, true},
                      SessionCase{"Unknown", nullptr, nullptr, true},
                      SessionCase{"Wayland", "wayland", "wayland-0", false},
                      SessionCase{"WaylandDisplayOnly", "tty", "wayland-1", false},
                      SessionCase{"WaylandTypeOnly", "wayland", nullptr, false}),
    [](const auto& p) { return std::string(p.param.name); });

// An X server that goes away takes its connection with it: the key source says so once and
// stops, rather than being woken for a dead connection without end.
TEST(XServerGone, TheKeySourceBecomesNoneWithOneLogLine)
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) {
        GTEST_SKIP() << "needs Xvfb";
    }
    QProcess server;
    server.start(QStringLiteral("Xvfb"),
                 QStringLiteral("-displayfd 1 -nolisten tcp -screen 0 320x240x24").split(' '));
    ASSERT_TRUE(server.waitForStarted(5000) && server.waitForReadyRead(10000));
    const QByteArray display = ":" + server.readAllStandardOutput().trimmed();
    const testing::ScopedEnv displayKept("DISPLAY", display.constData());
    const testing::ScopedEnv x11("XDG_SESSION_TYPE", "x11");
    const testing::ScopedEnv noWayland("WAYLAND_DISPLAY", nullptr);

    EventMonitors monitors;
    GlobalKeyInput input(monitors);
    input.start(QStringLiteral("/nonexistent"), QString());
    ASSERT_EQ(input.source(), GlobalKeyInput::Source::X11);
    server.kill();
    server.waitForFinished(5000);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return input.source() == GlobalKeyInput::Source::None; }, 10000));
    EXPECT_FALSE(input.isWorking());
    input.readPending(); // reads nothing, and touches the dead connection no more
    EXPECT_EQ(testing::logged().filter(QStringLiteral("connection for key presses ended")).size(),
              1);
}

} // namespace
} // namespace kelvara
