#include "led/openrgbbackend.h"
#include "led/otherwriterwatch.h"
#include "platform/sleepwatcher.h"
#include "support/openrgbpeer.h"
#include "support/pertest.h"
#include "support/privatebus.h"

#include <QDBusMessage>
#include <QTcpSocket>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace kelvara {
namespace {

using testing::FakeOpenRgbServer;
using testing::keyboard;
using testing::OpenRgbPeer;
using Status = LightingServiceState::Status;
using testing::logged;

class OpenRgbVersions : public OpenRgbPeer, public ::testing::WithParamInterface<quint32>
{};

// Beside the keyboard, a mouse that gets nothing and a small keyboard that gets a frame of its
// own, with the keys it has.
TEST_P(OpenRgbVersions, TakesTheKeyboardsOverSendsOneFramePerPassEachAndHandsThemBack)
{
    const FakeOpenRgbServer::Device device = keyboard();
    FakeOpenRgbServer::Device mouse;
    mouse.type = 6;
    mouse.leds = {QStringLiteral("Logo")};
    FakeOpenRgbServer::Device small = keyboard(QStringLiteral("Small"));
    small.leds = {QStringLiteral("Key: \\"), QStringLiteral("Key: Right Fn"), QStringLiteral("G1")};
    start(GetParam(), {device, mouse, small});
    ASSERT_TRUE(backend->init());
    EXPECT_EQ(backend->keyboardCount(), 2u);
    int major = 0;
    int minor = 0;
    int build = 0;
    backend->sdkVersion(&major, &minor, &build);
    EXPECT_EQ(major, int(GetParam()));

    // Direct mode, with its block echoed as the server sent it.
    ASSERT_TRUE(received(openrgb::updateMode, 2));
    const auto take = server->received(openrgb::updateMode).front(); // the first keyboard
    EXPECT_EQ(qFromLittleEndian<quint32>(take.payload.constData()), quint32(take.payload.size()));
    EXPECT_EQ(qFromLittleEndian<qint32>(take.payload.constData() + 4), 1);
    EXPECT_TRUE(take.payload.mid(8).startsWith(QByteArray("\x07\x00"
                                                          "Direct\0",
                                                          9)));

    backend->setHidKey(4, 100, 50, 0);                  // A
    backend->setNamedKey(0xFFFF1, 0, 0, 100);           // the logo
    EXPECT_FALSE(backend->setHidKey(231 + 1, 1, 1, 1)); // no such light
    backend->setHidKey(49, 100, 0, 0);                  // backslash
    backend->setHidKey(231, 0, 100, 0);                 // right GUI
    backend->setNamedKey(0xFFF1, 0, 0, 100);            // G1
    backend->endPass();
    ASSERT_TRUE(received(openrgb::updateLeds, 2));
    QTest::qWait(50);
    const auto frames = server->received(openrgb::updateLeds);
    ASSERT_EQ(frames.size(), 2u);
    const quint32 smallId = GetParam() >= 6 ? 102 : 2;
    EXPECT_EQ(FakeOpenRgbServer::colours(frames[frames[0].deviceId == smallId ? 0 : 1].payload),
              (std::vector<quint32>{0x0000FF, 0x00FF00, 0xFF0000}));
    const auto colours =
        FakeOpenRgbServer::colours(frames[frames[0].deviceId == smallId ? 1 : 0].payload);
    ASSERT_EQ(colours.size(), device.leds.size());
    EXPECT_EQ(colours.at(device.led(QStringLiteral("Key: A"))), 0x0080FFu);
    EXPECT_EQ(colours.at(device.led(QStringLiteral("Logo"))), 0xFF0000u);
    EXPECT_EQ(colours.at(device.led(QStringLiteral("Key: B"))), 0x000102u);

    server->clearReceived();
    backend->shutdown();
    ASSERT_TRUE(received(openrgb::updateMode, 2));
    EXPECT_EQ(modesSet().begin()->second.back(), 0); // Static again
    // Static holds per-LED colours: the keyboard's own colours go back too.
    ASSERT_TRUE(received(openrgb::updateLeds, 2));
    const auto own = FakeOpenRgbServer::colours(server->received(openrgb::updateLeds)[0].payload);
    EXPECT_TRUE(std::all_of(own.begin(), own.end(), [](quint32 c) { return c == 0x000102; }));
}

INSTANTIATE_TEST_SUITE_P(Servers, OpenRgbVersions, ::testing::Values(4u, 5u, 6u),
                         [](const auto& p) { return "Version" + std::to_string(p.param); });

struct Spoiled
{
    const char* name;
    FakeOpenRgbServer::Fault fault;
};

class OpenRgbMalformed : public OpenRgbPeer, public ::testing::WithParamInterface<Spoiled>
{};

// Broken framing ends the connection; a controller whose data is spoiled is left alone.
TEST_P(OpenRgbMalformed, RepliesLightNothingAndStopNothing)
{
    start(6, {keyboard()});
    server->setFault(GetParam().fault);
    EXPECT_FALSE(backend->init());
    EXPECT_EQ(backend->serviceStatus().state().status, Status::Refused);
    backend->setHidKey(4, 1, 2, 3);
    backend->endPass();
    backend->shutdown();
    EXPECT_TRUE(server->received(openrgb::updateLeds).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Replies, OpenRgbMalformed,
    ::testing::Values(Spoiled{"BadMagic", FakeOpenRgbServer::Fault::BadMagic},
                      Spoiled{"Truncated", FakeOpenRgbServer::Fault::Truncated},
                      Spoiled{"Oversized", FakeOpenRgbServer::Fault::Oversized},
                      Spoiled{"WrongInnerSize", FakeOpenRgbServer::Fault::WrongInnerSize}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(OpenRgbPeer, AServerTooOldIsRefusedWithItsReasonLoggedOnceWhileTriedSlowly)
{
    start(3, {keyboard()});
    EXPECT_FALSE(backend->init());
    // A few slow tries.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return server->received(openrgb::requestProtocolVersion).size() >= 2; }, 10000));
    EXPECT_EQ(backend->serviceStatus().state(),
              (LightingServiceState{Status::Refused,
                                    QStringLiteral("protocol version 3 is too old (4 to 6 "
                                                   "understood)"),
                                    {}}));
    EXPECT_EQ(logged().filter(at),
              QStringList{at + QStringLiteral("protocol version 3 is too old (4 to "
                                              "6 understood). LGS is running but "
                                              "will not connect.")});
    EXPECT_LE(server->received(openrgb::requestProtocolVersion).size(), 5u);
}

TEST_F(OpenRgbPeer, ControllersThatCannotBeDrivenAreLeftAloneAndAChangedListIsPlacedAgain)
{
    FakeOpenRgbServer::Device broken = keyboard(QStringLiteral("Broken"));
    broken.unreadable = true;
    FakeOpenRgbServer::Device effectsOnly = keyboard(QStringLiteral("Effects Only"));
    effectsOnly.modes = {QStringLiteral("Wave")};
    start(5, {broken, effectsOnly, keyboard(QStringLiteral("Good"))});
    ASSERT_TRUE(backend->init());
    ASSERT_EQ(backend->keyboardCount(), 1u);
    EXPECT_EQ(backend->keyboards().front().id, 2u);
    backend->endPass();
    EXPECT_TRUE(received(openrgb::updateLeds, 1));
    EXPECT_EQ(logged().filter(QStringLiteral("left alone")),
              (QStringList{QStringLiteral("Controller 0 (\"Broken\"): its data cannot be read; "
                                          "left alone."),
                           QStringLiteral("Keyboard \"Effects Only\": it has no mode with per-LED "
                                          "colours; left alone.")}));
    EXPECT_EQ(backend->serviceStatus().state().status, Status::Connected);

    // Nothing that can be lit at all: refused, and the connection stays for a changed list.
    const auto statusIs = [&](Status status) {
        return backend->serviceStatus().state().status == status;
    };
    server->announceDevices({broken});
    ASSERT_TRUE(passUntil([&] { return statusIs(Status::Refused); }));
    EXPECT_EQ(logged().filter(QStringLiteral("left alone")).size(), 2); // said once

    FakeOpenRgbServer::Device iso = keyboard(QStringLiteral("Second Keyboard"));
    iso.leds.push_back(QStringLiteral("Key: #"));
    server->announceDevices({keyboard(), iso});
    ASSERT_TRUE(passUntil([&] { return statusIs(Status::Connected); }));
    EXPECT_EQ(backend->keyboardCount(), 2u);
    EXPECT_EQ(backend->extraPlaces().size(), 1u); // the ISO key of the new one
    EXPECT_EQ(server->received(openrgb::requestProtocolVersion).size(), 1u);
    server->clearReceived();
    backend->endPass();
    // Frames of the passes above may still come in: this pass's two are the ones for both ids.
    EXPECT_TRUE(QTest::qWaitFor([&] {
        std::set<quint32> ids;
        for (const auto& frame : server->received(openrgb::updateLeds)) {
            ids.insert(frame.deviceId);
        }
        return ids.size() == 2;
    }));
}

TEST_F(OpenRgbPeer, TwoKeyboardsOfOneNameGetTheirOwnModesBackAfterAReconnect)
{
    start(6, {keyboard(QStringLiteral("Twin"), 0), keyboard(QStringLiteral("Twin"), 2)});
    ASSERT_TRUE(backend->init());
    ASSERT_TRUE(received(openrgb::updateMode, 2));
    server->stop();
    ASSERT_TRUE(passUntil([&] { return !backend->isRunning(); }));
    QTest::qWait(300); // tries that find nothing say nothing more
    server->restart(); // the keyboards now show Direct, which must not be what goes back
    ASSERT_TRUE(received(openrgb::updateMode, 4));
    server->clearReceived();
    backend->shutdown();
    EXPECT_TRUE(received(openrgb::updateMode, 2));
    EXPECT_EQ(modesSet(), (std::map<quint32, std::vector<qint32>>{{100, {0}}, {101, {2}}}));
    backend->endPass(); // after shutdown nothing connects again
    QTest::qWait(100);
    EXPECT_FALSE(backend->isRunning());
    // One line for each change, however many tries found nothing.
    EXPECT_EQ(logged().filter(at).size(), 3) << logged().join('\n').toStdString();
    EXPECT_EQ(logged().filter(QStringLiteral(". LGS is not running. It is required.")).size(), 1);
}

TEST_F(OpenRgbPeer, AServerThatFallsSilentIsLostAndTakenOverWhenItAnswersAgain)
{
    start(6, {keyboard()});
    backend->setSilenceLimit(300);
    ASSERT_TRUE(backend->init());
    // A server that keeps the connection but answers nothing, like a suspended host.
    server->setPaused(true);
    backend->endPass();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !backend->isRunning(); }));
    EXPECT_EQ(
        logged().filter(QStringLiteral(": no answer for 0.3 seconds. LGS is not running.")).size(),
        1)
        << logged().join('\n').toStdString();

    server->clearReceived();
    server->setPaused(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return backend->isRunning(); }));
    EXPECT_TRUE(received(openrgb::updateMode, 1));
}

