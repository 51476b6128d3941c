#include "engine/kelvaraactions.h"
#include "input/keylistener.h"
#include "platform/globalkeyinput.h"
#include "platform/systemlog.h"
#include "support/fakekeepawake.h"
#include "support/tablesguard.h"

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>
#include <vector>

namespace kelvara {
namespace {

// Key input end to end: records written into a pipe as an input device writes them, through the
// evdev reader, the event monitors and the listener, to the waves the engine starts.
class KeyListenerTest : public ::testing::Test
{
protected:
    KeyListenerTest()
        : engine(std::make_unique<testing::FakeKeepAwake>(&activity))
        , input(monitors)
        , listener(monitors)
    {
        testing::onlyFirstRing(1e6, 0);
        engine.savedAnimationInterval = 1.0 / 30.0;
        engine.renderScaleHoriz = 274.0 / 963.0;
        engine.renderScaleVert = 100.0 / 352.0;
        monitors.setActiveCheck([this] { return active; });
        setSystemLogSink([this](const QString& line) { logLines.append(line); });
        device = addDevice();
        accessible = listener.startListening(&engine);
    }

    ~KeyListenerTest() override
    {
        listener.stopListening();
        for (const int fd : writers) {
            ::close(fd);
        }
        setSystemLogSink({});
    }

    int addDevice()
    {
        int fds[2];
        EXPECT_EQ(pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0);
        input.evdev().addDescriptor(fds[0], QStringLiteral("test keyboard"));
        writers.push_back(fds[1]);
        return fds[1];
    }

    // One report: the key transitions, then the synchronisation record.
    static void send(int fd, std::initializer_list<std::pair<int, int>> keys)
    {
        std::vector<input_event> records;
        for (const auto& [code, value] : keys) {
            records.push_back(input_event{{}, EV_MSC, MSC_SCAN, 0x70000 + code});
            records.push_back(input_event{{}, EV_KEY, std::uint16_t(code), value});
        }
        records.push_back(input_event{{}, EV_SYN, SYN_REPORT, 0});
        const auto bytes = ssize_t(records.size() * sizeof(input_event));
        ASSERT_EQ(::write(fd, records.data(), size_t(bytes)), bytes);
    }

    std::size_t waves() const { return engine.theCircles.theCirclesStore.size(); }

    // Waits until everything written so far has been read, with a marker key (Escape) whose wave
    // is then taken away again; answers the number of waves before the marker.
    std::size_t settle(int fd)
    {
        send(fd, {{KEY_ESC, 1}, {KEY_ESC, 0}});
        auto& store = engine.theCircles.theCirclesStore;
        const auto marker = [&] {
            return std::find_if(store.begin(), store.end(), [this](const auto& ring) {
                return ring.second.center ==
                       QPointF(80 * engine.renderScaleHoriz, 100 - 57 * engine.renderScaleVert);
            });
        };
        EXPECT_TRUE(QTest::qWaitFor([&] { return marker() != store.end(); }, 5000));
        if (marker() != store.end()) {
            store.erase(marker());
        }
        return waves();
    }

