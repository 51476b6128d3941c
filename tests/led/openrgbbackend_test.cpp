#include "led/openrgbbackend.h"
#include "led/openrgbprotocol.h"
#include "platform/systemlog.h"
#include "support/fakeopenrgbserver.h"

#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>

namespace kelvara {
namespace {

using testing::FakeOpenRgbServer;

FakeOpenRgbServer::Device keyboard(QString name = QStringLiteral("Test Keyboard"))
{
    FakeOpenRgbServer::Device device;
    device.name = std::move(name);
    device.leds = FakeOpenRgbServer::fullKeyboardLeds();
    return device;
}

int ledIndex(const FakeOpenRgbServer::Device& device, const QString& name)
{
    return int(std::find(device.leds.begin(), device.leds.end(), name) - device.leds.begin());
}

// The colours of one UPDATELEDS payload, after checking its size fields.
std::vector<quint32> frameColours(const QByteArray& payload)
{
    EXPECT_GE(payload.size(), 6);
    EXPECT_EQ(qFromLittleEndian<quint32>(payload.constData()), quint32(payload.size()));
    const quint16 count = qFromLittleEndian<quint16>(payload.constData() + 4);
    EXPECT_EQ(payload.size(), 6 + 4 * count);
    std::vector<quint32> colours;
    for (int i = 0; i < count; ++i) {
        colours.push_back(qFromLittleEndian<quint32>(payload.constData() + 6 + 4 * i));
    }
    return colours;
}

class OpenRgbVersions : public ::testing::TestWithParam<quint32>
{
protected:
    OpenRgbVersions()
    {
        setSystemLogSink([](const QString&) {});
    }

    ~OpenRgbVersions() override { setSystemLogSink({}); }
};

TEST_P(OpenRgbVersions, TakesTheKeyboardOverSendsOneFramePerPassAndHandsItBack)
{
    const quint32 version = GetParam();
    const FakeOpenRgbServer::Device device = keyboard();
    FakeOpenRgbServer server(version, {device});
    OpenRgbBackend backend(QStringLiteral("127.0.0.1"), server.port());
    ASSERT_TRUE(backend.init());
    EXPECT_EQ(backend.protocolVersion(), version);
    int major = 0;
    int minor = 0;
    int build = 0;
    backend.sdkVersion(&major, &minor, &build);
    EXPECT_EQ(major, int(version));

    // Direct mode, with its block echoed as the server sent it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.received(openrgb::updateMode).size() == 1; }));
    const QByteArray modeBlock = FakeOpenRgbServer::encodeDevice(device, version);
    const auto take = server.received(openrgb::updateMode).front();
    EXPECT_EQ(qFromLittleEndian<quint32>(take.payload.constData()), quint32(take.payload.size()));
    EXPECT_EQ(qFromLittleEndian<qint32>(take.payload.constData() + 4), 1);
    EXPECT_TRUE(take.payload.mid(8).startsWith(QByteArray("\x07\x00"
                                                          "Direct\0",
                                                          9)));

    backend.setHidKey(4, 100, 50, 0);                  // A
    backend.setNamedKey(0xFFFF1, 0, 0, 100);           // the logo
    EXPECT_FALSE(backend.setHidKey(231 + 1, 1, 1, 1)); // no such light
    backend.endPass();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.received(openrgb::updateLeds).size() == 1; }));
    const auto colours = frameColours(server.received(openrgb::updateLeds).front().payload);
    ASSERT_EQ(colours.size(), device.leds.size());
    EXPECT_EQ(colours[std::size_t(ledIndex(device, QStringLiteral("Key: A")))], 0x0080FFu);
    EXPECT_EQ(colours[std::size_t(ledIndex(device, QStringLiteral("Logo")))], 0xFF0000u);
    EXPECT_EQ(colours[std::size_t(ledIndex(device, QStringLiteral("Key: B")))], 0x000102u);

    backend.shutdown();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.received(openrgb::updateMode).size() == 2; }));
    const auto restore = server.received(openrgb::updateMode).back();
    EXPECT_EQ(qFromLittleEndian<qint32>(restore.payload.constData() + 4), 0); // Static again
    // Static holds per-LED colours: the keyboard's own colours go back too.
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.received(openrgb::updateLeds).size() == 2; }));
    const auto own = frameColours(server.received(openrgb::updateLeds).back().payload);
    EXPECT_TRUE(std::all_of(own.begin(), own.end(), [](quint32 c) { return c == 0x000102; }));
}