// A server still finding its devices at login accepts and says nothing: the launch does not
// wait for it, and it is taken over once it answers.
TEST_F(OpenRgbPeer, AServerSilentAtLaunchIsNotWaitedForAndTakenOverWhenItAnswers)
{
    start(6, {keyboard()});
    backend->setAnswerLimit(100);
    server->setPaused(true);
    EXPECT_FALSE(backend->init());
    EXPECT_EQ(backend->serviceStatus().state(),
              (LightingServiceState{Status::Refused, QStringLiteral("no answer yet"), {}}))
        << logged().join('\n').toStdString();
    server->setPaused(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return backend->isRunning(); }, 20000));
    EXPECT_TRUE(received(openrgb::updateMode, 1));
    EXPECT_EQ(logged().filter(at).first(),
              at + QStringLiteral("no answer yet. LGS is running but will not connect."));
    EXPECT_EQ(logged().filter(at).last(),
              at + QStringLiteral("1 keyboard taken over. Connected to LGS."));
}

TEST_F(OpenRgbPeer, AServerThatStopsReadingGetsWholeFramesInOrderWhenItReadsOn)
{
    const FakeOpenRgbServer::Device device = keyboard();
    start(6, {device});
    // Slow machines take a while over this many passes; the server is not to count as gone.
    backend->setSilenceLimit(600000);
    ASSERT_TRUE(backend->init());
    server->clearReceived();
    server->setPaused(true);
    // Far more than the kernel's buffers and the socket's own limit hold: some frames go whole
    // to the kernel, some in part with the rest queued, and the rest are never sent.
    constexpr int passes = 40000;
    for (int i = 1; i <= passes; ++i) {
        backend->setHidKey(4, i % 101, 0, 0);
        backend->endPass();
        if (i % 1000 == 0) {
            QCoreApplication::processEvents();
        }
    }
    // The server reads again while Kelvara is at rest: the last pass's frame is left out behind
    // the queue, and goes as soon as the queue has drained, with no pass after it.
    server->setPaused(false);
    const std::size_t a = device.led(QStringLiteral("Key: A"));
    backend->setHidKey(4, 0, 100, 0);
    backend->endPass();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !server->received(openrgb::updateLeds).empty() && lastFrame()[a] == 0xFF00u; },
        10000));
    const auto frames = server->received(openrgb::updateLeds);
    EXPECT_LT(frames.size(), std::size_t(passes)) << "frames were queued without limit";
    // Every frame arrived whole, and the red of key A only ever went up, bar its wrap to 0.
    int wraps = 0;
    quint32 last = 0;
    for (std::size_t f = 0; f + 1 < frames.size(); ++f) {
        const std::vector<quint32> colours = FakeOpenRgbServer::colours(frames[f].payload);
        ASSERT_EQ(colours.size(), device.leds.size());
        wraps += colours[a] < last ? 1 : 0;
        last = colours[a];
    }
    EXPECT_LE(wraps, passes / 101);
}