    // The key layout position of the newest wave.
    QPointF lastWave() const
    {
        const auto newest =
            std::max_element(engine.theCircles.theCirclesStore.begin(),
                             engine.theCircles.theCirclesStore.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
        const QPointF c = newest->second.center;
        return {c.x() / engine.renderScaleHoriz, (100.0 - c.y()) / engine.renderScaleVert};
    }

    testing::TablesGuard guard;
    testing::FakeKeepAwake::Counts activity;
    KelvaraActions engine;
    EventMonitors monitors;
    GlobalKeyInput input;
    KeyListener listener;
    bool active = false;
    bool accessible = false;
    int device = -1;
    std::vector<int> writers;
    QStringList logLines;
};

TEST_F(KeyListenerTest, AccessIsReportedWhileADeviceIsReadable)
{
    EXPECT_TRUE(accessible);
    EXPECT_EQ(monitors.monitorCount(), 5u);
}

TEST_F(KeyListenerTest, AHeldLetterStartsOneWave)
{
    send(device, {{KEY_A, 1}});
    send(device, {{KEY_A, 2}});
    send(device, {{KEY_A, 2}});
    send(device, {{KEY_A, 0}});
    EXPECT_EQ(settle(device), 1u);
    engine.theCircles.theCirclesStore.clear();
    send(device, {{KEY_A, 1}});
    EXPECT_EQ(settle(device), 1u);
}

TEST_F(KeyListenerTest, ShiftStartsAWaveOnPressAndOnReleaseOnlyWhileCommandIsHeld)
{
    send(device, {{KEY_LEFTSHIFT, 1}});
    send(device, {{KEY_LEFTSHIFT, 0}});
    EXPECT_EQ(settle(device), 1u);

    engine.theCircles.theCirclesStore.clear();
    send(device, {{KEY_LEFTMETA, 1}});
    send(device, {{KEY_LEFTSHIFT, 1}});
    send(device, {{KEY_LEFTSHIFT, 0}});
    EXPECT_EQ(settle(device), 3u);
}

TEST_F(KeyListenerTest, TwoKeyboardsShareTheModifierState)
{
    const int second = addDevice();
    send(device, {{KEY_LEFTSHIFT, 1}});
    settle(device);
    send(second, {{KEY_RIGHTSHIFT, 1}});
    settle(second);
    send(device, {{KEY_LEFTSHIFT, 0}}); // the other Shift is still down: a wave
    EXPECT_EQ(settle(device), 3u);
    send(second, {{KEY_RIGHTSHIFT, 0}}); // the last one: none
    EXPECT_EQ(settle(second), 3u);
}

TEST_F(KeyListenerTest, EveryCapsLockPressStartsAWave)
{
    send(device, {{KEY_CAPSLOCK, 1}, {KEY_CAPSLOCK, 0}});
    send(device, {{KEY_CAPSLOCK, 1}, {KEY_CAPSLOCK, 0}});
    EXPECT_EQ(settle(device), 2u);
}

TEST_F(KeyListenerTest, VolumeUpStartsOneWaveAtTheMediaKeys)
{
    send(device, {{KEY_VOLUMEUP, 1}});
    send(device, {{KEY_VOLUMEUP, 2}});
    send(device, {{KEY_VOLUMEUP, 0}});
    send(device, {{KEY_FASTFORWARD, 1}, {KEY_FASTFORWARD, 0}});
    send(device, {{KEY_FN, 1}, {KEY_FN, 0}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return waves() == 1; }, 5000));
    EXPECT_NEAR(lastWave().x(), 893, 1e-6);
    EXPECT_NEAR(lastWave().y(), 57, 1e-6);
    EXPECT_EQ(settle(device), 1u);
}

TEST_F(KeyListenerTest, KeysLandOnTheirOwnKeys)
{
    send(device, {{KEY_SCROLLLOCK, 1}, {KEY_SCROLLLOCK, 0}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return waves() == 1; }, 5000));
    EXPECT_NEAR(lastWave().x(), 722, 1e-6);
    send(device, {{KEY_KPENTER, 1}, {KEY_KPENTER, 0}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return waves() == 2; }, 5000));
    EXPECT_NEAR(lastWave().x(), 933, 1e-6);
    EXPECT_NEAR(lastWave().y(), 245, 1e-6);
}

TEST_F(KeyListenerTest, ADeviceThatGoesAwayIsClosedQuietly)
{
    const int second = addDevice();
    send(second, {{KEY_LEFTMETA, 1}});
    settle(second);
    ::close(second);
    writers.erase(std::find(writers.begin(), writers.end(), second));
    ASSERT_TRUE(QTest::qWaitFor([&] { return input.evdev().deviceCount() == 1; }, 5000));
    // Command went with its keyboard: releasing Shift now starts nothing.
    send(device, {{KEY_LEFTSHIFT, 1}});
    send(device, {{KEY_LEFTSHIFT, 0}});
    EXPECT_EQ(settle(device), 2u);
}

