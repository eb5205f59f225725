#include "TimerReload.h"

#include <gtest/gtest.h>

using namespace orlet;

namespace {

struct ReloadCase {
    std::uint32_t crystalHz;
    int mode;
    bool counter;
    std::uint32_t value;
    const char* display; // reload text, or the range message
    std::uint32_t after; // the period box afterwards
};

void PrintTo(const ReloadCase& c, std::ostream* os)
{
    *os << c.crystalHz << " Hz mode " << c.mode << (c.counter ? " counter " : " timer ") << c.value;
}

} // namespace

TEST(TimerReloadTable, BytesDisplayAndCorrection)
{
    const ReloadCase cases[] = { { 12000000, 1, false, 1000, "fcH,18H", 1000 },
        { 12000000, 0, false, 1000, "e0H,18H", 1000 }, { 12000000, 2, false, 100, "9cH,9cH", 100 },
        { 11059200, 1, false, 1000, "fcH,6cH", 1000 }, { 3686400, 1, false, 1000, "ffH,6H", 1000 },
        { 24000000, 1, false, 1, "ffH,feH", 1 }, { 12000000, 0, false, 1, "ffH,1fH", 1 },
        { 12000000, 1, false, 0, "ffH,ffH", 0 }, { 12000000, 1, false, 65536, "0H,0H", 65536 },
        { 12000000, 0, false, 8192, "0H,0H", 8192 }, { 12000000, 2, false, 256, "0H,0H", 256 },
        { 12000000, 1, false, 65537, "定时时间超出16位范围", 65536 },
        { 11059200, 1, false, 80000, "定时时间超出16位范围", 71111 }, { 11059200, 1, false, 71111, "1H,5fH", 71111 },
        { 24000000, 0, false, 5000, "定时时间超出13位范围", 4096 },
        { 11059200, 2, false, 300, "定时时间超出8位范围", 277 },
        { 12000000, 1, false, 357913942, "定时时间超出16位范围", 65536 },
        { 100000000, 1, false, 4294967295u, "定时时间超出16位范围", 7864 }, { 12000000, 0, true, 0, "0H,0H", 0 },
        { 33000000, 0, true, 8193, "计数值超出13位范围", 8192 }, { 1000000, 1, true, 1, "ffH,ffH", 1 },
        { 12000000, 1, true, 70000, "计数值超出16位范围", 65536 }, { 12000000, 2, true, 300, "计数值超出8位范围", 256 },
        { 12000000, 0, true, 1000, "e0H,18H", 1000 }, { 999999, 1, false, 4000000000u, "ffH,ffH", 4000000000u },
        { 999999, 0, false, 7, "ffH,1fH", 7 } };
    for (const ReloadCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        const TimerReload r = ComputeTimerReload(c.crystalHz, c.mode, c.counter, c.value);
        EXPECT_EQ(r.corrected, c.after);
        if (r.inRange) {
            EXPECT_EQ(FormatReloadText(r.th, r.tl), c.display);
            EXPECT_TRUE(r.message.empty());
        } else {
            EXPECT_EQ(r.message, c.display);
            EXPECT_EQ(r.th, 0);
            EXPECT_EQ(r.tl, 0);
        }
    }
}

TEST(TimerCycleCount, UsesWholeMegahertzAnd64BitProducts)
{
    EXPECT_EQ(TimerCycleCount(11059200, 1000), 916u);
    EXPECT_EQ(TimerCycleCount(12000000, 357913942), 357913942u); // 12 * v overflows 32 bits
    EXPECT_EQ(TimerCycleCount(12000000, 0), 1u);
    EXPECT_EQ(TimerCycleCount(100000000, 4294967295u), 35791394125u);
}

namespace {

struct ExactCase {
    std::uint32_t crystalHz;
    int mode;
    std::uint32_t value;
    std::uint64_t wholeMhzCount;
    std::uint64_t exactCount;
    const char* display; // reload text, or the range message
    std::uint32_t after;
};

void PrintTo(const ExactCase& c, std::ostream* os)
{
    *os << c.crystalHz << " Hz mode " << c.mode << " timer " << c.value;
}

} // namespace

TEST(ExactReloadTable, RoundsTheExactCountAndKeepsTheLimits)
{
    const ExactCase cases[] = { { 11059200, 1, 50000, 45833, 46080, "4cH,0H", 50000 },
        { 11059200, 1, 10000, 9166, 9216, "dcH,0H", 10000 },
        { 11059200, 1, 1000, 916, 922, "fcH,66H", 1000 }, // 921.6 rounds up
        { 3686400, 1, 1000, 250, 307, "feH,cdH", 1000 }, // 307.2 rounds down
        { 22118400, 2, 100, 183, 184, "48H,48H", 100 }, { 12000000, 1, 50000, 50000, 50000, "3cH,b0H", 50000 },
        { 14745599, 0, 2000, 2333, 2458, "b3H,6H", 2000 }, { 6000000, 1, 1, 1, 1, "ffH,ffH", 1 }, // 0.5 rounds half up
        { 6000000, 1, 3, 1, 2, "ffH,feH", 3 }, // 1.5 rounds half up
        { 1000000, 1, 1, 1, 1, "ffH,ffH", 1 }, // 0.08 is still counted as 1
        { 12000000, 1, 0, 1, 1, "ffH,ffH", 0 },
        // The corrected period always fits the exact count: 65535.9 rounds to the full 65536.
        { 11059200, 1, 71111, 65185, 65536, "0H,0H", 71111 },
        { 11059200, 1, 71112, 65186, 65537, "定时时间超出16位范围", 71111 },
        { 33000000, 2, 94, 258, 259, "定时时间超出8位范围", 93 },
        { 24000000, 0, 4097, 8194, 8194, "定时时间超出13位范围", 4096 } };
    for (const ExactCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        EXPECT_EQ(TimerCycleCount(c.crystalHz, c.value), c.wholeMhzCount);
        EXPECT_EQ(TimerCycleCount(c.crystalHz, c.value, Precision::Exact), c.exactCount);
        const TimerReload r = ComputeTimerReload(c.crystalHz, c.mode, false, c.value, Precision::Exact);
        EXPECT_EQ(r.corrected, c.after);
        EXPECT_EQ(r.inRange ? FormatReloadText(r.th, r.tl) : r.message, c.display);
    }
}

TEST(TimerCycleCount, ExactProductOfTheLargestInputsFits64Bits)
{
    EXPECT_EQ(TimerCycleCount(4294967295u, 4294967295u, Precision::Exact), 1537228672093u);
    EXPECT_EQ(TimerCycleCount(100000000, 4294967295u, Precision::Exact), 35791394125u);
}
