#include "input/keylayouttable.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kelvara {
namespace {

struct Lookup
{
    const char* name;
    std::int64_t keyCode;
    std::optional<std::pair<std::int64_t, std::int64_t>> position;
};

class KeyLayoutLookup : public ::testing::TestWithParam<Lookup>
{};

TEST_P(KeyLayoutLookup, FindsTheFirstRowCarryingTheCode)
{
    const KeyLayoutTable table;
    const Lookup& c = GetParam();
    const auto row = table.rowForKeyCode(c.keyCode);
    ASSERT_EQ(row.has_value(), c.position.has_value());
    if (row) {
        EXPECT_EQ(row->x, c.position->first);
        EXPECT_EQ(row->y, c.position->second);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyLayoutLookup,
    ::testing::Values(Lookup{"F3", 99, {{222, 57}}}, Lookup{"F8", 100, {{447, 57}}},
                      Lookup{"F12", 111, {{631, 57}}}, Lookup{"ScrollLock", 106, {{722, 57}}},
                      Lookup{"Pause", 107, {{761, 57}}}, Lookup{"F15HasNoRow", 113, std::nullopt},
                      Lookup{"FnHasNoRow", 63, std::nullopt},
                      Lookup{"IsoSectionHasNoRow", 10, std::nullopt},
                      Lookup{"VolumeUp", 2766, {{893, 57}}}, Lookup{"NextTrack", 2783, {{893, 57}}},
                      Lookup{"FastForwardHasNoRow", 2785, std::nullopt},
                      Lookup{"KeyNameMarkerFindsTheLogo", keyNameMarker, {{32, 57}}},
                      Lookup{"LeftCommand", 55, {{147, 263}}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(KeyLayoutTable, HoldsTheFullKeyboardInOrder)
{
    const KeyLayoutTable table;
    ASSERT_EQ(table.size(), 121u);
    EXPECT_EQ(table.rows().front(), (KeyLayoutRow{41, 53, 80, 57}));
    EXPECT_EQ(table.rows()[104], (KeyLayoutRow{0xFFFF1, keyNameMarker, 32, 57}));
    EXPECT_EQ(table.rows()[114], (KeyLayoutRow{0xFFF9, keyNameMarker, 256, 20}));
    EXPECT_EQ(table.rows().back(), (KeyLayoutRow{mediaKeyBase, 2783, 893, 57}));
    for (const KeyLayoutRow& row : table) {
        EXPECT_GE(row.x, 32);
        EXPECT_LE(row.x, 933);
        EXPECT_GE(row.y, 20);
        EXPECT_LE(row.y, 331);
    }
}

TEST(KeyLayoutTable, OverrideRowsStandBetweenEscapeAndF1InReverseOrder)
{
    KeyLayoutTable table;
    table.insertModifierOverrideRows();
    ASSERT_EQ(table.size(), 125u);
    EXPECT_EQ(table.rows()[0].keyCode, 53);
    EXPECT_EQ(table.rows()[1], (KeyLayoutRow{231, 58, 517, 263})); // D
    EXPECT_EQ(table.rows()[2], (KeyLayoutRow{230, 55, 468, 263})); // C
    EXPECT_EQ(table.rows()[3], (KeyLayoutRow{226, 54, 194, 263})); // B
    EXPECT_EQ(table.rows()[4], (KeyLayoutRow{227, 61, 147, 263})); // A
    EXPECT_EQ(table.rows()[5].keyCode, 122);                       // F1
}

TEST(KeyLayoutTable, OverrideRowsMoveTheFourModifierWaves)
{
    KeyLayoutTable table;
    const std::pair<std::int64_t, std::pair<std::int64_t, std::int64_t>> before[] = {
        {55, {147, 263}}, {58, {194, 263}}, {61, {468, 263}}, {54, {517, 263}}};
    const std::pair<std::int64_t, std::pair<std::int64_t, std::int64_t>> after[] = {
        {55, {468, 263}}, {58, {517, 263}}, {61, {147, 263}}, {54, {194, 263}}};
    for (const auto& [code, pos] : before) {
        EXPECT_EQ(table.rowForKeyCode(code)->x, pos.first) << code;
    }
    table.insertModifierOverrideRows();
    for (const auto& [code, pos] : after) {
        const auto row = table.rowForKeyCode(code);
        EXPECT_EQ(row->x, pos.first) << code;
        EXPECT_EQ(row->y, pos.second) << code;
    }
}

} // namespace
} // namespace kelvara
