#include "engine/kelvaraactions.h"
#include "input/keylistener.h"
#include "platform/globalkeyinput.h"
#include "support/fakekeepawake.h"
#include "support/keypipe.h"
#include "support/pertest.h"
#include "support/waves.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <array>
#include <deque>

namespace kelvara {
namespace {

// Key input end to end: records written into a pipe as an input device writes them, through the
// evdev reader, the event monitors and the listener, to the waves the engine starts. The render
// scales are 1, so a wave's centre is its key's layout position with y flipped against 100.
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
        engine.renderScaleHoriz = engine.renderScaleVert = 1.0;
        monitors.setActiveCheck([this] { return active; });
        accessible = listener.startListening(&engine);
    }

    ~KeyListenerTest() override { listener.stopListening(); }

    testing::KeyPipe& addDevice()
    {
        testing::KeyPipe& keyboard = keyboards.emplace_back();
        input.evdev().addDescriptor(keyboard.readEnd(), QStringLiteral("test keyboard"));
        return keyboard;
    }

    std::size_t waves() const { return engine.theCircles.theCirclesStore.size(); }

    bool hasWaveAt(double x, double y) const { return testing::hasWaveAt(engine.theCircles, x, y); }

    // Waits until everything written so far has been read, by a marker key (Escape) whose wave
    // is taken away again; answers the number of waves.
    std::size_t settle(testing::KeyPipe& keyboard)
    {
        keyboard.report({{KEY_ESC, 1}, {KEY_ESC, 0}});
        EXPECT_TRUE(QTest::qWaitFor([&] { return hasWaveAt(80, 57); }, 5000));
        testing::removeWavesAt(engine.theCircles, 80, 57);
        return waves();
    }

    testing::FakeKeepAwake::Counts activity;
    KelvaraActions engine;
    EventMonitors monitors;
    GlobalKeyInput input;
    KeyListener listener;
    bool active = false;
    bool accessible = false;
    std::deque<testing::KeyPipe> keyboards;
    testing::KeyPipe& device = addDevice();
};

TEST_F(KeyListenerTest, AHeldLetterStartsOneWaveAndNoKeyReachesTheLog)
{
    EXPECT_TRUE(accessible);
    EXPECT_EQ(monitors.monitorCount(), 5u);
    device.type({{KEY_A, 1}, {KEY_A, 2}, {KEY_A, 2}, {KEY_A, 0}});
    EXPECT_EQ(settle(device), 1u);
    EXPECT_TRUE(hasWaveAt(149, 185));
    EXPECT_TRUE(testing::logged().isEmpty()) << testing::logged().join('\n').toStdString();
}

// While the rings move the devices are read at frames only, each when something came to it: a
// press on one keyboard is read at the next frame, and a burst on another that is longer than one
// read comes in whole.
TEST_F(KeyListenerTest, AtFramesEachKeyboardIsReadWhenSomethingCameToIt)
{
    testing::KeyPipe& other = addDevice();
    input.setReadAtFrames(true);
    input.readPending();
    device.press({KEY_A});
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            input.readPending();
            return hasWaveAt(149, 185);
        },
        5000));
    constexpr std::size_t presses = 50; // 300 records; one read takes 64
    for (std::size_t i = 0; i < presses; ++i) {
        other.press({KEY_B});
    }
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            input.readPending();
            return waves() == 1 + presses;
        },
        5000))
        << waves() << " waves";
    input.setReadAtFrames(false);
}

TEST_F(KeyListenerTest, ModifiersStartWavesOnPressAndOnReleaseOnlyWhileAnotherIsHeld)
{
    device.type({{KEY_LEFTSHIFT, 1}, {KEY_LEFTSHIFT, 0}}); // nothing else held: no wave
    EXPECT_EQ(settle(device), 1u);
    // Command is still held at Shift's release: a wave.
    device.type({{KEY_LEFTMETA, 1}, {KEY_LEFTSHIFT, 1}, {KEY_LEFTSHIFT, 0}});
    EXPECT_EQ(settle(device), 4u);
    device.report({{KEY_CAPSLOCK, 1}, {KEY_CAPSLOCK, 0}}); // on
    device.report({{KEY_CAPSLOCK, 1}, {KEY_CAPSLOCK, 0}}); // off
    device.report({{KEY_FN, 1}, {KEY_FN, 0}});             // Fn alone: nothing
    EXPECT_EQ(settle(device), 6u);
}

