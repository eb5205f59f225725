#include "Tmod.h"

#include <gtest/gtest.h>

using namespace orlet;

TEST(Tmod, ModeListEntriesSetTheirHalfAndLeaveTheOtherAlone)
{
    // Index -> timer 0 bits, on top of a TMOD whose timer 1 half and GATE0 are set.
    const std::uint8_t expected[6] = { 0x00, 0x01, 0x02, 0x04, 0x05, 0x06 };
    for (int index = 0; index < 6; ++index) {
        const ModeListEntry entry = ModeListEntryAt(index);
        EXPECT_EQ(WithTimerMode(0xF8, 0, entry.counter, entry.mode), 0xF8 | expected[index]) << index;
        EXPECT_EQ(WithTimerMode(0x8F, 1, entry.counter, entry.mode), 0x8F | expected[index] << 4) << index;
        // A new mode replaces the old one.
        EXPECT_EQ(WithTimerMode(0x07, 0, entry.counter, entry.mode), expected[index]) << index;
    }
}

TEST(Tmod, ModeThreeIsNeverWritten)
{
    EXPECT_EQ(WithTimerMode(0x00, 0, false, 3), 0x00);
    EXPECT_EQ(WithTimerMode(0x00, 1, true, 3), 0x40);
    EXPECT_EQ(WithTimerMode(0x00, 0, false, -1), 0x00); // no list selection
}

TEST(Tmod, GateAndClearingTouchOneHalfOnly)
{
    EXPECT_EQ(WithTimerGate(0x00, 0, true), 0x08);
    EXPECT_EQ(WithTimerGate(0xFF, 0, false), 0xF7);
    EXPECT_EQ(WithTimerGate(0x00, 1, true), 0x80);
    EXPECT_EQ(WithTimerGate(0xFF, 1, false), 0x7F);
    EXPECT_EQ(WithoutTimer(0xFF, 0), 0xF0);
    EXPECT_EQ(WithoutTimer(0xFF, 1), 0x0F);
}

TEST(Tmod, ReadsModeAndKindBack)
{
    EXPECT_EQ(TimerModeIn(0x52, 0), 2);
    EXPECT_FALSE(TimerCountsIn(0x52, 0));
    EXPECT_EQ(TimerModeIn(0x52, 1), 1);
    EXPECT_TRUE(TimerCountsIn(0x52, 1));
    EXPECT_EQ(TimerModeIn(0x03, 0), 3);
    EXPECT_TRUE(TimerGatedIn(0x89, 0)) << "GATE of both";
    EXPECT_TRUE(TimerGatedIn(0x89, 1));
    EXPECT_FALSE(TimerGatedIn(0x52, 0));
    EXPECT_FALSE(TimerGatedIn(0x08, 1));
}
