#include "prefs/preferencestore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace kelvara {
namespace {

struct Parse
{
    const char* text;
    std::optional<std::int64_t> value;
};

class IntegerParse : public ::testing::TestWithParam<Parse>
{};

TEST_P(IntegerParse, AcceptsOnlyASignAndDigitsWithin64Bits)
{
    EXPECT_EQ(parseInteger(QString::fromUtf8(GetParam().text)), GetParam().value)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, IntegerParse,
                         ::testing::Values(Parse{"2", 2}, Parse{"59", 59}, Parse{"+45", 45},
                                           Parse{"-3", -3}, Parse{"007", 7},
                                           Parse{"9223372036854775807", INT64_MAX},
                                           Parse{"-9223372036854775808", INT64_MIN},
                                           Parse{"9223372036854775808", std::nullopt},
                                           Parse{"-9223372036854775809", std::nullopt},
                                           Parse{"99999999999999999999", std::nullopt},
                                           Parse{"", std::nullopt}, Parse{"+", std::nullopt},
                                           Parse{"-", std::nullopt}, Parse{" 45", std::nullopt},
                                           Parse{"45 ", std::nullopt}, Parse{"abc", std::nullopt},
                                           Parse{"4.5", std::nullopt}, Parse{"+-4", std::nullopt},
                                           Parse{"+-922922337", std::nullopt},
                                           Parse{"١٢", std::nullopt})); // Arabic-Indic digits

TEST(LeadingIntValue, ReadsTheIntegerATextFieldStartsWith)
{
    EXPECT_EQ(leadingIntValue(u"40"), 40);
    EXPECT_EQ(leadingIntValue(u"  -12px"), -12);
    EXPECT_EQ(leadingIntValue(u"abc"), 0);
    EXPECT_EQ(leadingIntValue(u""), 0);
    EXPECT_EQ(leadingIntValue(u"99999999999999999999"), INT32_MAX);
    EXPECT_EQ(leadingIntValue(u"-99999999999999999999"), INT32_MIN);
}

} // namespace
} // namespace kelvara
