#include "led/ledplacement.h"
#include "led/standardkeygeometry.h"
#include "support/referencekeyboards.h"

#include <QRectF>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace kelvara {
namespace {

using openrgb::Controller;

// Whether any point of a fine grid lies in two outlines: keys that overlap.
bool anyOverlap(const std::vector<DrawnKey>& keys)
{
    constexpr double step = 0.125;
    std::set<std::pair<long, long>> covered;
    for (const DrawnKey& key : keys) {
        const QRectF box = key.outline.boundingRect();
        for (double y = box.top() + step / 2; y < box.bottom(); y += step) {
            for (double x = box.left() + step / 2; x < box.right(); x += step) {
                if (key.outline.containsPoint({x, y}, Qt::OddEvenFill) &&
                    !covered.insert({std::lround(x / step), std::lround(y / step)}).second) {
                    return true;
                }
            }
        }
    }
    return false;
}

const DrawnKey* keyWith(const KeyboardDrawing& drawing, const Controller& c, const QString& name)
{
    for (const DrawnKey& key : drawing.keys) {
        for (const std::size_t led : key.leds) {
            if (c.ledNames[led] == QStringLiteral("Key: ") + name) {
                return &key;
            }
        }
    }
    return nullptr;
}

// Every keyboard OpenRGB's drivers describe, drawn: no two keys overlap, every LED named as a key
// is in exactly one key (or, the ANSI \ and Enter of a list that serves ISO boards too, among the
// others),
// every ISO and JIS Enter is one L, and no board with key names is drawn as a bare grid.
TEST(KeyboardDrawingSweep, EveryReferenceBoardIsDrawnWithoutOverlapsAndEveryKeyOnce)
{
    int units = 0;
    int withExtras = 0;
    int grids = 0;
    int lEnters = 0;
    for (const auto& ref : testing::referenceKeyboards()) {
        const Controller c = testing::asServed(ref.device);
        const LedPlacement placement = placeLeds(c);
        const KeyboardDrawing& drawing = placement.drawing;
        const std::string id = ref.id.toStdString();
        ++units;
        EXPECT_FALSE(anyOverlap(drawing.keys)) << id;

        std::vector<int> inKeys(c.ledNames.size(), 0);
        bool extras = false;
        for (const DrawnKey& key : drawing.keys) {
            extras = extras || key.outline.boundingRect().top() < 0;
            for (const std::size_t led : key.leds) {
                ++inKeys.at(led);
            }
        }
        withExtras += extras ? 1 : 0;
        const std::set<std::size_t> other(drawing.other.begin(), drawing.other.end());
        const bool hasIsoEnter = std::find(c.ledNames.begin(), c.ledNames.end(),
                                           QStringLiteral("Key: Enter (ISO)")) != c.ledNames.end();
        bool named = false;
        for (std::size_t i = 0; i < c.ledNames.size(); ++i) {
            const bool key = c.ledNames[i].startsWith(QStringLiteral("Key: "));
            named = named || key;
            if (key && placement.kind.layout != KeyboardLayout::Unknown) {
                const bool otherFamily =
                    placement.kind.layout != KeyboardLayout::Ansi &&
                    (c.ledNames[i] == QStringLiteral("Key: \\ (ANSI)") ||
                     (c.ledNames[i] == QStringLiteral("Key: Enter") && hasIsoEnter));
                EXPECT_EQ(inKeys[i], otherFamily ? 0 : 1)
                    << id << " " << c.ledNames[i].toStdString();
                EXPECT_EQ(other.count(i), otherFamily ? 1u : 0u) << id;
            } else {
                EXPECT_LE(inKeys[i], 1) << id;
                EXPECT_EQ(inKeys[i] + int(other.count(i)), 1) << id;
            }
        }
        grids += placement.kind.layout == KeyboardLayout::Unknown ? 1 : 0;
        EXPECT_EQ(named, placement.kind.layout != KeyboardLayout::Unknown) << id;
        if (placement.kind.layout == KeyboardLayout::Iso ||
            placement.kind.layout == KeyboardLayout::Jis) {
            if (const DrawnKey* enter = keyWith(drawing, c,
                                                hasIsoEnter ? QStringLiteral("Enter (ISO)")
                                                            : QStringLiteral("Enter"))) {
                EXPECT_EQ(enter->outline.size(), 6) << id;
                lEnters += enter->outline.size() == 6 ? 1 : 0;
            }
        }
    }
    EXPECT_EQ(units, 536);
    // Those whose LEDs carry no key names, drawn as their matrix maps.
    EXPECT_EQ(grids, 26);
    EXPECT_EQ(lEnters, 328);
    // Those with keys outside the standard places: mostly media keys over the right end, macro
    // keys in a column on the left.
    EXPECT_EQ(withExtras, 223);
}

// Whatever a server describes, drawing stays bounded: thousands of LEDs, a 1000 by 1000 matrix, a
// name a megabyte long, names repeated or missing. Every LED is still in one key or among the
// other lights.
TEST(KeyboardDrawingOfNonsense, StaysBoundedAndPlacesEveryLedOnce)
{
    const auto check = [](const Controller& c, std::size_t mostKeys, const char* what) {
        const KeyboardDrawing drawing = drawKeyboard(c, keyboardKind(c));
        EXPECT_LE(drawing.keys.size(), mostKeys) << what;
        std::vector<int> seen(c.ledNames.size(), 0);
        for (const DrawnKey& key : drawing.keys) {
            for (const std::size_t led : key.leds) {
                ++seen.at(led);
            }
        }
        for (const std::size_t led : drawing.other) {
            ++seen.at(led);
        }
        EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](int n) { return n == 1; })) << what;
        // However many keys it holds, the picture stays within a board's reach.
        const QRectF bounds = boardBounds(drawing);
        EXPECT_LE(bounds.width(), 2 * farthestAcross + 1) << what;
        EXPECT_LE(bounds.height(), 2 * farthestDown + 1) << what;
        return drawing;
    };
    Controller many;
    many.type = 5;
    for (int i = 0; i < 5000; ++i) {
        many.ledNames.push_back(QStringLiteral("Key: K%1").arg(i));
    }
    many.zones.push_back({QStringLiteral("Keys"), 5000, 0, 0, {}});
    check(many, 1024, "5000 named keys");

    Controller grid;
    grid.type = 5;
    grid.ledNames.assign(5000, QStringLiteral("Keyboard LED"));
    grid.zones.push_back({QStringLiteral("Matrix"), 5000, 1000, 1000, {}});
    grid.zones.back().matrix.resize(1000 * 1000);
    for (std::size_t cell = 0; cell < grid.zones.back().matrix.size(); ++cell) {
        grid.zones.back().matrix[cell] = quint32(cell % 6000); // past the count now and then
    }
    check(grid, 1024, "a 1000 by 1000 matrix");

    Controller odd;
    odd.type = 5;
    odd.ledNames = {QStringLiteral("Key: A"), QStringLiteral("Key: A"), QString(),
                    QStringLiteral("Key: ") + QString(1 << 20, QLatin1Char('x')),
                    QStringLiteral("Key: A LED 2")};
    odd.zones.push_back({QStringLiteral("Keys"), 5, 0, 0, {}});
    const KeyboardDrawing drawn = check(odd, 2, "odd names");
    ASSERT_EQ(drawn.keys.size(), 2u);
    EXPECT_EQ(drawn.keys[0].leds, (std::vector<std::size_t>{0, 1, 4})); // one key A
    EXPECT_EQ(drawn.other, std::vector<std::size_t>{2});
}

