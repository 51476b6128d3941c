#include "canvas/backgroundpictures.h"
#include "support/enginefixture.h"
#include "support/painting.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace kelvara {
namespace {

using Call = RecordingLedBackend::KeyCall;
using Kind = RecordingLedBackend::Kind;

class KeyLightSampling : public testing::EngineFixture
{
protected:
    const std::vector<Call>& samplePass()
    {
        engine.updateKeyLights();
        return leds->passes().back();
    }

    // Every key's light against the same pixel of a whole drawing of the canvas: reading only the
    // sampled pixels must not change what any of them holds.
    void expectPassMatchesWholeDrawing()
    {
        const qreal ratio = canvas.devicePixelRatioF();
        QImage whole((QSizeF(canvas.pointSize()) * ratio).toSize(),
                     QImage::Format_ARGB32_Premultiplied);
        whole.setDevicePixelRatio(ratio);
        whole.fill(Qt::transparent);
        {
            QPainter painter(&whole);
            canvas.drawContents(painter);
        }
        const auto& pass = samplePass();
        std::size_t i = 0;
        for (const KeyLayoutRow& row : keyLayoutTable()) {
            const QPoint at(int(double(row.x) * engine.backingRenderScaleHoriz),
                            int(double(row.y) * engine.backingRenderScaleVert));
            if (row.keyCode == mediaKeyBase || !whole.valid(at)) {
                continue;
            }
            ASSERT_LT(i, pass.size());
            const QColor expected = whole.pixelColor(at);
            const Call& call = pass[i++];
            EXPECT_EQ(call.red, int(double(expected.redF()) * 100)) << row.hidCode;
            EXPECT_EQ(call.green, int(double(expected.greenF()) * 100)) << row.hidCode;
            EXPECT_EQ(call.blue, int(double(expected.blueF()) * 100)) << row.hidCode;
        }
        EXPECT_EQ(i, pass.size());
        // The LED layer's own places are read the same way, kept inside the image.
        ASSERT_EQ(leds->placeColours.size(), leds->places.size());
        for (std::size_t p = 0; p < leds->places.size(); ++p) {
            const QPointF place = leds->places[p];
            const QPoint at(
                std::clamp(int(place.x() * engine.backingRenderScaleHoriz), 0, whole.width() - 1),
                std::clamp(int(place.y() * engine.backingRenderScaleVert), 0, whole.height() - 1));
            const QColor expected = whole.pixelColor(at);
            EXPECT_EQ(leds->placeColours[p],
                      (std::array<int, 3>{int(double(expected.redF()) * 100),
                                          int(double(expected.greenF()) * 100),
                                          int(double(expected.blueF()) * 100)}))
                << place.x() << ", " << place.y();
        }
    }