INSTANTIATE_TEST_SUITE_P(Servers, OpenRgbVersions, ::testing::Values(4u, 5u, 6u),
                         [](const auto& p) { return "Version" + std::to_string(p.param); });

class OpenRgbBackendTest : public ::testing::Test
{
protected:
    OpenRgbBackendTest()
    {
        setSystemLogSink([this](const QString& line) { log.append(line); });
    }

    ~OpenRgbBackendTest() override { setSystemLogSink({}); }

    QStringList log;
};

TEST_F(OpenRgbBackendTest, EveryKeyboardGetsItsOwnFrameAndOtherDevicesNone)
{
    FakeOpenRgbServer::Device mouse;
    mouse.type = 6;
    mouse.name = QStringLiteral("Mouse");
    mouse.leds = {QStringLiteral("Logo")};
    FakeOpenRgbServer::Device small = keyboard(QStringLiteral("Small"));
    small.leds = {QStringLiteral("Key: \\"), QStringLiteral("Key: Right Fn"), QStringLiteral("G1")};
    FakeOpenRgbServer server(6, {keyboard(), mouse, small});
    OpenRgbBackend backend(QStringLiteral("127.0.0.1"), server.port());
    ASSERT_TRUE(backend.init());
    EXPECT_EQ(backend.keyboardCount(), 2u);

    backend.setHidKey(49, 100, 0, 0);       // backslash
    backend.setHidKey(231, 0, 100, 0);      // right GUI
    backend.setNamedKey(0xFFF1, 0, 0, 100); // G1
    backend.setHidKey(4, 100, 100, 100);    // A: the small keyboard has none
    backend.endPass();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.received(openrgb::updateLeds).size() == 2; }));
    QTest::qWait(50);
    const auto frames = server.received(openrgb::updateLeds);
    ASSERT_EQ(frames.size(), 2u);
    const auto smallFrame =
        std::find_if(frames.begin(), frames.end(), [](const auto& f) { return f.deviceId == 102; });
    ASSERT_NE(smallFrame, frames.end());
    EXPECT_EQ(frameColours(smallFrame->payload),
              (std::vector<quint32>{0x0000FF, 0x00FF00, 0xFF0000}));
}

struct Spoiled
{
    const char* name;
    FakeOpenRgbServer::Fault fault;
};

class OpenRgbMalformed : public ::testing::TestWithParam<Spoiled>
{};

// Broken framing ends the connection; a controller whose data is spoiled is left alone.
TEST_P(OpenRgbMalformed, RepliesLightNothingAndStopNothing)
{
    setSystemLogSink([](const QString&) {});
    FakeOpenRgbServer server(6, {keyboard()});
    server.setFault(GetParam().fault);
    OpenRgbBackend backend(QStringLiteral("127.0.0.1"), server.port());
    EXPECT_FALSE(backend.init());
    EXPECT_EQ(backend.serviceStatus().state().status, LightingServiceState::Status::Refused);
    backend.setHidKey(4, 1, 2, 3);
    backend.endPass();
    backend.shutdown();
    EXPECT_TRUE(server.received(openrgb::updateLeds).empty());
    setSystemLogSink({});
}

INSTANTIATE_TEST_SUITE_P(
    Replies, OpenRgbMalformed,
    ::testing::Values(Spoiled{"BadMagic", FakeOpenRgbServer::Fault::BadMagic},
                      Spoiled{"Truncated", FakeOpenRgbServer::Fault::Truncated},
                      Spoiled{"Oversized", FakeOpenRgbServer::Fault::Oversized},
                      Spoiled{"WrongInnerSize", FakeOpenRgbServer::Fault::WrongInnerSize}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(OpenRgbBackendTest, NoServerMeansNoConnection)
{
    quint16 port = 0;
    {
        FakeOpenRgbServer gone(6, {});
        port = gone.port();
    }
    OpenRgbBackend backend(QStringLiteral("127.0.0.1"), port);
    EXPECT_FALSE(backend.init());
    backend.shutdown();
}

TEST_F(OpenRgbBackendTest, AServerThatGoesAwayIsTakenOverAgainWhenItComesBack)
{
    FakeOpenRgbServer server(6, {keyboard()});
    OpenRgbBackend backend(QStringLiteral("127.0.0.1"), server.port());
    backend.setRetryIntervals(50, 50);
    ASSERT_TRUE(backend.init());
    const QString at = QStringLiteral("Lighting service at 127.0.0.1:%1: ").arg(server.port());
    server.stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !backend.isRunning(); }, 5000));
    backend.endPass(); // nothing to send to, nothing blocks
    QTest::qWait(300); // tries that find nothing say nothing more
    EXPECT_EQ(backend.serviceStatus().state().status, LightingServiceState::Status::NotRunning);

    server.clearReceived();
    server.restart();
    ASSERT_TRUE(QTest::qWaitFor([&] { return backend.isRunning(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.received(openrgb::updateMode).size() == 1; }));
    backend.setHidKey(4, 100, 0, 0);
    backend.endPass();
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.received(openrgb::updateLeds).size() == 1; }));
    backend.shutdown();
    // One line for each change, however many tries found nothing.
    EXPECT_EQ(log.filter(at).size(), 3) << log.join('\n').toStdString();
    EXPECT_EQ(log.filter(QStringLiteral(". LGS is not running. It is required.")).size(), 1);
}