TEST_F(OpenRgbPeer, WakingFromSleepSetsDirectAgainAndSendsAWholeFrameAtOnce)
{
    testing::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    SleepWatcher sleep(bus.connect(QStringLiteral("kelvara")));
    ASSERT_TRUE(sleep.isListening());
    QDBusConnection logind = bus.connect(QStringLiteral("logind"));
    ASSERT_TRUE(logind.registerService(QStringLiteral("org.freedesktop.login1")));

    start(6, {keyboard(QStringLiteral("One")), keyboard(QStringLiteral("Two"))});
    QObject::connect(&sleep, &SleepWatcher::woke, backend.get(), &OpenRgbBackend::wake);
    ASSERT_TRUE(backend->init());
    backend->setHidKey(4, 100, 0, 0);
    backend->endPass();
    ASSERT_TRUE(received(openrgb::updateLeds, 2));
    server->clearReceived();
    for (const bool sleeping : {true, false}) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"));
        logind.send(signal << sleeping);
    }
    // No pass comes here: the frames go at the wake itself.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return server->received(openrgb::updateLeds).size() == 2; }, 10000));
    for (const quint32 id : {100u, 101u}) {
        std::vector<std::chrono::steady_clock::time_point> order;
        for (const quint32 packet : {openrgb::updateMode, openrgb::updateLeds}) {
            for (const auto& r : server->received(packet)) {
                if (r.deviceId == id) {
                    order.push_back(r.at);
                }
            }
        }
        ASSERT_EQ(order.size(), 2u) << id;
        EXPECT_LT(order[0], order[1]) << "the mode goes before the frame";
    }
    // The frame is the last pass's, not the colours the server listed.
    for (const auto& frame : server->received(openrgb::updateLeds)) {
        EXPECT_EQ(
            FakeOpenRgbServer::colours(frame.payload).at(keyboard().led(QStringLiteral("Key: A"))),
            0x0000FFu);
    }
    EXPECT_EQ(logged().filter(QStringLiteral("woke from sleep")).size(), 1);
}