    // Waves of all five rings at every stage of their lives, over the whole keyboard.
    void startOverlappingWaves()
    {
        // Places of LEDs that no row reaches, two of them off the picture.
        leds->places = {{574, 185}, {136, 224}, {933, 20}, {41, 107}, {-5, 400}, {2000, 0}};
        ringSettings().active = {true, true, true, true, true};
        for (int key = 0; key < 50; key += 3) {
            engine.startWaveForKey(key);
            engine.theCircles.advanceFrame();
            engine.theCircles.advanceFrame();
        }
    }
};

TEST_F(KeyLightSampling, PercentagesAreTruncatedNotRounded)
{
    canvas.backgroundImage = testing::solidPicture(QColor::fromRgbF(1.0f, 0.5f, 0.129f));
    const auto& pass = samplePass();
    ASSERT_FALSE(pass.empty());
    for (const Call& call : pass) {
        EXPECT_EQ(call.red, 100);
        EXPECT_EQ(call.green, 50);
        EXPECT_EQ(call.blue, 12);
    }
}

// One call per row, key names only through the name call; the override rows send the four
// modifiers twice in one colour; rows outside a smaller canvas are skipped.
TEST_F(KeyLightSampling, OneCallPerRowThatTheCanvasHolds)
{
    const auto& pass = samplePass();
    EXPECT_EQ(pass.size(), 120u);
    std::set<std::int64_t> names;
    for (const Call& call : pass) {
        if (call.kind == Kind::KeyName) {
            names.insert(call.key);
        } else {
            EXPECT_LT(call.key, 0xFFF1) << "key name sent as a HID usage";
        }
    }
    const std::set<std::int64_t> expected{0xFFF1, 0xFFF2, 0xFFF3, 0xFFF4,  0xFFF5, 0xFFF6,
                                          0xFFF7, 0xFFF8, 0xFFF9, 0xFFFF1, 0xFFFF2};
    EXPECT_EQ(names, expected);

    keyLayoutTable().insertModifierOverrideRows(); // between two passes
    const auto& flipped = samplePass();
    EXPECT_EQ(flipped.size(), 124u);
    for (const std::int64_t hid : {226, 227, 230, 231}) {
        std::vector<Call> sent;
        std::copy_if(flipped.begin(), flipped.end(), std::back_inserter(sent),
                     [hid](const Call& c) { return c.kind == Kind::Hid && c.key == hid; });
        ASSERT_EQ(sent.size(), 2u) << hid;
        EXPECT_EQ(sent[0], sent[1]) << hid;
    }

    canvas.setPointSize(QSize(137, 50));
    const std::size_t inside = samplePass().size();
    EXPECT_LT(inside, 124u);
    EXPECT_GT(inside, 10u);
}

TEST_F(KeyLightSampling, LiveRingsColourTheKeysUnderThem)
{
    canvas.backgroundImage = testing::solidPicture(Qt::black);
    ringSettings().active = {true, false, false, false, false};
    ringSettings().color[0] = QColor(255, 255, 0);
    engine.startWaveForKey(0); // A
    engine.animationStep(nullptr);
    const auto lit = leds->lastSent(Kind::Hid, 4);
    ASSERT_TRUE(lit);
    EXPECT_GT(lit->red, 50);
    EXPECT_GT(lit->green, 50);
    EXPECT_EQ(lit->blue, 0);
    const auto far = leds->lastSent(Kind::Hid, 99); // keypad period, far from A
    ASSERT_TRUE(far);
    EXPECT_EQ(far->red, 0);

    // Scales made for a screen of another ratio (the primary one, say) are made again for the
    // canvas's own at the next pass: the wave and the key's sample stay together.
    engine.followScreen(2.0);
    engine.animationStep(nullptr);
    EXPECT_DOUBLE_EQ(engine.backingRenderScaleHoriz,
                     engine.renderScaleHoriz * canvas.devicePixelRatioF());
}

// Each pass shows the picture it is given and nothing of the one before, whatever the picture's
// kind: opaque, translucent with clear parts, or none at all.
class PictureKindSampling : public KeyLightSampling, public ::testing::WithParamInterface<int>
{
protected:
    static QImage picture(int kind)
    {
        if (kind == 0) {
            return testing::solidPicture(QColor(40, 90, 200));
        }
        if (kind == 2) {
            return {};
        }
        QImage translucent(274, 100, QImage::Format_ARGB32);
        for (int y = 0; y < translucent.height(); ++y) {
            for (int x = 0; x < translucent.width(); ++x) {
                translucent.setPixel(x, y, qRgba(x % 256, 200, y * 2, (x / 10) % 2 ? 0 : x % 256));
            }
        }
        return translucent;
    }
};

TEST_P(PictureKindSampling, EveryPassShowsOnlyItsOwnPictureAndRings)
{
    canvas.backgroundImage = testing::solidPicture(Qt::white);
    startOverlappingWaves();
    samplePass(); // leaves its pixels behind in the sampling image
    canvas.backgroundImage = picture(GetParam());
    leds->places = {{300, 100}, {136, 224}}; // the keyboards changed between the passes
    leds->placeColours.clear();
    engine.theCircles.advanceFrame();
    expectPassMatchesWholeDrawing();
    engine.theCircles.theCirclesStore.clear();
    expectPassMatchesWholeDrawing();
}

INSTANTIATE_TEST_SUITE_P(Kinds, PictureKindSampling, ::testing::Values(0, 1, 2));

// Runs in its own process with QT_SCALE_FACTOR=2 (see tests/CMakeLists.txt).
class KeyLightSamplingRatioTwo : public KeyLightSampling
{};

TEST_F(KeyLightSamplingRatioTwo, SamplesTheKeyAtItsDevicePixelAndRingsAsAWholeDrawingShows)
{
    if (canvas.devicePixelRatioF() != 2.0) {
        GTEST_SKIP() << "needs a screen of device pixel ratio 2";
    }
    engine.setBackground(&canvas, QStringLiteral("Midnight"));
    EXPECT_DOUBLE_EQ(engine.backingRenderScaleHoriz, 548.0 / 963.0);
    EXPECT_DOUBLE_EQ(engine.backingRenderScaleVert, 200.0 / 352.0);
    QImage picture = testing::solidPicture(Qt::blue, 2.0);
    picture.setPixelColor(45, 32, Qt::red); // Escape at (80, 57): 45.5..., 32.3...
    canvas.backgroundImage = picture;
    EXPECT_EQ(samplePass().front(), (Call{Kind::Hid, 41, 100, 0, 0}));
    startOverlappingWaves();
    expectPassMatchesWholeDrawing();
}

} // namespace
} // namespace kelvara