struct StandardBoard
{
    const char* name;
    KeyboardKind kind;
    QSizeF outline; // u
    double leftShift;
    double rightShift;
    bool lEnter;
};

class StandardBoards : public ::testing::TestWithParam<StandardBoard>
{};

// A board whose LEDs name exactly the keys of a standard board: the keys the layouts differ in
// have their widths, the board its size class's outline, and A sits right of Caps Lock and below Q.
TEST_P(StandardBoards, KeepTheirWidthsAndOutline)
{
    const StandardBoard& b = GetParam();
    Controller c;
    c.type = 5;
    for (const StandardKey& key : standardKeys(b.kind.size, b.kind.layout)) {
        if (!key.name.isEmpty()) { // a place any navigation key may take
            c.ledNames.push_back(QStringLiteral("Key: ") + key.name);
        }
    }
    c.zones.push_back({QStringLiteral("Keyboard"), quint32(c.ledNames.size()), 0, 0, {}});
    const KeyboardKind kind = keyboardKind(c);
    ASSERT_EQ(kind, b.kind);
    const KeyboardDrawing drawing = drawKeyboard(c, kind);
    ASSERT_EQ(drawing.keys.size(), c.ledNames.size());
    EXPECT_TRUE(drawing.other.empty());
    EXPECT_FALSE(anyOverlap(drawing.keys));
    const auto box = [&](const char* name) {
        const DrawnKey* key = keyWith(drawing, c, QString::fromUtf8(name));
        return key ? key->outline.boundingRect() : QRectF();
    };
    const std::pair<const char*, double> widths[] = {{"Space", 6.25},
                                                     {"Tab", 1.5},
                                                     {"Caps Lock", 1.75},
                                                     {"Backspace", 2},
                                                     {"Right Shift", b.rightShift},
                                                     {"Left Shift", b.leftShift}};
    for (const auto& [name, width] : widths) {
        EXPECT_NEAR(box(name).width(), width, 0.1) << name;
    }
    const DrawnKey* enter = keyWith(drawing, c, QStringLiteral("Enter"));
    ASSERT_TRUE(enter);
    EXPECT_EQ(enter->outline.size(), b.lEnter ? 6 : 4);
    if (!b.lEnter) {
        EXPECT_NEAR(box("Enter").width(), 2.25, 0.1);
    }
    QRectF all;
    for (const DrawnKey& key : drawing.keys) {
        all |= key.outline.boundingRect();
    }
    EXPECT_NEAR(all.width(), b.outline.width(), 0.5);
    EXPECT_NEAR(all.height(), b.outline.height(), 0.5);
    EXPECT_EQ(all.topLeft(), QPointF(0, 0));
    EXPECT_GT(box("A").left(), box("Caps Lock").left());
    EXPECT_GT(box("A").top(), box("Q").top());
}