class OtherWriters : public OpenRgbPeer, public ::testing::WithParamInterface<quint32>
{};

TEST_P(OtherWriters, AreToldOfOnceWithinTenSecondsAndKelvarasOwnFramesNever)
{
    start(GetParam(), {keyboard(QStringLiteral("Board"))});
    ASSERT_TRUE(backend->init());
    type(3000);
    EXPECT_TRUE(logged().filter(QStringLiteral("another program")).isEmpty());

    // Another client on the same server, writing its own colours to the keyboard.
    QTcpSocket other;
    other.connectToHost(QStringLiteral("127.0.0.1"), server->port());
    ASSERT_TRUE(other.waitForConnected(2000));
    other.write(
        openrgb::encodePacket(0, openrgb::requestProtocolVersion, openrgb::encodeU32(GetParam())));
    const QByteArray theirs = openrgb::encodeUpdateLeds(
        GetParam() >= 6 ? 100 : 0,
        std::vector<quint32>(FakeOpenRgbServer::fullKeyboardLeds().size(), 0x00FF00FF));
    QElapsedTimer since;
    since.start();
    ASSERT_TRUE(passUntil(
        [&] {
            other.write(theirs);
            other.readAll();
            return !backend->serviceStatus().state().otherWriters.isEmpty();
        },
        10000));
    EXPECT_LT(since.elapsed(), 10000);
    type(1000); // the episode goes on: no second line
    EXPECT_EQ(logged().filter(QStringLiteral("another program")),
              QStringList{QStringLiteral(
                  "Keyboard \"Board\": another program is setting its colours too.")});
    EXPECT_EQ(backend->serviceStatus().state().otherWriters, QStringList{QStringLiteral("Board")});
    EXPECT_EQ(backend->serviceStatus().state().status, Status::Connected);
}