TEST_F(KeyListenerTest, GlobalEventsAreNotDeliveredWhileKelvaraIsActive)
{
    active = true;
    send(device, {{KEY_A, 1}, {KEY_A, 0}});
    send(device, {{KEY_ESC, 1}, {KEY_ESC, 0}});
    QTest::qWait(100); // no wave can come to wait for
    active = false;
    EXPECT_EQ(settle(device), 0u);
}

TEST_F(KeyListenerTest, TypingIntoOurOwnWindowsStartsWavesAndPassesTheKeysOn)
{
    active = true;
    QWidget window;
    auto* field = new QLineEdit(&window);
    (new QVBoxLayout(&window))->addWidget(field);
    window.show();
    field->setFocus();
    QTest::keyClick(window.windowHandle(), Qt::Key_H);
    QTest::keyClick(window.windowHandle(), Qt::Key_I);
    EXPECT_EQ(field->text(), QStringLiteral("hi"));
    EXPECT_EQ(waves(), 2u);
    EXPECT_NEAR(lastWave().x(), 415, 1e-6); // I

    QTest::keyClick(window.windowHandle(), Qt::Key_Shift);
    EXPECT_EQ(waves(), 3u);
    QTest::keyClick(window.windowHandle(), Qt::Key_VolumeUp); // no local media monitor
    EXPECT_EQ(waves(), 3u);
}

TEST_F(KeyListenerTest, StoppedListenerStartsNothing)
{
    listener.stopListening();
    EXPECT_EQ(monitors.monitorCount(), 0u);
    send(device, {{KEY_A, 1}, {KEY_A, 0}});
    QTest::qWait(50);
    EXPECT_EQ(waves(), 0u);
}

TEST_F(KeyListenerTest, NoKeyEverReachesTheLog)
{
    send(device, {{KEY_P, 1}, {KEY_P, 0}, {KEY_W, 1}, {KEY_W, 0}, {KEY_LEFTSHIFT, 1}});
    settle(device);
    EXPECT_TRUE(logLines.isEmpty()) << logLines.join(QLatin1Char('\n')).toStdString();
}

TEST(KeyListenerDecisions, FollowTheEventAlone)
{
    testing::TablesGuard guard;
    testing::onlyFirstRing(1e6, 0);
    testing::FakeKeepAwake::Counts counts;
    KelvaraActions engine(std::make_unique<testing::FakeKeepAwake>(&counts));
    EventMonitors monitors;
    KeyListener listener(monitors);

    const Event fnAlone{Event::Type::FlagsChanged, 63, 1u << 23, false, 0};
    const Event capsOff{Event::Type::FlagsChanged, 57, 0, false, 0};
    const Event releaseUnderCommand{Event::Type::FlagsChanged, 56, 1u << 20, false, 0};
    const Event mediaUp{Event::Type::SystemDefined, 0, 0, false, 0x0B00};
    const Event mediaDown{Event::Type::SystemDefined, 0, 0, false, 16 << 16 | 0x0A00};

    listener.handleKeyDown(Event{Event::Type::KeyDown, 0, 0, false, 0}); // no engine yet
    EXPECT_TRUE(engine.theCircles.isEmpty());
    EXPECT_FALSE(listener.startListening(&engine)); // no global source in this test
    listener.handleFlagsChanged(fnAlone);
    EXPECT_EQ(engine.theCircles.theCirclesStore.size(), 0u);
    listener.handleFlagsChanged(capsOff);
    listener.handleFlagsChanged(releaseUnderCommand);
    listener.handleSystemDefined(mediaUp);
    listener.handleSystemDefined(mediaDown);
    EXPECT_EQ(engine.theCircles.theCirclesStore.size(), 3u);
    listener.stopListening();
}

} // namespace
} // namespace kelvara
