// The user's own keyboard in the window, through the whole program and a protocol peer: drawn
// from what the server says of it, waves at its keys as drawn, each LED lit by its own key, kept
// for the next launch, and the reference picture back on request.

#include "app/appdelegate.h"
#include "canvas/artcanvasview.h"
#include "led/keyboardfile.h"
#include "led/openrgbbackend.h"
#include "prefs/preferencestore.h"
#include "support/applicationfixture.h"
#include "support/pertest.h"
#include "support/referencekeyboards.h"

#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

namespace kelvara {
namespace {

using testing::FakeOpenRgbServer;
using testing::ReferenceKeyboard;

constexpr std::int64_t keyZ = 6; // its virtual key code
constexpr std::int64_t hidZ = 0x1d;

// The whole program against a server that serves one ISO TKL board, with no keyboard seen before.
class DrawnKeyboardTest : public testing::ApplicationTest
{
protected:
    DrawnKeyboardTest() { QDir(keyboardsFolder()).removeRecursively(); }

    ~DrawnKeyboardTest() override { QDir(keyboardsFolder()).removeRecursively(); }

    // Launches against the server on the fixture's port, until its keyboard is drawn.
    void connectBoard()
    {
        installLedBackend(std::make_unique<OpenRgbBackend>(QStringLiteral("127.0.0.1"), port));
        launch(false);
        ASSERT_TRUE(QTest::qWaitFor([this] { return engine().drawnPlaces().has_value(); }, 10000))
            << testing::logged().join(QLatin1Char('\n')).toStdString();
    }

    KelvaraActions& engine() { return *delegate->theApp; }

    // The colours of the frames the server got, oldest first.
    static std::vector<std::vector<quint32>> frames(const FakeOpenRgbServer& server)
    {
        std::vector<std::vector<quint32>> all;
        for (const auto& frame : server.received(openrgb::updateLeds)) {
            all.push_back(FakeOpenRgbServer::colours(frame.payload));
        }
        return all;
    }

