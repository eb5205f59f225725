#include "BaudReload.h"

#include <gtest/gtest.h>

using namespace orlet;

namespace {

struct BaudCase {
    std::uint32_t crystalHz;
    std::uint32_t rate;
    bool doubled;
    const char* reloadText;
    const char* errorText;
    const char* message;
    std::uint32_t rateAfter = 0; // the rate the list shows afterwards, when it moves
};

void PrintTo(const BaudCase& c, std::ostream* os)
{
    *os << c.crystalHz << " Hz " << c.rate << (c.doubled ? " doubled" : "");
}

int indexOf(std::uint32_t rate)
{
    for (std::size_t i = 0; i < kBaudRates.size(); ++i) {
        if (kBaudRates[i] == rate)
            return int(i);
    }
    return -1;
}

} // namespace

TEST(BaudTable, ReloadErrorAndMessage)
{
    const BaudCase cases[]
        = { { 11059200, 9600, false, "0xfd", "0.0000%", "" }, { 11059200, 9600, true, "0xfa", "0.0000%", "" },
              { 12000000, 9600, false, "0xfd", "7.8400%", "" }, { 12000000, 9600, true, "0xf9", "-7.5200%", "" },
              { 12000000, 300, false, "0x98", "0.1600%", "" }, { 33000000, 9600, true, "0xee", "-0.5528%", "" },
              { 11059200, 115200, true, "0xff", "-100.0000%", "" }, { 14745599, 300, true, "0x0", "-0.0020%", "" },
              // The error comes from the single-precision count: 7.8253% in double.
              { 10000000, 4800, false, "0xfb", "7.8252%", "" },
              { 24000000, 300, true, "0xf3", "0.1600%", "波特率太低", 9600 },
              { 22118400, 300, true, "0xf4", "0.0000%", "波特率太低", 9600 },
              // Count 0: the rate is too high for the crystal.
              { 11059200, 115200, false, "0xfd", "0.0000%", "波特率太高", 9600 },
              { 2000000, 115200, false, "0xff", "-84.6154%", "波特率太高", 9600 },
              // 9600 itself is too fast at 1 MHz without doubling: the fastest
              // listed rate that fits, 4800.
              { 1000000, 115200, false, "0xff", "-84.6154%", "波特率太高", 4800 },
              { 1000000, 9600, false, "0xff", "-84.6154%", "波特率太高", 4800 },
              { 1000000, 19200, false, "0xff", "-84.6154%", "波特率太高", 4800 },
              { 1000000, 4800, false, "0xff", "-84.6154%", "" }, { 1000000, 9600, true, "0xff", "-84.6154%", "" } };
    for (const BaudCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        const BaudReload r = ComputeBaudReload(c.crystalHz, indexOf(c.rate), c.doubled);
        EXPECT_EQ(r.reloadText, c.reloadText);
        EXPECT_EQ(r.errorText, c.errorText);
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(r.reload, std::stoul(c.reloadText, nullptr, 16) & 0xFF);
        EXPECT_EQ(r.rateIndex, indexOf(c.rateAfter ? c.rateAfter : c.rate));
    }
}

TEST(ExactBaudTable, CountsFromTheExactCrystal)
{
    const BaudCase cases[] = { { 11059200, 9600, false, "0xfd", "0.0000%", "" },
        { 12000000, 9600, false, "0xfd", "7.8400%", "" }, { 12000000, 9600, true, "0xf9", "-7.5200%", "" },
        { 33000000, 9600, true, "0xee", "-0.5382%", "" }, { 14745599, 300, true, "0x0", "-0.0000%", "" },
        { 11059200, 115200, true, "0xff", "-100.0000%", "" }, { 24000000, 300, true, "0xf3", "0.1600%", "波特率太低" },
        { 11059200, 115200, false, "0xfd", "0.0000%", "波特率太高" } };
    for (const BaudCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        const BaudReload r = ComputeBaudReload(c.crystalHz, indexOf(c.rate), c.doubled, Precision::Exact);
        EXPECT_EQ(r.reloadText, c.reloadText);
        EXPECT_EQ(r.errorText, c.errorText);
        EXPECT_EQ(r.message, c.message);
    }
}

// Where crystal / rate leaves a remainder, the exact x differs from the
// window's long-standing one: 33 MHz shows -0.5382% instead of -0.5528%.

TEST(ComputeBaudReload, NeverStoresAZeroCountSilently)
{
    for (std::uint32_t mhz = 1; mhz <= 100; ++mhz) {
        for (int index = 0; index < int(kBaudRates.size()); ++index) {
            for (bool doubled : { false, true }) {
                const BaudReload r = ComputeBaudReload(mhz * 1000000, index, doubled);
                ASSERT_GE(r.count, 1);
                ASSERT_LE(r.count, 256);
                ASSERT_EQ(r.reload, std::uint8_t(256 - r.count));
                if (r.message.empty()) {
                    ASSERT_EQ(r.rateIndex, index);
                } else {
                    // The rate it falls back to fits without a message of its own.
                    ASSERT_TRUE(ComputeBaudReload(mhz * 1000000, r.rateIndex, doubled).message.empty());
                }
            }
        }
    }
}