TEST_F(OpenRgbBackendTest, AChangedDeviceListIsPlacedAgainWhileFramesGoOn)
{
    FakeOpenRgbServer server(6, {keyboard()});
    OpenRgbBackend backend(QStringLiteral("127.0.0.1"), server.port());
    ASSERT_TRUE(backend.init());
    // Frames while running: the server's answers are read at the next pass, not as they come.
    for (int i = 0; i < 5; ++i) {
        backend.endPass();
        QTest::qWait(5);
    }
    FakeOpenRgbServer::Device second = keyboard(QStringLiteral("Second Keyboard"));
    second.leds.push_back(QStringLiteral("Key: #"));
    server.announceDevices({keyboard(), second});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            backend.endPass(); // the notice waits for a pass
            return backend.isRunning() && backend.keyboardCount() == 2;
        },
        5000));
    EXPECT_EQ(backend.keyboards().back().data.name, QStringLiteral("Second Keyboard"));
    EXPECT_EQ(backend.extraPlaces().size(), 1u); // the ISO key of the new one
    QTest::qWait(100);                           // the frames of the passes above arrive
    server.clearReceived();
    backend.endPass();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.received(openrgb::updateLeds).size() == 2; }));
    EXPECT_EQ(server.received(openrgb::updateLeds).back().deviceId, 101u);
    EXPECT_EQ(log.filter(QStringLiteral("not running")).size(), 0);
    backend.shutdown();
}

TEST_F(OpenRgbBackendTest, AServerThatFallsSilentIsLostAndTakenOverWhenItAnswersAgain)
{
    FakeOpenRgbServer server(6, {keyboard()});
    OpenRgbBackend backend(QStringLiteral("127.0.0.1"), server.port());
    backend.setRetryIntervals(50, 50);
    backend.setSilenceLimit(300);
    ASSERT_TRUE(backend.init());
    // A server that keeps the connection but answers nothing, like a suspended host.
    server.setPaused(true);
    backend.endPass();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !backend.isRunning(); }, 5000));
    EXPECT_EQ(log.filter(QStringLiteral(": no answer for 0.3 seconds. LGS is not running.")).size(),
              1)
        << log.join('\n').toStdString();

    server.clearReceived();
    server.setPaused(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return backend.isRunning(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.received(openrgb::updateMode).size() == 1; }));
    backend.shutdown();
}

TEST_F(OpenRgbBackendTest, AServerThatStopsReadingGetsWholeFramesInOrderWhenItReadsOn)
{
    const FakeOpenRgbServer::Device device = keyboard();
    FakeOpenRgbServer server(6, {device});
    OpenRgbBackend backend(QStringLiteral("127.0.0.1"), server.port());
    // Slow machines take a while over this many passes; the server is not to count as gone.
    backend.setSilenceLimit(600000);
    ASSERT_TRUE(backend.init());
    server.clearReceived();
    server.setPaused(true);
    // Far more than the kernel's buffers and the socket's own limit hold: some frames go whole
    // to the kernel, some in part with the rest queued, and the rest are never sent.
    constexpr int passes = 40000;
    for (int i = 1; i <= passes; ++i) {
        backend.setHidKey(4, i % 101, 0, 0);
        backend.endPass();
        if (i % 1000 == 0) {
            QCoreApplication::processEvents();
        }
    }
    server.setPaused(false);
    QTest::qWait(200);
    // Once all that was queued has gone, a frame goes out again.
    backend.setHidKey(4, 0, 100, 0);
    backend.endPass();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto frames = server.received(openrgb::updateLeds);
            return !frames.empty() &&
                   frameColours(frames.back().payload)
                           .at(std::size_t(ledIndex(device, QStringLiteral("Key: A")))) ==
                       0x00FF00u;
        },
        10000));
    const auto frames = server.received(openrgb::updateLeds);
    EXPECT_LT(frames.size(), std::size_t(passes)) << "frames were queued without limit";
    // Every frame arrived whole, and the red of key A only ever went up, bar its wrap to 0.
    int wraps = 0;
    quint32 last = 0;
    for (std::size_t f = 0; f + 1 < frames.size(); ++f) {
        const std::vector<quint32> colours = frameColours(frames[f].payload);
        ASSERT_EQ(colours.size(), device.leds.size());
        const quint32 red = colours.at(std::size_t(ledIndex(device, QStringLiteral("Key: A"))));
        wraps += red < last ? 1 : 0;
        last = red;
    }
    EXPECT_LE(wraps, passes / 101);
    backend.shutdown();
}

