#include "input/keylayouttable.h"
#include "rings/ringsettingstable.h"
#include "support/enginefixture.h"
#include "support/painting.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace kelvara {
namespace {

using Kind = RecordingLedBackend::Kind;

struct Lit
{
    int red;
    int green;
    int blue;

    bool operator==(const Lit&) const = default;
};

// Lock lights over a black picture with a yellow wave around A, beside Caps Lock.
class LockLights : public testing::EngineFixture
{
protected:
    LockLights()
    {
        canvas.backgroundImage = testing::solidPicture(Qt::black);
        ringSettings().active = {true, false, false, false, false};
        ringSettings().color[0] = QColor(255, 255, 0);
        engine.startWaveForKey(0); // A
        engine.animationStep(nullptr);
    }

    std::optional<Lit> sent(int hid) const
    {
        const auto call = leds->lastSent(Kind::Hid, hid);
        return call ? std::optional(Lit{call->red, call->green, call->blue}) : std::nullopt;
    }

    // The pixel of a key on a whole drawing of the canvas, as the window shows it.
    QColor shown(int hid)
    {
        QImage whole(canvas.pointSize(), QImage::Format_ARGB32_Premultiplied);
        whole.fill(Qt::transparent);
        QPainter painter(&whole);
        canvas.drawContents(painter);
        const auto row =
            std::find_if(keyLayoutTable().rows().begin(), keyLayoutTable().rows().end(),
                         [&](const KeyLayoutRow& r) { return r.hidCode == hid; });
        return whole.pixelColor(int(double(row->x) * engine.renderScaleHoriz),
                                int(double(row->y) * engine.renderScaleVert));
    }

    std::size_t passes() const { return leds->passes().size(); }
};

TEST_F(LockLights, ALitLockShowsItsColourOnItsKeyOnlyAtOnceAndOverTheRings)
{
    const Lit white{100, 100, 100};
    const Lit ringOnA = *sent(4);
    ASSERT_NE(ringOnA, white);
    const Lit capsBefore = *sent(57);

    // Each change is a pass of its own, without waiting for a tick.
    struct Step
    {
        std::optional<LockKeys> on;
        std::vector<int> white; // the lock keys that show it
    };

    const Step steps[] = {
        {capsLock, {57}},         {LockKeys(numLock | scrollLock), {83, 71}},
        {allLocks, {57, 83, 71}}, {LockKeys(0), {}},
        {capsLock, {57}},         {std::nullopt, {}}, // nothing tells the locks any more
    };
    for (const Step& step : steps) {
        const std::size_t before = passes();
        engine.setLockKeys(step.on);
        EXPECT_EQ(passes(), before + 1);
        for (const int hid : {57, 83, 71}) {
            const bool lit =
                std::find(step.white.begin(), step.white.end(), hid) != step.white.end();
            EXPECT_EQ(*sent(hid) == white, lit) << hid;
            EXPECT_EQ(shown(hid) == QColor(Qt::white), lit) << hid;
        }
        EXPECT_EQ(*sent(4), ringOnA) << "a neighbour keeps the ring";
    }
    EXPECT_EQ(*sent(57), capsBefore);

    engine.setLockKeys(capsLock);
    engine.setLockLightsShown(true, QColor(255, 0, 0));
    EXPECT_EQ(*sent(57), (Lit{100, 0, 0}));
    engine.animationStep(nullptr); // the rings move on; the lock stays over them
    EXPECT_EQ(*sent(57), (Lit{100, 0, 0}));
    engine.setLockLightsShown(false, QColor(255, 0, 0));
    EXPECT_NE(*sent(57), (Lit{100, 0, 0}));

    const std::size_t before = passes();
    engine.setLockKeys(capsLock); // no change
    EXPECT_EQ(passes(), before);
}

// A lock colour that lets some of what is under it through lies over the picture and the rings on
// the key's LED exactly as the window shows it, frame after frame as the ring passes.
TEST_F(LockLights, ATranslucentColourLetsThroughWhatTheWindowShowsUnderIt)
{
    const auto percents = [](const QColor& colour) {
        const auto of = [](float component) {
            return int(double(component) * 100.0);
        };
        return Lit{of(colour.redF()), of(colour.greenF()), of(colour.blueF())};
    };
    engine.setLockKeys(capsLock);
    for (const QColor& colour : {QColor(0, 0, 255, 128), QColor(255, 128, 0, 10)}) {
        engine.setLockLightsShown(true, colour);
        engine.startWaveForKey(0); // A, beside Caps Lock
        std::set<std::tuple<int, int, int>> seen;
        for (int frame = 0; frame < 12; ++frame) {
            const QColor under = shown(57);
            ASSERT_EQ(under.alpha(), 255);
            EXPECT_EQ(*sent(57), percents(under)) << frame;
            seen.insert({under.red(), under.green(), under.blue()});
            engine.animationStep(nullptr);
        }
        EXPECT_GT(seen.size(), 1u) << "the ring passes under the lock";
    }
}

} // namespace
} // namespace kelvara
