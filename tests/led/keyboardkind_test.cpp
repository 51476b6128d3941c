#include "led/keyboardkind.h"
#include "support/referencekeyboards.h"

#include <gtest/gtest.h>

#include <map>

namespace kelvara {
namespace {

using openrgb::Controller;
using openrgb::Zone;
using Size = KeyboardSize;
using Layout = KeyboardLayout;

constexpr quint32 none = openrgb::noMatrixCell;

// The keys of a board, as "Key: " names, in one zone without a matrix.
Controller board(const QStringList& keys, int type = 5)
{
    Controller c;
    c.type = type;
    for (const QString& key : keys) {
        c.ledNames.push_back(
            key.startsWith(QStringLiteral("Logo")) ? key : QStringLiteral("Key: ") + key);
    }
    c.zones.push_back(Zone{QStringLiteral("Keyboard"), quint32(c.ledNames.size()), 0, 0, {}});
    return c;
}

QStringList keys(const char* spaced)
{
    return QString::fromUtf8(spaced).split(QLatin1Char('|'));
}

const QStringList mainBlock =
    keys("Escape|`|1|2|3|4|5|6|7|8|9|0|-|=|Backspace|Tab|Q|W|E|R|T|Y|U|I|O|P|[|]|Caps "
         "Lock|A|S|D|F|G|H|J|"
         "K|L|;|'|Enter|Left Shift|Z|X|C|V|B|N|M|,|.|/|Right Shift|Left Control|Left Windows|Left "
         "Alt|Space|Right Alt|Menu|Right Control");
const QStringList functionRow = keys("F1|F2|F3|F4|F5|F6|F7|F8|F9|F10|F11|F12");
const QStringList arrows = keys("Up Arrow|Down Arrow|Left Arrow|Right Arrow");
const QStringList navigation =
    keys("Print Screen|Scroll Lock|Pause/Break|Insert|Home|Page Up|Delete|End|Page Down");
const QStringList numberPad = keys("Num Lock|Number Pad /|Number Pad *|Number Pad -|Number Pad "
                                   "7|Number Pad 8|Number Pad 9|Number Pad +|Number Pad 4|Number "
                                   "Pad 5|Number Pad 6|Number Pad 1|Number Pad 2|Number Pad "
                                   "3|Number Pad 0|Number Pad .|Number Pad Enter");

struct KindCase
{
    const char* name;
    Controller controller;
    KeyboardKind kind;
};

class KindOf : public ::testing::TestWithParam<KindCase>
{};

TEST_P(KindOf, TheBoard)
{
    const KindCase& c = GetParam();
    const KeyboardKind kind = keyboardKind(c.controller);
    EXPECT_EQ(sizeName(kind.size), sizeName(c.kind.size));
    EXPECT_EQ(layoutName(kind.layout), layoutName(c.kind.layout));
}

// A full list of which a TKL board's matrix shows no number pad.
Controller tklInAFullList()
{
    Controller c = board(mainBlock + functionRow + navigation + arrows + numberPad);
    const auto shown = quint32(c.ledNames.size() - quint32(numberPad.size()));
    Zone& zone = c.zones.front();
    zone.matrixHeight = 1;
    zone.matrixWidth = shown + 1;
    for (quint32 i = 0; i < shown; ++i) {
        zone.matrix.push_back(i);
    }
    zone.matrix.push_back(none);
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    Boards, KindOf,
    ::testing::Values(
        KindCase{"FullAnsi",
                 board(mainBlock + functionRow + navigation + arrows + numberPad +
                       keys("\\ (ANSI)|Logo")),
                 {Size::Full, Layout::Ansi}},
        KindCase{"TklIso",
                 board(mainBlock + functionRow + navigation + arrows + keys("\\ (ISO)|#")),
                 {Size::Tkl, Layout::Iso}},
        KindCase{"TklWhoseMatrixLeavesOutThePad", tklInAFullList(), {Size::Tkl, Layout::Ansi}},
        KindCase{"SeventyFive",
                 board(mainBlock + functionRow + arrows + keys("Delete|Home|Page Up")),
                 {Size::SeventyFive, Layout::Ansi}},
        KindCase{"SixtyFive",
                 board(mainBlock + arrows + keys("Delete|Page Up")),
                 {Size::SixtyFive, Layout::Ansi}},
        KindCase{"SixtyIsoAzerty", board(mainBlock + keys("< >|ç|^")), {Size::Sixty, Layout::Iso}},
        KindCase{
            "Abnt2", board(mainBlock + keys("\\ (ISO)|ç|~|´ `")), {Size::Sixty, Layout::Abnt2}},
        KindCase{"Jis",
                 board(mainBlock + functionRow + navigation + arrows + keys("無変換|変換|¥")),
                 {Size::Tkl, Layout::Jis}},
        KindCase{"LaptopWithoutArrows",
                 board(mainBlock + functionRow, 19),
                 {Size::Laptop, Layout::Ansi}},
        KindCase{"UnnamedLeds", board(keys("Logo 1|Logo 2")), {Size::Other, Layout::Unknown}},
        KindCase{"UnnamedLaptop", board(keys("Logo 1"), 19), {Size::Laptop, Layout::Unknown}},
        KindCase{"Keypad", board(numberPad, 18), {Size::Keypad, Layout::Ansi}}),
    [](const auto& p) { return std::string(p.param.name); });

// Every keyboard OpenRGB's drivers describe: how many of those whose size and layout the file
// knows come out as the file has them. Lists that name the keys of two layouts alike (one list
// for the ANSI, ISO and JIS boards of a model) cannot all come out right.
TEST(KeyboardKindSweep, AgreesWithTheFileForMostBoards)
{
    int known = 0;
    int agree = 0;
    int sizesAgree = 0;
    int layoutsAgree = 0;
    std::map<std::string, int> keypads;
    for (const auto& ref : testing::referenceKeyboards()) {
        const KeyboardKind kind = keyboardKind(testing::asServed(ref.device));
        if (ref.layout == QStringLiteral("n/a")) {
            ++keypads[sizeName(kind.size).toStdString()];
        }
        if (ref.size == QStringLiteral("other") || ref.layout == QStringLiteral("unknown") ||
            ref.layout == QStringLiteral("n/a")) {
            continue;
        }
        const QString layout =
            ref.layout.startsWith(QStringLiteral("ISO")) ? QStringLiteral("ISO") : ref.layout;
        ++known;
        const bool sizeRight = sizeName(kind.size) == ref.size;
        const bool layoutRight = layoutName(kind.layout) == layout;
        sizesAgree += sizeRight ? 1 : 0;
        layoutsAgree += layoutRight ? 1 : 0;
        agree += sizeRight && layoutRight ? 1 : 0;
    }
    EXPECT_EQ(known, 505);
    EXPECT_EQ(agree, 406);
    EXPECT_EQ(sizesAgree, 490);
    EXPECT_EQ(layoutsAgree, 418);
    EXPECT_EQ(keypads, (std::map<std::string, int>{{"keypad", 7}}));
}

} // namespace
} // namespace kelvara
