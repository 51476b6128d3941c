// The engine's frames through an OpenRGB protocol peer to keyboards that the key layout table
// alone does not cover: ISO and legend-named boards, two-LED keys, unplaced lights.

#include "led/openrgbbackend.h"
#include "support/enginefixture.h"
#include "support/painting.h"
#include "support/pertest.h"
#include "support/referencekeyboards.h"

#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace kelvara {
namespace {

using testing::FakeOpenRgbServer;
using testing::logged;

constexpr quint32 magenta = 0xFF00FF;

class KeyPlacingThroughThePeer : public testing::EngineFixture
{
protected:
    void serve(const FakeOpenRgbServer::Device& served)
    {
        device = served;
        server = std::make_unique<FakeOpenRgbServer>(6, std::vector{device});
        auto openRgb =
            std::make_unique<OpenRgbBackend>(QStringLiteral("127.0.0.1"), server->port());
        backend = openRgb.get();
        installLedBackend(std::move(openRgb));
        ASSERT_TRUE(backend->init());
    }

    // One sampling pass; the colours the peer received for the device's LEDs.
    std::vector<quint32> pass()
    {
        server->clearReceived();
        engine.updateKeyLights();
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return !server->received(openrgb::updateLeds).empty(); }));
        const std::vector<quint32> colours =
            FakeOpenRgbServer::colours(server->received(openrgb::updateLeds).back().payload);
        EXPECT_EQ(colours.size(), device.leds.size());
        return colours;
    }

    // Starts a wave at the key with the virtual key code and runs frames until the LED lights,
    // reporting whether another LED stayed dark every frame up to then.
    bool lightsBefore(std::int64_t keyCode, std::size_t lit, std::size_t dark)
    {
        canvas.backgroundImage = testing::solidPicture(Qt::black);
        engine.theCircles.theCirclesStore.clear();
        testing::onlyFirstRing(40, 0, 1, 60, 100, 100);
        ringSettings().thickness[0] = 6;
        engine.startWaveForKey(keyCode);
        for (int frame = 0; frame < 40; ++frame) {
            engine.theCircles.advanceFrame();
            const std::vector<quint32> colours = pass();
            if (colours.at(dark) != 0) {
                return false;
            }
            if (colours.at(lit) != 0) {
                return true;
            }
        }
        ADD_FAILURE() << "the wave never reached LED " << lit;
        return false;
    }

    FakeOpenRgbServer::Device device;
    std::unique_ptr<FakeOpenRgbServer> server;
    OpenRgbBackend* backend = nullptr;
};

TEST_F(KeyPlacingThroughThePeer, AnIsoKeyboardAtRestShowsThePictureOnEveryLed)
{
    FakeOpenRgbServer::Device iso =
        testing::referenceKeyboard(QStringLiteral("corsair-v2-protocol-k70-core-rgb-iso")).device;
    iso.restingColour = magenta;
    iso.leds.push_back(QStringLiteral("Underglow"));
    iso.zones.push_back({QStringLiteral("Underglow"), 1, 0, 0, {}});
    iso.leds.push_back(QStringLiteral("Key: Space")); // a space bar's second LED
    iso.zones.push_back({QStringLiteral("Space"), 1, 0, 0, {}});
    serve(iso);
    ASSERT_TRUE(logged().filter(QStringLiteral("by matrix")).size() == 1)
        << logged().join('\n').toStdString();

    canvas.backgroundImage = testing::solidPicture(QColor::fromRgbF(0.2f, 0.6f, 1.0f));
    const std::vector<quint32> colours = pass();
    const quint32 picture = openrgb::colourFromPercent(20, 60, 100);
    EXPECT_EQ(colours.at(device.led(QStringLiteral("Key: #"))), picture);
    EXPECT_EQ(colours.at(device.led(QStringLiteral("Key: \\ (ISO)"))), picture);
    EXPECT_EQ(colours.at(device.led(QStringLiteral("Key: '"))), picture);
    // The light with no place takes the mean of the keys, not what it showed before, and a key's
    // second LED its key's colour.
    EXPECT_EQ(colours.at(device.led(QStringLiteral("Underglow"))), picture);
    EXPECT_EQ(std::count(colours.begin(), colours.end(), magenta), 0);
    canvas.backgroundImage = testing::solidPicture(Qt::black);
    EXPECT_EQ(pass().at(device.led(QStringLiteral("Underglow"))), 0u)
        << "each pass has a mean of its own";
}

// \ lies left of Z, X right of it and a little nearer: a wave from Z lights \ before the C beyond
// X. On a German board whose driver calls the LED at the US Y place "Key: Z" and the one at the
// US Z place "Key: Y", a wave from the Y key (US place) lights the first before the second.
TEST_F(KeyPlacingThroughThePeer, AWaveLightsTheLedUnderItsRingBeforeOneFurtherOff)
{
    const std::tuple<const char*, std::int64_t, const char*, const char*> cases[] = {
        {"corsair-v2-protocol-k70-core-rgb-iso", 6, "Key: \\ (ISO)", "Key: C"},
        {"logitech-hid-2-0-g810-g610-0x8080-iso-qwertz", 16, "Key: Z", "Key: Y"}};
    for (const auto& [id, key, lit, dark] : cases) {
        serve(testing::referenceKeyboard(QString::fromLatin1(id)).device);
        EXPECT_TRUE(lightsBefore(key, device.led(QString::fromLatin1(lit)),
                                 device.led(QString::fromLatin1(dark))))
            << id;
    }
}

} // namespace
} // namespace kelvara
