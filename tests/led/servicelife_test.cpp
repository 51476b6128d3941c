#include "led/openrgbbackend.h"
#include "led/otherwriterwatch.h"
#include "platform/sleepwatcher.h"
#include "platform/systemlog.h"
#include "support/fakeopenrgbserver.h"
#include "support/privatebus.h"

#include <QDBusMessage>
#include <QTcpSocket>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

namespace kelvara {
namespace {

using testing::FakeOpenRgbServer;
using Status = LightingServiceState::Status;

FakeOpenRgbServer::Device keyboard(QString name, int activeMode = 0)
{
    FakeOpenRgbServer::Device device;
    device.name = std::move(name);
    device.leds = FakeOpenRgbServer::fullKeyboardLeds();
    device.modes = {QStringLiteral("Static"), QStringLiteral("Direct"), QStringLiteral("Wave")};
    device.activeMode = activeMode;
    return device;
}

// A server of the test's and the backend on it, through a day of the service's life.
class ServiceLife : public ::testing::Test
{
protected:
    ServiceLife()
    {
        setSystemLogSink([this](const QString& line) { log.append(line); });
    }

    ~ServiceLife() override { setSystemLogSink({}); }

    void start(quint32 version, std::vector<FakeOpenRgbServer::Device> devices)
    {
        server = std::make_unique<FakeOpenRgbServer>(version, std::move(devices));
        backend = std::make_unique<OpenRgbBackend>(QStringLiteral("127.0.0.1"), server->port());
        backend->setRetryIntervals(50, 200);
        backend->setReadBackInterval(200);
        at = QStringLiteral("Lighting service at 127.0.0.1:%1: ").arg(server->port());
    }

    // Passes for that long, each with key A in another colour, as typing gives.
    void type(int milliseconds)
    {
        QElapsedTimer typing;
        typing.start();
        for (int i = 0; typing.elapsed() < milliseconds; ++i) {
            backend->setHidKey(4, i % 100, 0, 0);
            backend->endPass();
            QTest::qWait(30);
        }
    }

    // The mode index of each UPDATEMODE, by device.
    std::map<quint32, std::vector<qint32>> modesSet() const
    {
        std::map<quint32, std::vector<qint32>> modes;
        for (const auto& r : server->received(openrgb::updateMode)) {
            modes[r.deviceId].push_back(qFromLittleEndian<qint32>(r.payload.constData() + 4));
        }
        return modes;
    }

    QStringList log;
    QString at;
    std::unique_ptr<FakeOpenRgbServer> server;
    std::unique_ptr<OpenRgbBackend> backend;
};

TEST_F(ServiceLife, AServerTooOldIsRefusedWithItsReasonLoggedOnceWhileTriedSlowly)
{
    start(3, {keyboard(QStringLiteral("K"))});
    EXPECT_FALSE(backend->init());
    QTest::qWait(700); // a few slow tries
    EXPECT_EQ(backend->serviceStatus().state(),
              (LightingServiceState{Status::Refused,
                                    QStringLiteral("protocol version 3 is too old (4 to 6 "
                                                   "understood)"),
                                    {}}));
    EXPECT_EQ(log.filter(at), QStringList{at + QStringLiteral("protocol version 3 is too old (4 to "
                                                              "6 understood). LGS is running but "
                                                              "will not connect.")});
    EXPECT_GE(server->received(openrgb::requestProtocolVersion).size(), 2u);
    EXPECT_LE(server->received(openrgb::requestProtocolVersion).size(), 5u);
}

TEST_F(ServiceLife, ControllersThatCannotBeDrivenAreLeftAloneAndTheRestLit)
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return !server->received(openrgb::updateLeds).empty(); }));
    EXPECT_EQ(log.filter(QStringLiteral("left alone")),
              (QStringList{QStringLiteral("Controller 0 (\"Broken\"): its data cannot be read; "
                                          "left alone."),
                           QStringLiteral("Keyboard \"Effects Only\": it has no mode with per-LED "
                                          "colours; left alone.")}));
    EXPECT_EQ(backend->serviceStatus().state().status, Status::Connected);

    // Nothing that can be lit at all: refused, and the connection stays for a changed list.
    const auto statusIs = [&](Status status) {
        backend->endPass(); // the notice is read at a pass
        return backend->serviceStatus().state().status == status;
    };
    server->announceDevices({broken});
    ASSERT_TRUE(QTest::qWaitFor([&] { return statusIs(Status::Refused); }));
    EXPECT_EQ(log.filter(QStringLiteral("left alone")).size(), 2); // said once
    server->announceDevices({keyboard(QStringLiteral("Good"))});
    EXPECT_TRUE(QTest::qWaitFor([&] { return statusIs(Status::Connected); }));
    EXPECT_EQ(server->received(openrgb::requestProtocolVersion).size(), 1u);
}

TEST_F(ServiceLife, TwoKeyboardsOfOneNameGetTheirOwnModesBackAfterAReconnect)
{
    start(6, {keyboard(QStringLiteral("Twin"), 0), keyboard(QStringLiteral("Twin"), 2)});
    ASSERT_TRUE(backend->init());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server->received(openrgb::updateMode).size() == 2; }));
    server->stop();
    ASSERT_TRUE(QTest::qWaitFor([&] {
        backend->endPass(); // a pass finds the connection gone
        return !backend->isRunning();
    }));
    server->restart(); // the keyboards now show Direct, which must not be what goes back
    ASSERT_TRUE(QTest::qWaitFor([&] { return server->received(openrgb::updateMode).size() == 4; }));
    server->clearReceived();
    backend->shutdown();
    EXPECT_TRUE(QTest::qWaitFor([&] { return server->received(openrgb::updateMode).size() == 2; }));
    EXPECT_EQ(modesSet(), (std::map<quint32, std::vector<qint32>>{{100, {0}}, {101, {2}}}));
    backend->endPass(); // after shutdown nothing connects again
    QTest::qWait(100);
    EXPECT_FALSE(backend->isRunning());
}