// What the keyboard is given back at the quit, its own mode's colours among it, comes back from
// a version 6 server as any colours do; it is ours, not another program's.
TEST_P(OtherWriters, TheColoursHandedBackAtTheQuitAreNotAnotherProgramsToo)
{
    start(GetParam(), {keyboard(QStringLiteral("Board"))});
    ASSERT_TRUE(backend->init());
    type(2500); // past the first frame's settling
    server->clearReceived();
    backend->shutdown();
    ASSERT_TRUE(received(openrgb::updateLeds, 1)); // the keyboard's own colours
    EXPECT_TRUE(logged().filter(QStringLiteral("another program")).isEmpty());
    EXPECT_TRUE(backend->serviceStatus().state().otherWriters.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Servers, OtherWriters, ::testing::Values(5u, 6u),
                         [](const auto& p) { return "Version" + std::to_string(p.param); });

TEST(OtherWriterWatch, AnEpisodeBeginsAtForeignColoursAndEndsThirtySecondsAfterTheLast)
{
    using namespace std::chrono_literals;
    LightingServiceStatus status;
    status.set({Status::Connected, {}, {}});
    OtherWriterWatch watch(status);
    const auto t0 = OtherWriterWatch::Clock::now();
    const QString k = QStringLiteral("K");
    const std::vector<quint32> foreign{9, 9};
    EXPECT_FALSE(watch.seen(1, k, foreign, t0 + 10s)) << "nothing sent yet";
    // Eight frames more than are remembered.
    constexpr auto frames = quint32(OtherWriterWatch::recentFrames + 8);
    for (quint32 frame = 0; frame < frames; ++frame) {
        watch.sent(1, std::vector<quint32>{frame, 0}, t0 + frame * 10ms);
    }
    EXPECT_FALSE(watch.seen(1, k, std::vector<quint32>{frames - 1, 0}, t0 + 1s)) << "settling";
    EXPECT_FALSE(watch.seen(1, k, std::vector<quint32>{9, 0}, t0 + 5s)) << "own frame, a while ago";
    EXPECT_TRUE(watch.seen(1, k, std::vector<quint32>{5, 0}, t0 + 5s)) << "older than remembered";
    EXPECT_FALSE(watch.seen(1, k, foreign, t0 + 20s)) << "the same episode";
    EXPECT_FALSE(watch.seen(2, k, foreign, t0 + 20s)) << "another keyboard, nothing sent";
    EXPECT_EQ(watch.writing(), std::vector<quint32>{1});
    EXPECT_EQ(watch.nextEnd(), t0 + 50s);
    EXPECT_FALSE(watch.expire(t0 + 49s));
    EXPECT_TRUE(watch.expire(t0 + 50s));
    EXPECT_TRUE(watch.writing().empty());
    EXPECT_TRUE(watch.seen(1, k, foreign, t0 + 51s)) << "a new episode";
    EXPECT_EQ(status.state().otherWriters, QStringList{k});
    watch.retain({2}); // the keyboard went away
    EXPECT_TRUE(status.state().otherWriters.isEmpty());

    // An episode whose quiet time ran out unseen ends by the watch's own timer.
    const auto now = OtherWriterWatch::Clock::now();
    watch.sent(1, foreign, now - 50s);
    EXPECT_TRUE(watch.seen(1, k, std::vector<quint32>{1, 1}, now - 40s));
    watch.retain({1}); // shown again from now, past its end
    EXPECT_TRUE(QTest::qWaitFor([&] { return status.state().otherWriters.isEmpty(); }, 1000));
}

} // namespace
} // namespace kelvara