TEST_F(KeyListenerTest, KeyboardsShareTheModifierStateUntilOneGoesAway)
{
    testing::KeyPipe& second = addDevice();
    device.report({{KEY_LEFTSHIFT, 1}});
    settle(device);
    second.report({{KEY_RIGHTSHIFT, 1}});
    settle(second);
    device.report({{KEY_LEFTSHIFT, 0}}); // the other Shift is still down: a wave
    EXPECT_EQ(settle(device), 3u);

    second.unplug(); // with Shift held
    ASSERT_TRUE(QTest::qWaitFor([&] { return input.evdev().deviceCount() == 1; }, 5000));
    device.type({{KEY_LEFTCTRL, 1}, {KEY_LEFTCTRL, 0}}); // its Shift went with it: no wave
    EXPECT_EQ(settle(device), 4u);
}

TEST_F(KeyListenerTest, AfterLostEventsNoModifierStaysHeldThatTheDeviceDoesNotHold)
{
    device.report({{KEY_LEFTSHIFT, 1}}); // a wave
    settle(device);
    // The reader fell behind: the kernel says so, and Shift's release is among what was lost.
    const std::array<input_event, 3> lost{{{{}, EV_SYN, SYN_DROPPED, 0},
                                           {{}, EV_KEY, KEY_LEFTSHIFT, 0},
                                           {{}, EV_SYN, SYN_REPORT, 0}}};
    device.write(lost);
    // A wave for Control, and none at its release: nothing else is held any more.
    device.type({{KEY_LEFTCTRL, 1}, {KEY_LEFTCTRL, 0}});
    EXPECT_EQ(settle(device), 2u);
}

// The lock lights of a keyboard: as it showed them when opened, then as its LED records say.
TEST_F(KeyListenerTest, TheKeyboardsLockLightsAreTheLockKeysState)
{
    const QTemporaryDir noMoreDevices;
    input.start(noMoreDevices.path(), QString());
    ASSERT_EQ(input.source(), GlobalKeyInput::Source::Devices);
    EXPECT_EQ(input.lockKeys(), std::nullopt) << "a keyboard without lock lights tells nothing";
    testing::KeyPipe& lit = keyboards.emplace_back();
    input.evdev().addDescriptor(lit.readEnd(), QStringLiteral("lit keyboard"), scrollLock);
    EXPECT_EQ(input.lockKeys(), scrollLock);
    int changes = 0;
    QObject::connect(&input, &GlobalKeyInput::lockKeysChanged, [&] { ++changes; });
    const input_event numOn{{}, EV_LED, LED_NUML, 1};
    const input_event scrollOff{{}, EV_LED, LED_SCROLLL, 0};
    const input_event report{{}, EV_SYN, SYN_REPORT, 0};
    lit.write(std::array{numOn, scrollOff, report});
    ASSERT_TRUE(QTest::qWaitFor([&] { return input.lockKeys() == numLock; }, 5000));
    EXPECT_EQ(changes, 2);
    lit.unplug();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !input.lockKeys(); }, 5000));
}

TEST_F(KeyListenerTest, VolumeUpAndNextTrackStartOneWaveAtTheMediaKeysAndFastForwardNone)
{
    device.type({{KEY_VOLUMEUP, 1}, {KEY_VOLUMEUP, 2}});
    EXPECT_EQ(settle(device), 1u); // at the press, not at the release
    EXPECT_TRUE(hasWaveAt(893, 57));
    device.report({{KEY_VOLUMEUP, 0}});
    device.report({{KEY_NEXTSONG, 1}, {KEY_NEXTSONG, 0}});
    device.report({{KEY_FASTFORWARD, 1}, {KEY_FASTFORWARD, 0}});
    EXPECT_EQ(settle(device), 2u);
}

TEST_F(KeyListenerTest, WhileKelvaraIsActiveOnlyItsOwnWindowsKeysCountAndPassOnUnchanged)
{
    active = true;
    device.report({{KEY_A, 1}, {KEY_A, 0}});
    QTest::qWait(100); // no wave can come to wait for
    EXPECT_EQ(waves(), 0u);

    QWidget window;
    auto* field = new QLineEdit(&window);
    (new QVBoxLayout(&window))->addWidget(field);
    window.show();
    field->setFocus();
    for (const Qt::Key key : {Qt::Key_H, Qt::Key_I, Qt::Key_Shift, Qt::Key_VolumeUp}) {
        QTest::keyClick(window.windowHandle(), key);
    }
    EXPECT_EQ(field->text(), QStringLiteral("hi"));
    EXPECT_EQ(waves(), 3u); // no local monitor for media keys
    EXPECT_TRUE(hasWaveAt(415, 145));

    listener.stopListening();
    EXPECT_EQ(monitors.monitorCount(), 0u);
    QTest::keyClick(window.windowHandle(), Qt::Key_H);
    EXPECT_EQ(waves(), 3u);
}

} // namespace
} // namespace kelvara