TEST(OpenRgbProtocol, ColourPercentagesBecomeBytes)
{
    EXPECT_EQ(openrgb::colourFromPercent(100, 0, 0), 0x0000FFu);
    EXPECT_EQ(openrgb::colourFromPercent(0, 100, 0), 0x00FF00u);
    EXPECT_EQ(openrgb::colourFromPercent(0, 0, 100), 0xFF0000u);
    EXPECT_EQ(openrgb::colourFromPercent(50, 12, 0), 0x001F80u);
    EXPECT_EQ(openrgb::colourFromPercent(150, -3, 100), 0xFF00FFu);
}

TEST(OpenRgbProtocol, UpdateLedsCarriesExactSizeFields)
{
    const QByteArray packet = openrgb::encodeUpdateLeds(3, {0x0000FF, 0xFF0000});
    const QByteArray expected("ORGB\x03\0\0\0\x1A\x04\0\0\x0E\0\0\0\x0E\0\0\0\x02\0"
                              "\xFF\0\0\0\0\0\xFF\0",
                              30);
    EXPECT_EQ(packet, expected);
}

TEST(OpenRgbProtocol, PacketReaderWaitsForWholePacketsAndRefusesNonsense)
{
    openrgb::PacketReader reader;
    const QByteArray packet = openrgb::encodePacket(1, 100, QByteArray("abc"));
    reader.append(packet.left(10));
    EXPECT_FALSE(reader.next());
    reader.append(packet.mid(10));
    const auto got = reader.next();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->id, 100u);
    EXPECT_EQ(got->payload, QByteArray("abc"));
    reader.append(QByteArray(16, 'x'));
    EXPECT_FALSE(reader.next());
    EXPECT_TRUE(reader.failed());
}

TEST(OpenRgbProtocol, ZoneMatricesAreReadAtEveryVersionAndBadOnesLeftOut)
{
    FakeOpenRgbServer::Device device;
    device.leds = {QStringLiteral("Key: Q"), QStringLiteral("Key: W"), QStringLiteral("Key: E"),
                   QStringLiteral("Logo")};
    device.zones = {
        openrgb::Zone{QStringLiteral("Keys"), 3, 2, 2, {0, 1, openrgb::noMatrixCell, 2}},
        // Says 3 x 3 but holds two cells: the map is left out, the rest still read.
        openrgb::Zone{QStringLiteral("Logo"), 1, 3, 3, {0, 0}}};
    for (const quint32 version : {4u, 5u, 6u}) {
        const auto parsed =
            openrgb::parseControllerData(FakeOpenRgbServer::encodeDevice(device, version), version);
        ASSERT_TRUE(parsed.has_value()) << version;
        ASSERT_EQ(parsed->zones.size(), 2u);
        EXPECT_EQ(parsed->zones[0].name, QStringLiteral("Keys"));
        EXPECT_EQ(parsed->zones[0].ledsCount, 3u);
        EXPECT_EQ(parsed->zones[0].matrixWidth, 2u);
        EXPECT_EQ(parsed->zones[0].matrix, device.zones[0].matrix);
        EXPECT_TRUE(parsed->zones[1].matrix.empty());
        EXPECT_EQ(parsed->ledNames, device.leds);
    }
}

TEST(OpenRgbProtocol, ControllerCountsAreCheckedAgainstTheirPayload)
{
    EXPECT_EQ(openrgb::parseControllerIds(openrgb::encodeU32(2), 5), (std::vector<quint32>{0, 1}));
    EXPECT_FALSE(openrgb::parseControllerIds(openrgb::encodeU32(2) + openrgb::encodeU32(9), 6));
    EXPECT_FALSE(openrgb::parseControllerIds(openrgb::encodeU32(0xFFFFFFFF), 5));
    EXPECT_FALSE(openrgb::parseControllerIds(QByteArray(), 6));
}

} // namespace
} // namespace kelvara
