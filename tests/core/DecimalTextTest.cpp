#include "DecimalText.h"

#include <gtest/gtest.h>

#include <limits>

using namespace orlet;

TEST(ParseUnsignedDecimal, WholeNumbersWithinThirtyTwoBits)
{
    const struct {
        const char* text;
        std::optional<std::uint32_t> value;
    } cases[] = {
        { "0", 0u },
        { " 42 ", 42u },
        { "\t7\t", 7u },
        { "007", 7u },
        { "4294967295", 4294967295u },
        { "4294967296", std::nullopt },
        { "99999999999999999999", std::nullopt },
        { "", std::nullopt },
        { "  ", std::nullopt },
        { "1 2", std::nullopt },
        { "+1", std::nullopt },
        { "-0", std::nullopt },
        { "1.0", std::nullopt },
        { "0x10", std::nullopt },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseUnsignedDecimal(c.text), c.value) << '"' << c.text << '"';
}

TEST(ParseSingleDecimal, KeepsSinglePrecisionAndOverflowsToInfinity)
{
    EXPECT_EQ(ParseSingleDecimal(" 11.0592 "), 11.0592f);
    EXPECT_EQ(ParseDecimal("1e-3"), 0.001);
    EXPECT_EQ(ParseSingleDecimal("1e39"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(ParseSingleDecimal("-1e39"), -std::numeric_limits<float>::infinity());
    EXPECT_FALSE(ParseDecimal("1e400"));
    EXPECT_FALSE(ParseDecimal("inf"));
    EXPECT_FALSE(ParseDecimal("12,5"));
}
