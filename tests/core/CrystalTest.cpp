#include "Crystal.h"

#include <gtest/gtest.h>

using namespace orlet;

TEST(CrystalHzAt, TheCustomEntryAndNoSelectionHaveNoFrequency)
{
    EXPECT_EQ(CrystalHzAt(11), 0u);
    EXPECT_EQ(CrystalHzAt(-1), 0u);
}

namespace {

struct CustomCase {
    const char* typed;
    bool accepted;
    std::uint32_t hz;
    const char* shown; // the MHz box beside the list
};

} // namespace

TEST(CustomFrequency, ConversionRangeAndDisplay)
{
    const CustomCase cases[] = { { "3.6864", true, 3686400, "3.686400" }, { "7.3728", true, 7372799, "7.372800" },
        { "14.7456", true, 14745599, "14.745600" }, { "11.0592", true, 11059200, "11.059200" },
        { "22.1184", true, 22118400, "22.118401" }, { "1", true, 1000000, "1.000000" },
        { "100", true, 100000000, "100.000000" }, { "100.000001", true, 100000000, "100.000000" },
        { " 12 ", true, 12000000, "12.000000" }, { "100.00001", false, 0, "" }, { "0", false, 0, "" },
        { "0.999999", false, 0, "" }, { "-5", false, 0, "" }, { "1e300", false, 0, "" } };
    for (const CustomCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        const auto mhz = ParseCustomMhz(c.typed);
        ASSERT_TRUE(mhz.has_value());
        EXPECT_EQ(IsCustomMhzAccepted(*mhz), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(CustomMhzToHz(*mhz), c.hz);
            EXPECT_EQ(FormatCustomMhz(*mhz), c.shown);
        }
    }
}

TEST(ParseCustomMhz, RefusesWhatIsNotANumber)
{
    for (const char* text : { "", "  ", "abc", "-", "12MHz", "1.2.3", "0x10", "inf", "nan", "1e999" })
        EXPECT_FALSE(ParseCustomMhz(text).has_value()) << text;
}

TEST(CrystalHzFromMhzText, ListedCrystalsComeFromTheTable)
{
    EXPECT_EQ(CrystalHzFromMhzText("3.6864"), 3686400u); // custom path would give 3686400 too
    EXPECT_EQ(CrystalHzFromMhzText("22.1184"), 22118400u);
    EXPECT_EQ(CrystalHzFromMhzText("12.0"), 12000000u);
    EXPECT_EQ(CrystalHzFromMhzText("7.3728"), 7372799u); // custom path
    EXPECT_EQ(CrystalHzFromMhzText("14.7456"), 14745599u); // custom path
    EXPECT_FALSE(CrystalHzFromMhzText("0.5").has_value());
    EXPECT_FALSE(CrystalHzFromMhzText("101").has_value());
    EXPECT_FALSE(CrystalHzFromMhzText("twelve").has_value());
}