TEST_F(ServiceLife, WakingFromSleepSetsDirectAgainAndSendsAWholeFrameAtOnce)
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
    backend->endPass();
    QTest::qWait(100);
    server->clearReceived();
    const auto woke = std::chrono::steady_clock::now();
    for (const bool sleeping : {true, false}) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"));
        signal << sleeping;
        logind.send(signal);
    }
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return server->received(openrgb::updateLeds).size() == 2; }, 1000));
    for (const quint32 id : {100u, 101u}) {
        std::vector<std::pair<quint32, std::chrono::steady_clock::time_point>> order;
        for (const quint32 packet : {openrgb::updateMode, openrgb::updateLeds}) {
            for (const auto& r : server->received(packet)) {
                if (r.deviceId == id) {
                    order.emplace_back(packet, r.at);
                }
            }
        }
        ASSERT_EQ(order.size(), 2u) << id;
        EXPECT_LT(order[0].second, order[1].second) << "the mode goes before the frame";
        EXPECT_LT(order[1].second - woke, std::chrono::seconds(1));
    }
    EXPECT_EQ(log.filter(QStringLiteral("woke from sleep")).size(), 1);
}

// Another client on the same server, writing its own colours to the first keyboard.
class OtherProgram
{
public:
    OtherProgram(quint16 port, quint32 version)
        : m_version(version)
    {
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        m_socket.waitForConnected(2000);
        m_socket.write(
            openrgb::encodePacket(0, openrgb::requestProtocolVersion, openrgb::encodeU32(version)));
    }

    void write(std::size_t leds)
    {
        m_socket.write(openrgb::encodeUpdateLeds(m_version >= 6 ? 100 : 0,
                                                 std::vector<quint32>(leds, 0x00FF00FF)));
        m_socket.readAll();
    }

private:
    quint32 m_version;
    QTcpSocket m_socket;
};

class OtherWriters : public ServiceLife, public ::testing::WithParamInterface<quint32>
{};

TEST_P(OtherWriters, AreToldOfOnceWithinTenSecondsAndKelvarasOwnFramesNever)
{
    start(GetParam(), {keyboard(QStringLiteral("Board"))});
    ASSERT_TRUE(backend->init());
    type(3000);
    EXPECT_TRUE(log.filter(QStringLiteral("another program")).isEmpty());

    OtherProgram other(server->port(), GetParam());
    QElapsedTimer since;
    since.start();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            other.write(FakeOpenRgbServer::fullKeyboardLeds().size());
            backend->endPass();
            return !backend->serviceStatus().state().otherWriters.isEmpty();
        },
        10000));
    EXPECT_LT(since.elapsed(), 10000);
    type(1000); // the episode goes on: no second line
    EXPECT_EQ(log.filter(QStringLiteral("another program")),
              QStringList{QStringLiteral(
                  "Keyboard \"Board\": another program is setting its colours too.")});
    EXPECT_EQ(backend->serviceStatus().state().otherWriters, QStringList{QStringLiteral("Board")});
    EXPECT_EQ(backend->serviceStatus().state().status, Status::Connected);
}

INSTANTIATE_TEST_SUITE_P(Servers, OtherWriters, ::testing::Values(5u, 6u),
                         [](const auto& p) { return "Version" + std::to_string(p.param); });

TEST(OtherWriterWatch, AnEpisodeBeginsAtForeignColoursAndEndsThirtySecondsAfterTheLast)
{
    using namespace std::chrono_literals;
    setSystemLogSink([](const QString&) {});
    LightingServiceStatus status;
    status.set({Status::Connected, {}, {}});
    OtherWriterWatch watch(status);
    const auto t0 = OtherWriterWatch::Clock::now();
    const std::vector<quint32> foreign{9, 9};
    EXPECT_FALSE(watch.seen(1, QStringLiteral("K"), foreign, t0 + 10s)) << "nothing sent yet";
    for (quint32 frame = 0; frame < 40; ++frame) {
        watch.sent(1, std::vector<quint32>{frame, 0}, t0 + frame * 100ms);
    }
    EXPECT_FALSE(watch.seen(1, QStringLiteral("K"), std::vector<quint32>{39, 0}, t0 + 1s))
        << "settling";
    EXPECT_FALSE(watch.seen(1, QStringLiteral("K"), std::vector<quint32>{9, 0}, t0 + 5s))
        << "own frame, a while ago";
    EXPECT_TRUE(watch.seen(1, QStringLiteral("K"), std::vector<quint32>{5, 0}, t0 + 5s))
        << "older than remembered";
    EXPECT_FALSE(watch.seen(1, QStringLiteral("K"), foreign, t0 + 20s)) << "the same episode";
    EXPECT_FALSE(watch.seen(2, QStringLiteral("L"), foreign, t0 + 20s))
        << "another keyboard, nothing sent";
    EXPECT_EQ(watch.writing(), std::vector<quint32>{1});
    EXPECT_EQ(watch.nextEnd(), t0 + 50s);
    EXPECT_FALSE(watch.expire(t0 + 49s));
    EXPECT_TRUE(watch.expire(t0 + 50s));
    EXPECT_TRUE(watch.writing().empty());
    EXPECT_TRUE(watch.seen(1, QStringLiteral("K"), foreign, t0 + 51s)) << "a new episode";
    EXPECT_EQ(status.state().otherWriters, QStringList{QStringLiteral("K")});
    setSystemLogSink({});
}

} // namespace
} // namespace kelvara
