#include "led/openrgbprotocol.h"
#include "support/fakeopenrgbserver.h"

#include <gtest/gtest.h>

namespace kelvara {
namespace {

using testing::FakeOpenRgbServer;

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

TEST(OpenRgbProtocol, PercentsBecomeBytesRoundedToTheNearestHalvesUpInTheServersOrder)
{
    const std::pair<int, quint32> levels[] = {
        {0, 0}, {1, 3}, {10, 26}, {33, 84}, {50, 128}, {99, 252}, {100, 255}, {-40, 0}, {250, 255},
    };
    for (const auto& [percent, level] : levels) {
        EXPECT_EQ(openrgb::colourFromPercent(percent, 0, 0), level) << percent;
        EXPECT_EQ(openrgb::colourFromPercent(0, percent, 0), level << 8) << percent;
        EXPECT_EQ(openrgb::colourFromPercent(0, 0, percent), level << 16) << percent;
    }
}

} // namespace
} // namespace kelvara
