#include "Tmod.h"

namespace orlet {

namespace {

    // Timer 0 owns bits 0-3, timer 1 bits 4-7.
    int shiftOf(int timer)
    {
        return 4 * timer;
    }

    std::uint8_t bitsOf(int timer, std::uint8_t bits)
    {
        return static_cast<std::uint8_t>(bits << shiftOf(timer));
    }

} // namespace

ModeListEntry ModeListEntryAt(int index)
{
    const bool counter = index >= 3;
    return { counter, counter ? index - 3 : index };
}

std::uint8_t WithTimerMode(std::uint8_t tmod, int timer, bool counter, int mode)
{
    std::uint8_t half = counter ? kTmodCounterBit : 0;
    if (mode == 1 || mode == 2)
        half |= static_cast<std::uint8_t>(mode);
    const std::uint8_t cleared = tmod & ~bitsOf(timer, kTmodCounterBit | kTmodModeBits);
    return static_cast<std::uint8_t>(cleared | bitsOf(timer, half));
}

std::uint8_t WithTimerGate(std::uint8_t tmod, int timer, bool gate)
{
    const std::uint8_t bit = bitsOf(timer, kTmodGateBit);
    return static_cast<std::uint8_t>(gate ? (tmod | bit) : (tmod & ~bit));
}

std::uint8_t WithoutTimer(std::uint8_t tmod, int timer)
{
    return static_cast<std::uint8_t>(tmod & ~bitsOf(timer, 0x0F));
}

int TimerModeIn(std::uint8_t tmod, int timer)
{
    return (tmod >> shiftOf(timer)) & kTmodModeBits;
}

bool TimerCountsIn(std::uint8_t tmod, int timer)
{
    return (tmod >> shiftOf(timer)) & kTmodCounterBit;
}

bool TimerGatedIn(std::uint8_t tmod, int timer)
{
    return (tmod >> shiftOf(timer)) & kTmodGateBit;
}

} // namespace orlet
