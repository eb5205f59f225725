#include "Calculation.h"

#include "RoutineTiming.h"
#include "TextFormat.h"

#include <cmath>
#include <limits>

namespace orlet {

namespace {

    // ComputeTimerReload's counter layout for a counter that holds `limit`.
    int layoutModeFor(std::uint32_t limit)
    {
        switch (limit) {
        case 8192:
            return 0;
        case 256:
            return 2;
        default:
            return 1;
        }
    }

    std::optional<ChipError> checkTimerRequest(Chip chip, const TimerRequest& request)
    {
        if (auto trap = CheckTimerMode(chip, request.timer, request.mode))
            return trap;
        if (auto trap = CheckTimerClock(chip, request.timer, request.clock))
            return trap;
        return CheckSixT(chip, request.sixT);
    }

    std::optional<ChipError> checkBaudRequest(Chip chip, const BaudRequest& request)
    {
        if (auto trap = CheckBaudSource(chip, request.source))
            return trap;
        const BaudSourceRow* source = FindBaudSource(chip.row(), request.source);
        if (auto trap = CheckTimerClock(chip, source->timer, request.clock))
            return trap;
        return CheckSixT(chip, request.sixT);
    }

    // The precision a chip counts in: the one asked for where its arithmetic
    // is the classic one, the exact crystal elsewhere.
    Precision countingPrecision(Chip chip, Precision asked)
    {
        return chip->arithmetic == Arithmetic::Classic ? asked : Precision::Exact;
    }

    // ComputeTimerReload counts machine cycles of 12 clocks; a crystal scaled
    // by 12 / clocks gives the same counts for 1 or 6 clocks per count.
    // 100 MHz * 12 still fits 32 bits.
    std::uint32_t scaledCrystal(std::uint32_t crystalHz, std::uint32_t clocksPerCount)
    {
        return static_cast<std::uint32_t>(std::uint64_t { crystalHz } * 12 / clocksPerCount);
    }

    // The longest period whose count, f * t / 12e6 rounded half up at the
    // scaled crystal, still fits `limit`: the stated maximum is the accepted one.
    std::uint32_t longestFitting(std::uint32_t scaledHz, std::uint32_t limit)
    {
        return static_cast<std::uint32_t>(((std::uint64_t { limit } + 1) * 12000000u - 6000000u - 1) / scaledHz);
    }

    // The timer's mode that reloads in hardware with the most counts.
    HardwareReloadMode hardwareReloadOf(const ChipRow& row, int timer)
    {
        const ModeRow* widest = WidestHardwareReload(row, timer);
        if (widest == nullptr)
            return { -1, 0 };
        return { widest->number, CounterLimit(widest->counter) };
    }

    // Crystal clocks per count of a baud source's timer.
    double baudClocksPerCount(const BaudSourceRow& source, std::uint32_t clocksPerCount)
    {
        // The 8052's timer 2 counts state times (2 clocks) as a baud generator,
        // a sixth of its clocks per machine cycle: 12T gives 2, 6T gives 1.
        return source.countsStateTimes ? clocksPerCount / 6.0 : clocksPerCount;
    }

