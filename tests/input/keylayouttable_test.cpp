#include "input/keylayouttable.h"

#include <gtest/gtest.h>

#include <optional>

namespace kelvara {
namespace {

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

// What a pass compares every frame instead of the rows: a change makes a new one, a copy keeps it.
TEST(KeyLayoutTable, EveryChangeOfTheRowsIsToldByItsGeneration)
{
    KeyLayoutTable table;
    const KeyLayoutTable copy = table;
    EXPECT_EQ(copy.generation(), table.generation());
    EXPECT_NE(KeyLayoutTable().generation(), table.generation());
    table.insertModifierOverrideRows();
    EXPECT_NE(table.generation(), copy.generation());
}

} // namespace
} // namespace kelvara
