// Which keyboard the window draws, what its keys answer to, and how its LEDs take their key's
// colour.

#include "led/keyboardchoice.h"
#include "led/keyboardfile.h"
#include "led/keyboardframes.h"
#include "support/pertest.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kelvara {
namespace {

QString text(const char* latin1)
{
    return QString::fromLatin1(latin1);
}

// A keyboard of that name whose one key holds that many LEDs.
ShownKeyboard board(const char* name, std::size_t keyLeds)
{
    DrawnKey key;
    key.outline = QPolygonF(QRectF(0, 0, 1, 1));
    for (std::size_t led = 0; led < keyLeds; ++led) {
        key.leds.push_back(led);
    }
    return {text(name), {}, {{key}, {}}, {-1}};
}

struct ChoiceCase
{
    const char* name;
    std::vector<const char*> listed; // with 10, 30, 20 ... key LEDs in turn
    const char* kept;                // none when null
    const char* wish;
    const char* shown; // none when null
    int index;         // -1: none
};

class Choosing : public ::testing::TestWithParam<ChoiceCase>
{};

TEST_P(Choosing, DrawsTheNamedKeyboardElseTheMainOneElseTheKeptOne)
{
    const ChoiceCase& c = GetParam();
    KeyboardChoice choice;
    const std::size_t sizes[] = {10, 30, 20};
    std::vector<ShownKeyboard> listed;
    for (std::size_t i = 0; i < c.listed.size(); ++i) {
        listed.push_back(board(c.listed[i], sizes[i]));
    }
    choice.setWish(text(c.wish));
    choice.setKept(c.kept ? std::optional(board(c.kept, 5)) : std::nullopt);
    choice.setKeyboards(listed);
    EXPECT_EQ(choice.shown() ? choice.shown()->name : QString(), text(c.shown ? c.shown : ""));
    EXPECT_EQ(choice.shownIndex(),
              c.index < 0 ? std::nullopt : std::optional(std::size_t(c.index)));
    EXPECT_EQ(choice.shownName(), c.shown ? text(c.shown) : referencePictureChoice);
    EXPECT_EQ(choice.choosable().last(), referencePictureChoice);
    // The popup offers and shows what the settings name even while it is away, so that a save
    // does not drop it.
    if (*c.wish) {
        EXPECT_TRUE(choice.choosable().contains(text(c.wish)));
        EXPECT_EQ(choice.chosenName(), text(c.wish));
    } else {
        EXPECT_EQ(choice.chosenName(), choice.shownName());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Choosing,
    ::testing::Values(ChoiceCase{"NothingSeen", {}, nullptr, "", nullptr, -1},
                      ChoiceCase{"KeptBeforeTheServerAnswers", {}, "Old", "", "Old", -1},
                      ChoiceCase{"KeptUnlessAnotherIsNamed", {}, "Old", "New", nullptr, -1},
                      ChoiceCase{"ReferenceOverKept", {}, "Old", "Reference picture", nullptr, -1},
                      ChoiceCase{"MostKeyLeds", {"A", "B", "C"}, "Old", "", "B", 1},
                      ChoiceCase{"Named", {"A", "B", "C"}, nullptr, "C", "C", 2},
                      ChoiceCase{"NamedButGone", {"A", "B"}, nullptr, "Gone", "B", 1},
                      ChoiceCase{
                          "Reference", {"A", "B"}, nullptr, "Reference picture", nullptr, -1}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(KeyboardChoice, SignalsOnlyChangesAndKeepsTheBoardWhenTheServerGoes)
{
    KeyboardChoice choice;
    QSignalSpy shown(&choice, &KeyboardChoice::shownChanged);
    QSignalSpy listed(&choice, &KeyboardChoice::keyboardsChanged);
    choice.setKeyboards({board("A", 3)});
    choice.setKeyboards({board("A", 3)});
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(listed.count(), 1);
    // The server went: the board stays on show, with no keyboard to light.
    choice.setKeyboards({});
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(listed.count(), 2);
    ASSERT_TRUE(choice.shown());
    EXPECT_EQ(choice.shown()->name, text("A"));
    EXPECT_FALSE(choice.shownIndex());
    EXPECT_EQ(choice.choosable(), QStringList({text("A"), referencePictureChoice}));
    EXPECT_EQ(choice.automaticName(), text("A"));
    choice.setWish(referencePictureChoice);
    EXPECT_EQ(shown.count(), 2);
    EXPECT_FALSE(choice.shown());
}

TEST(ShownKeyboard, EachKeyAnswersToTheCodeOfItsFirstNamedLed)
{
    KeyboardDrawing drawing;
    const QPolygonF square(QRectF(0, 0, 1, 1));
    drawing.keys = {{{0}, square}, {{1, 2}, square}, {{3}, square}, {{9}, square}};
    const ShownKeyboard shown =
        shownKeyboard(text("K"), {}, drawing,
                      {text("Key: A"), text("Key: Space"), text("Key: Space LED 2"),
                       text("Underglow"), text("Key: B")});
    EXPECT_EQ(shown.keyCodes, (std::vector<std::int64_t>{0x04, 0x2c, -1, -1}));
}

TEST(KeyboardFrames, LedsLitByTheirKeyAreNotGivenTheMeanColour)
{
    openrgb::Controller controller;
    controller.name = text("K");
    controller.ledNames = {text("Key: A"), text("Underglow 1"), text("Underglow 2")};
    controller.colours.assign(3, 0);
    LedPlacement placement;
    placement.leds = {PlacedLed{LedWay::TableKey, 0x04, {}, false}, PlacedLed{}, PlacedLed{}};
    KeyboardFrames frames;
    frames.add(7, controller, placement);
    frames.lightCode(0x04, 100, 0, 0);
    const std::vector<DrawnKey> keys{{{1, 99}, {}}, {{}, {}}}; // 99 is past the count
    frames.setDrawnKeys(5, keys);                              // no such keyboard
    frames.lightKey(0, 0, 0, 100);
    frames.setDrawnKeys(0, keys);
    frames.lightKey(0, 0, 100, 0);
    frames.lightKey(1, 100, 100, 100); // a key without LEDs
    frames.lightKey(2, 100, 100, 100); // no such key
    frames.finishPass();
    const std::vector<quint32>& frame = frames.keyboards().front().frame;
    EXPECT_EQ(frame, (std::vector<quint32>{0x0000FF, 0x00FF00, 0x0000FF}));
    // The next pass lights nothing by key: the rule reaches both again.
    frames.lightCode(0x04, 0, 0, 100);
    frames.finishPass();
    EXPECT_EQ(frames.keyboards().front().frame[1], 0xFF0000u);
    // A new listing forgets the drawn keys until they are given again.
    frames.clear();
    frames.add(7, controller, placement);
    frames.lightKey(0, 0, 100, 0);
    frames.finishPass();
    EXPECT_EQ(frames.keyboards().front().frame[1], 0u);
}

TEST(KeyboardFrames, EachCodeLightsItsLedsOnEveryKeyboardSmallCodesAndLargeAlike)
{
    openrgb::Controller controller;
    controller.name = text("K");
    controller.ledNames = {text("1"), text("2"), text("3"), text("4")};
    controller.colours.assign(4, 0);
    const auto placed = [](std::int64_t code) {
        return PlacedLed{LedWay::TableKey, code, {}, false};
    };
    LedPlacement first;
    first.leds = {placed(7), placed(4), placed(5000), placed(4)};
    LedPlacement second;
    second.leds = {placed(4), placed(9), placed(0), placed(4095)};

    const struct
    {
        std::int64_t code;
        bool lit;
        std::vector<quint32> first;
        std::vector<quint32> second;
    } cases[] = {
        {4, true, {0, 0xFF, 0, 0xFF}, {0xFF, 0, 0, 0}}, {0, true, {0, 0, 0, 0}, {0, 0, 0xFF, 0}},
        {5000, true, {0, 0, 0xFF, 0}, {0, 0, 0, 0}},    {4095, true, {0, 0, 0, 0}, {0, 0, 0, 0xFF}},
        {9, true, {0, 0, 0, 0}, {0, 0xFF, 0, 0}},       {5, false, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {4096, false, {0, 0, 0, 0}, {0, 0, 0, 0}},      {-1, false, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {1 << 20, false, {0, 0, 0, 0}, {0, 0, 0, 0}},
    };

    for (const auto& c : cases) {
        KeyboardFrames frames;
        frames.add(1, controller, first);
        frames.add(2, controller, second);
        EXPECT_EQ(frames.lightCode(c.code, 100, 0, 0), c.lit) << c.code;
        EXPECT_EQ(frames.keyboards()[0].frame, c.first) << c.code;
        EXPECT_EQ(frames.keyboards()[1].frame, c.second) << c.code;
    }
}

TEST(KeptKeyboard, ComesBackFromItsFileWithItsKeysCodesOrNotAtAll)
{
    QTemporaryDir folder;
    ASSERT_TRUE(readKeptKeyboard(folder.path(), text("Board")) == std::nullopt); // no file
    EXPECT_FALSE(readKeptKeyboard(folder.path(), QString()));

    KeyboardDrawing drawing;
    drawing.keys = {{{0}, QPolygonF(QRectF(0, 0, 1, 1))}, {{2}, QPolygonF(QRectF(1, 0, 1, 1))}};
    drawing.other = {1};
    const std::vector<QString> names{text("Key: Q"), text("Logo"), text("Key: W")};
    QFile file(folder.filePath(keyboardFileName(text("Board"))));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(writeKeyboardFile(
        {text("Board"), {KeyboardSize::Tkl, KeyboardLayout::Iso}, drawing, {}}, names));
    file.close();
    const std::optional<ShownKeyboard> kept = readKeptKeyboard(folder.path(), text("Board"));
    ASSERT_TRUE(kept);
    EXPECT_EQ(*kept, shownKeyboard(text("Board"), {KeyboardSize::Tkl, KeyboardLayout::Iso}, drawing,
                                   names));
    EXPECT_EQ(kept->keyCodes, (std::vector<std::int64_t>{0x14, 0x1a}));

    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("{\"format\": 1, \"size\": \"huge\"}");
    file.close();
    EXPECT_FALSE(readKeptKeyboard(folder.path(), text("Board")));
    ASSERT_EQ(testing::logged().size(), 1);
    EXPECT_TRUE(testing::logged().front().contains(file.fileName()));
}

} // namespace
} // namespace kelvara
