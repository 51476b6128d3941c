#include "led/openrgbbackend.h"
#include "platform/sleepwatcher.h"
#include "support/openrgbpeer.h"
#include "support/pertest.h"
#include "support/privatebus.h"

#include <QDBusMessage>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace kelvara {
namespace {

using testing::FakeOpenRgbServer;
using testing::keyboard;
using testing::logged;
using Modes = std::map<quint32, std::vector<qint32>>;

class Pausing : public testing::OpenRgbPeer, public ::testing::WithParamInterface<quint32>
{
protected:
    // Two keyboards, one in Static and one in Wave, taken over with a frame each sent.
    void startTakenOver()
    {
        start(GetParam(), {keyboard(QStringLiteral("One"), 0), keyboard(QStringLiteral("Two"), 2)});
        ASSERT_TRUE(backend->init());
        backend->endPass();
        ASSERT_TRUE(received(openrgb::updateLeds, 2));
        first = GetParam() >= 6 ? 100 : 0;
        server->clearReceived();
    }

    // Nothing taken over while typing goes on for that long.
    void expectLeftAlone(int milliseconds)
    {
        type(milliseconds);
        EXPECT_TRUE(server->received(openrgb::updateLeds).empty());
        for (const auto& [id, modes] : modesSet()) {
            EXPECT_EQ(std::count(modes.begin(), modes.end(), 1), 0) << "Direct set on " << id;
        }
    }

    quint32 first = 0;
};

// The keyboards get their own modes back and nothing more, through typing, a sleep, a changed
// device list and a reconnect; a resume takes them over with a whole frame without a pass.
TEST_P(Pausing, HandsTheKeyboardsBackUntilResumedWhateverHappensMeanwhile)
{
    startTakenOver();
    const LightingServiceState connected = backend->serviceStatus().state();
    QSignalSpy changes(&backend->pause(), &LightingPause::changed);
    backend->setPaused(true);
    backend->setPaused(true); // no change
    ASSERT_TRUE(received(openrgb::updateMode, 2));
    EXPECT_EQ(modesSet(), (Modes{{first, {0}}, {first + 1, {2}}}));
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(backend->serviceStatus().state(), connected);

    server->clearReceived();
    expectLeftAlone(300);
    // A sleep and a wake, told by the logind stand-in.
    testing::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    SleepWatcher sleep(bus.connect(QStringLiteral("kelvara")));
    QDBusConnection logind = bus.connect(QStringLiteral("logind"));
    ASSERT_TRUE(logind.registerService(QStringLiteral("org.freedesktop.login1")));
    QObject::connect(&sleep, &SleepWatcher::woke, backend.get(), &OpenRgbBackend::wake);
    QSignalSpy woke(&sleep, &SleepWatcher::woke);
    for (const bool sleeping : {true, false}) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"));
        logind.send(signal << sleeping);
    }
    ASSERT_TRUE(woke.wait(10000));
    expectLeftAlone(300);
    server->announceDevices({keyboard(QStringLiteral("One")), keyboard(QStringLiteral("Two"))});
    ASSERT_TRUE(
        passUntil([&] { return server->received(openrgb::requestControllerData).size() >= 2; }));
    server->stop();
    ASSERT_TRUE(passUntil([&] { return !backend->isRunning(); }));
    server->restart();
    ASSERT_TRUE(passUntil([&] { return backend->isRunning(); }, 10000));
    expectLeftAlone(300);

    server->clearReceived();
    backend->setHidKey(4, 100, 0, 0);
    backend->endPass();
    backend->setPaused(false);
    // No pass: the frame goes at the take-over itself, after the mode.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return server->received(openrgb::updateLeds).size() == 2; }, 10000));
    EXPECT_EQ(modesSet(), (Modes{{first, {1}}, {first + 1, {1}}}));
    EXPECT_EQ(lastFrame().at(keyboard().led(QStringLiteral("Key: A"))), 0x0000FFu);
    EXPECT_EQ(changes.size(), 2);
    EXPECT_EQ(logged().filter(QStringLiteral("Lighting paused")).size(), 1);
    EXPECT_EQ(logged().filter(QStringLiteral("Lighting resumed")).size(), 1);
}

// Quitting while paused leaves the keyboards as they are: they were handed back already.
TEST_P(Pausing, QuittingWhilePausedSendsNoModeAgain)
{
    startTakenOver();
    backend->setPaused(true);
    ASSERT_TRUE(received(openrgb::updateMode, 2));
    server->clearReceived();
    backend->shutdown();
    QTest::qWait(100);
    EXPECT_TRUE(server->received(openrgb::updateMode).empty());
}

INSTANTIATE_TEST_SUITE_P(Servers, Pausing, ::testing::Values(5u, 6u),
                         [](const auto& p) { return "Version" + std::to_string(p.param); });

} // namespace
} // namespace kelvara