    // Per cent, unrounded, taken from the single-precision count.
    double singlePrecisionErrorPercent(double x, std::uint32_t n)
    {
        // The window has always shown the error so: users compare it with the
        // numbers they know, so the step through single precision stays.
        const auto xs = static_cast<float>(x);
        const int nSingle = static_cast<int>(static_cast<double>(xs) + 0.5);
        const double counted = nSingle == 0 ? n : nSingle;
        return (1.0 - counted / static_cast<double>(xs)) * 100;
    }

} // namespace

TimerCalculation CalculateTimer(Chip chip, std::uint32_t crystalHz, const TimerRequest& request)
{
    TimerCalculation result;
    result.error = checkTimerRequest(chip, request);
    if (result.error)
        return result;

    const ModeRow& mode = *FindTimerMode(chip.row(), request.timer, request.mode);
    const std::uint32_t limit = CounterLimit(mode.counter);
    result.clocksPerCount = ClocksPerCount(chip.row(), request.clock, request.sixT);
    result.hardwareReload = ReloadsInHardware(mode.counter);
    result.precision = countingPrecision(chip, request.precision);

    const std::uint32_t scaledHz = scaledCrystal(crystalHz, result.clocksPerCount);
    result.reload
        = ComputeTimerReload(scaledHz, layoutModeFor(limit), request.counter, request.value, result.precision);
    if (!request.counter && result.reload.inRange)
        result.actualPeriodUs = double(result.reload.count) * result.clocksPerCount * 1e6 / crystalHz;
    if (!request.counter && !result.reload.inRange && chip->arithmetic == Arithmetic::Exact)
        result.reload.corrected = longestFitting(scaledHz, limit);
    return result;
}

std::optional<PostscaleSplit> HardwareSplitFor(
    Chip chip, std::uint32_t crystalHz, const TimerRequest& request, std::uint32_t postscale)
{
    const std::uint32_t clocks = ClocksPerCount(chip.row(), request.clock, request.sixT);
    const std::uint32_t scaledHz = scaledCrystal(crystalHz, clocks);
    const Precision precision = countingPrecision(chip, request.precision);
    const std::uint64_t count = TimerCycleCount(scaledHz, request.value, precision);
    const std::uint32_t maxFactor = postscale == 0 ? 0 : kMaxPostscale / postscale;
    auto split
        = SuggestHardwareSplit(scaledHz, count, precision, maxFactor, hardwareReloadOf(chip.row(), request.timer));
    if (split)
        split->postscale *= postscale;
    return split;
}

RangeError DescribeRangeError(Chip chip, std::uint32_t crystalHz, const TimerRequest& request, std::uint32_t postscale)
{
    const TimerCalculation reload = CalculateTimer(chip, crystalHz, request);
    const std::uint32_t limit = CounterLimit(FindTimerMode(chip.row(), request.timer, request.mode)->counter);
    RangeError range { request, reload.reload.corrected, TimerRangeMessage(layoutModeFor(limit), request.counter),
        reload.clocksPerCount, {}, {} };
    if (request.counter)
        return range;
    range.hardwareSplit = HardwareSplitFor(chip, crystalHz, request, postscale);
    const std::uint32_t maxFactor = postscale == 0 ? 0 : kMaxPostscale / postscale;
    range.split = SuggestPostscaleWithin(
        scaledCrystal(crystalHz, range.clocksPerCount), limit, request.value, reload.precision, maxFactor);
    if (range.split)
        range.split->postscale *= postscale;
    // The same numbers in the timer's own mode add nothing to the exact ones;
    // the classic words name both where the modes differ.
    const auto& hardware = range.hardwareSplit;
    const bool sameMode = hardware && (hardware->mode == request.mode || chip->arithmetic == Arithmetic::Exact);
    if (sameMode && range.split && hardware->periodUs == range.split->periodUs
        && hardware->postscale == range.split->postscale)
        range.split.reset();
    return range;
}

ChipSplitCost SplitCostOf(
    Chip chip, const TimerRequest& request, const PostscaleSplit& split, std::uint32_t crystalHz, bool driftFree)
{
    const int mode = split.mode < 0 ? request.mode : split.mode;
    const bool hardware = ReloadsInHardware(FindTimerMode(chip.row(), request.timer, mode)->counter);
    const std::uint32_t clocks = ClocksPerCount(chip.row(), request.clock, request.sixT);
    if (!chip->countsRoutineCycles)
        return { crystalHz / double(clocks) / double(split.cycles), std::nullopt };
    // On a classic core a count is a machine cycle; the routine of a mode
    // that reloads in hardware is mode 2's.
    PostscaleSplit routine = split;
    routine.mode = hardware ? 2 : mode;
    const SplitCost cost = CostOf(routine, routine.mode, scaledCrystal(crystalHz, clocks), driftFree && !hardware);
    return { cost.interruptsPerSecond, cost.cpuPercent };
}

BaudCalculation CalculateBaud(Chip chip, std::uint32_t crystalHz, const BaudRequest& request)
{
    BaudCalculation result;
    result.error = checkBaudRequest(chip, request);
    if (result.error)
        return result;

    const BaudSourceRow& source = *FindBaudSource(chip.row(), request.source);
    result.rateIndex = request.rateIndex;
    result.rate = BaudRateAt(request.rateIndex, request.customRate);
    if (result.rate == 0)
        return result;
    result.limit = source.limit;
    result.clocksPerCount = ClocksPerCount(chip.row(), request.clock, request.sixT);
    result.k = request.smod && source.smodDoubles ? 2 : 1;
    const double doubling = result.k;
    const double clocksPerBit = baudClocksPerCount(source, result.clocksPerCount) * source.overflowsPerBit;
    result.fromQuotient = countingPrecision(chip, request.precision) == Precision::Classic;
    if (result.fromQuotient) {
        result.q = crystalHz / result.rate;
        result.exactCount = doubling * result.q / source.overflowsPerBit / result.clocksPerCount;
    } else {
        result.exactCount = doubling * crystalHz / (clocksPerBit * result.rate);
    }

    const auto n = static_cast<std::uint64_t>(result.exactCount + 0.5);
    if (n < 1 || n > source.limit) {
        result.refusal = n < 1 ? MessageCode::BaudTooHigh : MessageCode::BaudTooLow;
        return result;
    }
    result.fits = true;
    result.count = static_cast<std::uint32_t>(n);
    result.reload = source.limit - result.count;
    result.low = static_cast<std::uint8_t>(result.reload & 0xFF);
    result.high = source.limit == 256 ? result.low : static_cast<std::uint8_t>(result.reload >> 8);
    result.actualBaud = doubling * crystalHz / (clocksPerBit * result.count);
    result.errorPercent = result.fromQuotient ? singlePrecisionErrorPercent(result.exactCount, result.count)
                                              : (1.0 - result.count / result.exactCount) * 100;
    result.reloadText
        = source.limit == 256 ? TextFormat("0x%x", unsigned { result.low }) : FormatReloadText(result.high, result.low);
    result.errorText = TextFormat("%.4f%%", result.errorPercent);
    result.errorShown = std::round(result.errorPercent * 1e4) / 1e4;
    return result;
}

BaudChoice ChooseBaud(Chip chip, std::uint32_t crystalHz, const BaudRequest& request)
{
    const auto at = [&](int rateIndex) {
        BaudRequest r = request;
        r.rateIndex = rateIndex;
        return CalculateBaud(chip, crystalHz, r);
    };
    BaudChoice choice { at(request.rateIndex), std::nullopt };
    if (choice.baud.error || choice.baud.fits)
        return choice;
    choice.refused = choice.baud.refusal;
    choice.baud = at(FallBackBaudIndex([&](int rateIndex) { return at(rateIndex).fits; }));
    return choice;
}

std::optional<BaudRange> ReachableBaudRates(Chip chip, std::uint32_t crystalHz, BaudRequest request)
{
    // The count falls as the rate rises, so the rates that fit are one run:
    // the lowest is the first not too low, the highest the last not too high.
    request.rateIndex = kCustomBaudIndex;
    const auto refusalAt = [&](std::uint32_t rate) {
        request.customRate = rate;
        const BaudCalculation b = CalculateBaud(chip, crystalHz, request);
        return b.fits ? std::nullopt : std::optional<MessageCode>(b.refusal);
    };
    const auto firstWhere = [](std::uint32_t from, std::uint32_t to, auto holds) {
        while (from < to) {
            const std::uint32_t middle = from + (to - from) / 2;
            if (holds(middle))
                to = middle;
            else
                from = middle + 1;
        }
        return from;
    };
    constexpr std::uint32_t kFastest = std::numeric_limits<std::uint32_t>::max();
    const std::uint32_t lowest
        = firstWhere(1, kFastest, [&](std::uint32_t rate) { return refusalAt(rate) != MessageCode::BaudTooLow; });
    const std::uint32_t tooHigh
        = firstWhere(lowest, kFastest, [&](std::uint32_t rate) { return refusalAt(rate) == MessageCode::BaudTooHigh; });
    if (refusalAt(lowest))
        return std::nullopt;
    return BaudRange { lowest, refusalAt(tooHigh) ? tooHigh - 1 : tooHigh };
}

std::string BaudFormula(const BaudSourceRow& source, std::uint32_t clocksPerCount)
{
    // State times fold into one factor (32 at 12T, 16 at 6T); other clocks
    // stand beside the overflows per bit, as the vendors write them.
    std::string divisor = std::to_string(source.overflowsPerBit);
    if (source.countsStateTimes)
        divisor = std::to_string(source.overflowsPerBit * clocksPerCount / 6);
    else if (clocksPerCount != 1)
        divisor += " * " + std::to_string(clocksPerCount);
    return TextFormat("baud = %s%s / (%s * (%u - %s))", source.smodDoubles ? "2^SMOD * " : "", source.clockName,
        divisor.c_str(), source.limit, source.reloadName);
}

std::uint8_t StcAuxrValue(const StcAuxrChoice& choice)
{
    std::uint8_t auxr = 0;
    if (choice.timer0Used && choice.clock0 == 1)
        auxr |= kAuxrT0x12;
    if (choice.timer1Used && choice.clock1 == 1)
        auxr |= kAuxrT1x12;
    // Making the baud rate, timer 2 is in use and runs from the init code on.
    if (choice.timer2Used || choice.uartFromTimer2) {
        if (choice.clock2 == 1)
            auxr |= kAuxrT2x12;
        if (choice.timer2Counter)
            auxr |= kAuxrT2CT;
        if (choice.timer2Running || choice.uartFromTimer2)
            auxr |= kAuxrT2R;
    }
    if (choice.uartFromTimer2)
        auxr |= kAuxrS1st2;
    return auxr;
}

std::uint8_t Timer2ConValue(bool baudGenerator, bool counter, bool running)
{
    std::uint8_t t2con = 0;
    if (baudGenerator)
        t2con |= kT2conRCLK | kT2conTCLK;
    if (counter)
        t2con |= kT2conCT2;
    if (running)
        t2con |= kT2conTR2;
    return t2con;
}

} // namespace orlet