    const ReferenceKeyboard board =
        testing::referenceKeyboard(QStringLiteral("corsair-v2-protocol-k60-rgb-pro-tkl-b-iso"));
};

TEST_F(DrawnKeyboardTest, AnIsoTklBoardIsDrawnLitKeyByKeyAndShownAgainWithoutItsServer)
{
    FakeOpenRgbServer server(6, {board.device}, port);
    connectBoard();
    const ShownKeyboard shown = *ledBackend().keyboardChoice().shown();
    EXPECT_EQ(shown.name, board.device.name);
    EXPECT_EQ(shown.kind.size, KeyboardSize::Tkl);
    EXPECT_EQ(shown.kind.layout, KeyboardLayout::Iso);
    // No number pad: no drawn key answers to a keypad code.
    for (const std::int64_t code : shown.keyCodes) {
        EXPECT_FALSE(code >= 0x53 && code <= 0x63) << code;
    }
    const DrawnKeyPlaces places = *engine().drawnPlaces(); // outlives this engine
    EXPECT_EQ(delegate->artCanvas->pointSize(), places.pointSize());
    EXPECT_NE(places.pointSize(), QSize(274, 100));

    // Z's wave starts where Z is drawn.
    const std::size_t z = std::size_t(
        std::find(shown.keyCodes.begin(), shown.keyCodes.end(), hidZ) - shown.keyCodes.begin());
    ASSERT_LT(z, shown.keyCodes.size());
    engine().updateKeyLights();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frames(server).empty(); }, 5000));
    const std::size_t before = frames(server).size();
    const std::vector<quint32> resting = frames(server).back();
    engine().startWaveForKey(keyZ);
    ASSERT_EQ(engine().theCircles.theCirclesStore.size(), 3u); // the three active rings
    const QPointF centre = engine().theCircles.theCirclesStore.begin()->second.center;
    EXPECT_NEAR(centre.x(), places.keyPoints()[z].x(), 1e-9);
    EXPECT_NEAR(centre.y(), double(places.pointSize().height()) - places.keyPoints()[z].y(), 1e-9);

    // ISO \ left of Z and X right of it change colour in the same frame.
    engine().animationStep(nullptr);
    const std::size_t backslash = board.device.led(QStringLiteral("Key: \\ (ISO)"));
    const std::size_t x = board.device.led(QStringLiteral("Key: X"));
    const std::size_t p = board.device.led(QStringLiteral("Key: P"));
    ASSERT_LT(backslash, resting.size());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto all = frames(server);
            return std::any_of(all.begin() + std::ptrdiff_t(before), all.end(),
                               [&](const auto& f) { return f[backslash] != resting[backslash]; });
        },
        5000));
    const auto all = frames(server);
    const auto first = std::find_if(all.begin() + std::ptrdiff_t(before), all.end(),
                                    [&](auto& f) { return f[backslash] != resting[backslash]; });
    EXPECT_NE((*first)[x], resting[x]);
    EXPECT_EQ((*first)[p], resting[p]); // far from Z

    // Caps Lock on: its drawn key shows the lock colour, and so does its LED.
    const std::size_t caps = board.device.led(QStringLiteral("Key: Caps Lock"));
    engine().setLockKeys(capsLock);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto now = frames(server);
            return now.back()[caps] == 0xFFFFFFu;
        },
        5000));
    EXPECT_NE(frames(server).back()[p], 0xFFFFFFu);

    // Quit, and start again with no server: the same board at once.
    delegate->applicationWillTerminate();
    delegate.reset();
    server.stop();
    installLedBackend(std::make_unique<OpenRgbBackend>(QStringLiteral("127.0.0.1"), port));
    delegate = makeDelegate();
    delegate->applicationDidFinishLaunching();
    ASSERT_TRUE(engine().drawnPlaces().has_value());
    EXPECT_EQ(*ledBackend().keyboardChoice().shown(), shown);
    EXPECT_EQ(delegate->artCanvas->pointSize(), places.pointSize());
    EXPECT_EQ(engine().drawnPlaces()->keyPoints(), places.keyPoints());
}

TEST_F(DrawnKeyboardTest, TheSettingsNameTheReferencePictureAndItsTableComesBack)
{
    FakeOpenRgbServer server(6, {board.device}, port);
    connectBoard();
    QStringList offered;
    for (int i = 0; i < delegate->keyboardPopup->count(); ++i) {
        offered.append(delegate->keyboardPopup->itemText(i));
    }
    EXPECT_EQ(offered, QStringList({board.device.name, referencePictureChoice}));
    EXPECT_EQ(delegate->keyboardPopup->currentText(), board.device.name);

    // Saved as it is, the choice names nothing: the main keyboard is drawn anyway.
    delegate->savePrefsButton(nullptr);
    EXPECT_FALSE(openPreferenceStore()->contains(keyboardKey));

    delegate->keyboardPopup->setCurrentText(referencePictureChoice);
    delegate->savePrefsButton(nullptr);
    EXPECT_EQ(openPreferenceStore()->value(keyboardKey).toString(), referencePictureChoice);
    EXPECT_FALSE(engine().drawnPlaces().has_value());
    EXPECT_EQ(delegate->artCanvas->pointSize(), QSize(274, 100));
    engine().startWaveForKey(keyZ);
    const QPointF centre = engine().theCircles.theCirclesStore.begin()->second.center;
    EXPECT_EQ(centre, QPointF(170 * engine().renderScaleHoriz,
                              100.0 - 224 * engine().renderScaleVert)); // the table's Z

    delegate->keyboardPopup->setCurrentText(board.device.name);
    delegate->savePrefsButton(nullptr);
    EXPECT_FALSE(openPreferenceStore()->contains(keyboardKey));
    EXPECT_TRUE(engine().drawnPlaces().has_value());
}

} // namespace
} // namespace kelvara