INSTANTIATE_TEST_SUITE_P(
    Boards, StandardBoards,
    ::testing::Values(
        StandardBoard{
            "FullAnsi", {KeyboardSize::Full, KeyboardLayout::Ansi}, {22.5, 6.5}, 2.25, 2.75, false},
        StandardBoard{
            "FullIso", {KeyboardSize::Full, KeyboardLayout::Iso}, {22.5, 6.5}, 1.25, 2.75, true},
        StandardBoard{
            "TklAnsi", {KeyboardSize::Tkl, KeyboardLayout::Ansi}, {18.25, 6.5}, 2.25, 2.75, false},
        StandardBoard{
            "TklIso", {KeyboardSize::Tkl, KeyboardLayout::Iso}, {18.25, 6.5}, 1.25, 2.75, true},
        StandardBoard{
            "SixtyAnsi", {KeyboardSize::Sixty, KeyboardLayout::Ansi}, {15, 5}, 2.25, 2.75, false},
        StandardBoard{
            "SixtyIso", {KeyboardSize::Sixty, KeyboardLayout::Iso}, {15, 5}, 1.25, 2.75, true},
        StandardBoard{"SeventyFiveIso",
                      {KeyboardSize::SeventyFive, KeyboardLayout::Iso},
                      {16, 6},
                      1.25,
                      1.75,
                      true},
        StandardBoard{"SixtyFiveAnsi",
                      {KeyboardSize::SixtyFive, KeyboardLayout::Ansi},
                      {16, 5},
                      2.25,
                      1.75,
                      false}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace kelvara
