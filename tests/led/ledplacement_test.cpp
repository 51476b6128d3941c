#include "led/ledplacement.h"
#include "support/referencekeyboards.h"

#include <QLineF>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>

namespace kelvara {
namespace {

using openrgb::Controller;
using openrgb::noMatrixCell;
using openrgb::Zone;

constexpr quint32 none = noMatrixCell;

// A matrix zone over the given LEDs (device indices from start), rows of cells.
Zone matrixZone(quint32 start, quint32 count, const std::vector<std::vector<quint32>>& rows)
{
    Zone zone{QStringLiteral("Keyboard"), count, quint32(rows.size()), quint32(rows[0].size()), {}};
    for (const auto& row : rows) {
        for (const quint32 cell : row) {
            zone.matrix.push_back(cell == none ? none : cell - start);
        }
    }
    return zone;
}

Controller controllerOf(std::initializer_list<const char*> leds, std::vector<Zone> zones = {},
                        int type = 5)
{
    Controller c;
    c.type = type;
    for (const char* name : leds) {
        c.ledNames.push_back(QString::fromUtf8(name));
    }
    if (zones.empty()) {
        zones.push_back(Zone{QStringLiteral("Keyboard"), quint32(c.ledNames.size()), 0, 0, {}});
    }
    c.zones = std::move(zones);
    return c;
}

// A reference device as a version 6 server sends it, read back as Kelvara reads it.
struct PlacingCase
{
    const char* name;
    Controller controller;
    int led;
    LedWay way;
    std::optional<std::int64_t> code;
    std::optional<QPointF> near; // within a quarter key
};

class PlacingOneLed : public ::testing::TestWithParam<PlacingCase>
{};

TEST_P(PlacingOneLed, GoesWhereItsNameOrMatrixSays)
{
    const PlacingCase& c = GetParam();
    const LedPlacement placement = placeLeds(c.controller);
    ASSERT_EQ(placement.leds.size(), c.controller.ledNames.size());
    const PlacedLed& led = placement.leds[std::size_t(c.led)];
    EXPECT_EQ(led.way, c.way);
    EXPECT_EQ(led.way == LedWay::TableKey ? std::optional(led.code) : std::nullopt, c.code);
    if (c.near) {
        EXPECT_LT(QLineF(led.at, *c.near).length(), 10.0) << led.at.x() << ", " << led.at.y();
    }
}

// A driver that names legends: "Z" in the US Y place (LED 2), "Y" in the US Z place (LED 6).
Controller legendNamedBoard()
{
    return controllerOf({"Key: R", "Key: T", "Key: Z", "Key: U", "Key: I", "Key: Left Shift",
                         "Key: Y", "Key: X", "Key: C"},
                        {matrixZone(0, 9, {{none, 0, 1, 2, 3, 4}, {5, 6, 7, 8, none, none}})});
}

INSTANTIATE_TEST_SUITE_P(
    Leds, PlacingOneLed,
    ::testing::Values(
        // ' at 542 and Enter at 606 on the home row: the ISO # between them.
        PlacingCase{"IsoHashBetweenItsMatrixNeighbours",
                    controllerOf({"Key: L", "Key: ;", "Key: '", "Key: #", "Key: Enter"},
                                 {matrixZone(0, 5, {{0, 1, 2, 3, 4}})}),
                    3, LedWay::Matrix, std::nullopt, QPointF(574, 185)},
        PlacingCase{"IsoBackslashBetweenLeftShiftAndZ",
                    controllerOf({"Key: Left Shift", "Key: \\ (ISO)", "Key: Z", "Key: X"},
                                 {matrixZone(0, 4, {{0, 1, 2, 3}})}),
                    1, LedWay::Matrix, std::nullopt, QPointF(138.5, 224)},
        // A macro key left of the number row: one key step left of the grave accent.
        PlacingCase{"MacroKeyCarriedFromTheNearestKey",
                    controllerOf({"Key: M1", "Key: `", "Key: 1", "Key: 2", "Key: Caps Lock",
                                  "Key: A", "Key: S"},
                                 {matrixZone(0, 7, {{0, 1, 2, 3}, {none, 4, 5, 6}})}),
                    0, LedWay::Matrix, std::nullopt, QPointF(41, 107)},
        PlacingCase{"IsoKeysWithoutMatrixByTheirStandardPlace",
                    controllerOf({"Key: A", "Key: \\ (ISO)"}), 1, LedWay::StandardName,
                    std::nullopt, QPointF(136, 224)},
        PlacingCase{"MediaKeyWithoutMatrixOverTheNumberPad",
                    controllerOf({"Key: A", "Key: Media Mute"}), 1, LedWay::StandardName,
                    std::nullopt, QPointF(933, 57)},
        PlacingCase{"UnderglowWithoutMatrixFollowsTheRule", controllerOf({"Key: A", "Underglow"}),
                    1, LedWay::Rule, std::nullopt, std::nullopt},
        PlacingCase{"SecondLedOfAKeyIsThatKeys", controllerOf({"Key: F1", "Key: F1 LED 2"}), 1,
                    LedWay::TableKey, 58, std::nullopt},
        PlacingCase{"SecondSpaceBarLedIsTheSpaceBars", controllerOf({"Key: Space", "Key: Space"}),
                    1, LedWay::TableKey, 44, std::nullopt},
        PlacingCase{"IsoEnterIsEnter", controllerOf({"Key: Enter (ISO)"}), 0, LedWay::TableKey, 40,
                    std::nullopt},
        PlacingCase{"PlusIsTheEqualsKeyOfABoardWithoutOne", controllerOf({"Key: -", "Key: +"}), 1,
                    LedWay::TableKey, 46, std::nullopt},
        PlacingCase{"PlusBesideAnEqualsKeyIsAnotherKey", controllerOf({"Key: =", "Key: +"}), 1,
                    LedWay::Rule, std::nullopt, std::nullopt},
        PlacingCase{"LegendZInTheYPlaceLightsAsY", legendNamedBoard(), 2, LedWay::Matrix,
                    std::nullopt, QPointF(336, 145)},
        PlacingCase{"LegendYInTheZPlaceLightsAsZ", legendNamedBoard(), 6, LedWay::Matrix,
                    std::nullopt, QPointF(157.5, 224)},
        // Nothing names a key: the matrix covers the keys of the picture, corner to corner.
        PlacingCase{
            "UnnamedMatrixSpreadOverThePicture",
            controllerOf({"Keyboard LED 1", "Keyboard LED 2", "Keyboard LED 3", "Keyboard LED 4"},
                         {matrixZone(0, 4, {{0, 1}, {2, 3}})}),
            3, LedWay::Matrix, std::nullopt, QPointF(933, 263)},
        PlacingCase{
            "UnnamedZoneBesideAKeyboardFollowsTheRule",
            controllerOf({"Key: Q", "Key: W", "Key: E", "Underglow LED 1", "Underglow LED 2"},
                         {matrixZone(0, 3, {{0, 1, 2}}), matrixZone(3, 2, {{3, 4}})}),
            4, LedWay::Rule, std::nullopt, std::nullopt},
        // A cell that points past its zone's LEDs is no place.
        PlacingCase{"CellPastItsZoneIsIgnored",
                    controllerOf({"Key: Q", "Key: W", "Light"},
                                 {Zone{QStringLiteral("Keys"), 2, 1, 3, {0, 1, 2}},
                                  Zone{QStringLiteral("Light"), 1, 0, 0, {}}}),
                    2, LedWay::Rule, std::nullopt, std::nullopt}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(LedPlacement, KeyboardsKeypadsAndLaptopsAreTakenMiceAndStripsAreNot)
{
    const Zone matrix = matrixZone(0, 1, {{0}});
    const std::vector<std::tuple<int, const char*, bool, bool>> cases{
        {5, "Logo", false, true},               // any keyboard
        {18, "Key: Number Pad 1", false, true}, // keypad with key names
        {18, "Keypad LED 1", true, true},       // keypad with a matrix
        {18, "Keypad LED 1", false, false},     // neither
        {19, "Zone R1C1", true, true},          // laptop with a matrix
        {19, "Lightbar L1", false, false},      // laptop light bar only
        {6, "Logo", false, false},              // mouse
        {6, "Key: A", false, true},             // anything else naming keys
    };
    for (const auto& [type, led, withMatrix, taken] : cases) {
        const Controller c =
            controllerOf({led}, withMatrix ? std::vector{matrix} : std::vector<Zone>{}, type);
        EXPECT_EQ(isKeyboardLike(c), taken) << type << " " << led;
    }
}

// The synthetic board has a key of each way; the two reference boards are the README's examples.
TEST(LedPlacement, TheLogLineCountsEachWay)
{
    const auto reference = [](const char* id) {
        return placeLeds(
            testing::asServed(testing::referenceKeyboard(QString::fromLatin1(id)).device));
    };
    const std::pair<LedPlacement, const char*> lines[] = {
        {placeLeds(
             controllerOf({"Key: A", "Key: Space", "Key: Space", "Key: Media Mute", "Logo L"})),
         "(60%, ANSI): 5 LEDs, 3 placed by key name, 0 by matrix, 1 by standard key place, 1 "
         "follow the mean colour."},
        {reference("razer-razer-huntsman-elite-iso"),
         "(full, ISO): 198 LEDs, 103 placed by key name, 6 by matrix, 0 by standard key place, 89 "
         "follow the "
         "mean colour."},
        {reference("logitech-hid-2-0-g810-g610-0x8080-iso-qwertz"),
         "(full, ISO): 117 LEDs, 94 placed by key name, 23 by matrix, 0 by standard key place, 0 "
         "follow the "
         "mean colour. Its driver names keys by their legends: 6 of them are placed by matrix "
         "instead."}};
    for (const auto& [placement, line] : lines) {
        EXPECT_EQ(placementSummary(QStringLiteral("Board"), placement).toStdString(),
                  std::string("Keyboard \"Board\" taken over ") + line);
    }
}

// The placing over every keyboard, keypad and laptop that OpenRGB's drivers describe, as a
// version 6 server sends them. The README gives the same figures.
TEST(LedPlacement, EveryReferenceKeyboardHasItsKeyLedsPlaced)
{
    struct Figures
    {
        long keys = 0;
        long placed = 0;
        int devices = 0;
        int whole = 0;
    };

    std::map<std::string, Figures> figures;
    for (const auto& ref : testing::referenceKeyboards()) {
        const Controller c = testing::asServed(ref.device);
        ASSERT_TRUE(isKeyboardLike(c)) << ref.id.toStdString();
        const LedPlacement placement = placeLeds(c);
        long keys = 0;
        long placed = 0;
        for (std::size_t i = 0; i < placement.leds.size(); ++i) {
            if (isKeyLedName(c.ledNames[i])) {
                ++keys;
                placed += placement.leds[i].way != LedWay::Rule ? 1 : 0;
            }
        }
        const std::string layout = ref.layout.startsWith(QStringLiteral("ISO")) ? "ISO" : "other";
        for (const std::string& group :
             {std::string("all"), layout, std::string(ref.layout == "JIS" ? "JIS" : "")}) {
            Figures& f = figures[group];
            f.keys += keys;
            f.placed += placed;
            ++f.devices;
            f.whole += keys == placed ? 1 : 0;
        }
    }
    const Figures& all = figures["all"];
    EXPECT_EQ(std::lround(1000.0 * double(all.placed) / double(all.keys)), 999) << all.placed;
    EXPECT_EQ(all.whole, 531);
    EXPECT_EQ(all.devices, 536);
    // All ISO and JIS boards but one.
    EXPECT_EQ(figures["ISO"].whole, 237);
    EXPECT_EQ(figures["ISO"].devices, 238);
    EXPECT_EQ(figures["JIS"].whole, figures["JIS"].devices);
}

} // namespace
} // namespace kelvara
