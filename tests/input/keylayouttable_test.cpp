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
        EXPECT_EQ(std::pair(row->x, row->y), *c.position);
    }
}

// Codes that several rows carry find the first; codes no row carries find nothing.
INSTANTIATE_TEST_SUITE_P(
    Cases, KeyLayoutLookup,
    ::testing::Values(Lookup{"F15HasNoRow", 113, std::nullopt},
                      Lookup{"VolumeUp", 2766, {{893, 57}}},
                      Lookup{"FastForwardHasNoRow", 2785, std::nullopt},
                      Lookup{"KeyNameMarkerFindsTheLogo", keyNameMarker, {{32, 57}}}),
    [](const auto& p) { return std::string(p.param.name); });

// Four rows before F1, in reverse order, take the four modifiers' waves to each other's keys.
TEST(KeyLayoutTable, OverrideRowsMoveTheFourModifierWaves)
{
    KeyLayoutTable table;
    table.insertModifierOverrideRows();
    ASSERT_EQ(table.size(), 125u);
    EXPECT_EQ(table.rows()[1], (KeyLayoutRow{231, 58, 517, 263}));
    EXPECT_EQ(table.rows()[5].keyCode, 122); // F1
    const std::pair<std::int64_t, std::int64_t> after[] = {
        {55, 468}, {58, 517}, {61, 147}, {54, 194}};
    for (const auto& [code, x] : after) {
        EXPECT_EQ(table.rowForKeyCode(code)->x, x) << code;
    }
}

} // namespace
} // namespace kelvara
