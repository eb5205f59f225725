#include "BaudAdvice.h"

#include "Crystal.h"
#include "TextFormat.h"
#include "WindowModel.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <utility>

namespace orlet {

namespace {

    // Crystals made for serial ports: their frequencies divide into the
    // listed rates.
    constexpr std::array<const char*, 9> kUartCrystals { "1.8432", "3.6864", "7.3728", "11.0592", "14.7456", "18.432",
        "22.1184", "29.4912", "33.1776" };

    BaudFix fixOf(BaudFixKind kind)
    {
        BaudFix fix;
        fix.kind = kind;
        return fix;
    }

    // How far apart two frequencies or rates are, either way round.
    double ratioDistance(double a, double b)
    {
        return std::abs(std::log(a / b));
    }

    std::optional<int> listedCrystalIndex(std::uint32_t hz)
    {
        for (std::size_t i = 0; i < kCrystals.size(); ++i) {
            if (kCrystals[i].hz == hz)
                return int(i);
        }
        return std::nullopt;
    }

    // The fix made on the model; kept with what it gives where it raises
    // no message and brings the rate within `within` per cent.
    std::optional<BaudFix> tried(const WindowModel& model, BaudFix fix, double within)
    {
        const Transition done = ApplyBaudFix(model, fix);
        const WindowModel& after = done.model;
        if (!done.notices.empty() || !after.useUart || !after.baudRun || !after.baudRun->baud.fits)
            return std::nullopt;
        fix.doubled = after.doubleBaud;
        fix.result = after.baudRun->baud;
        fix.deviationPercent = BaudDeviationPercent(fix.result);
        if (BeyondTolerance(fix.result, within))
            return std::nullopt;
        return fix;
    }

    // Of the candidates, the one that brings the rate closest.
    std::optional<BaudFix> closest(const WindowModel& model, const std::vector<BaudFix>& candidates, double within)
    {
        std::optional<BaudFix> best;
        for (const BaudFix& candidate : candidates) {
            std::optional<BaudFix> fix = tried(model, candidate, within);
            if (fix && (!best || std::abs(fix->deviationPercent) < std::abs(best->deviationPercent)))
                best = std::move(fix);
        }
        return best;
    }

    // Of the candidates, the nearest to `target` that works, each tried in
    // turn nearest first; of equally near ones the first listed. Picked one
    // at a time rather than sorted: the lists are short, and the first that
    // works ends the search.
    std::optional<BaudFix> nearestThatWorks(const WindowModel& model, std::vector<BaudFix> candidates, double target,
        double (*valueOf)(const BaudFix&), double within)
    {
        const auto nearer = [&](const BaudFix& a, const BaudFix& b) {
            return ratioDistance(valueOf(a), target) < ratioDistance(valueOf(b), target);
        };
        while (!candidates.empty()) {
            const auto nearest = std::min_element(candidates.begin(), candidates.end(), nearer);
            if (std::optional<BaudFix> fix = tried(model, *nearest, within))
                return fix;
            candidates.erase(nearest);
        }
        return std::nullopt;
    }

    double crystalOf(const BaudFix& fix)
    {
        return fix.crystalHz;
    }

    double rateOf(const BaudFix& fix)
    {
        return kBaudRates[std::size_t(fix.rateIndex)];
    }

    std::vector<BaudFix> doublingCandidates(const WindowModel& model)
    {
        if (!SmodDoublesRate(model))
            return {};
        BaudFix fix = fixOf(BaudFixKind::Doubling);
        fix.doubled = !model.doubleBaud;
        return { fix };
    }

    // The other timers that can clock the serial port, where the user is
    // not counting with them.
    std::vector<BaudFix> sourceCandidates(const WindowModel& model)
    {
        const ChipRow& row = model.chip.row();
        const int current = FindBaudSource(row, BaudRequestOf(model).source)->timer;
        std::vector<BaudFix> candidates;
        for (const BaudSourceRow& source : row.baudSources) {
            const bool portsSource = BaudSourceOnTimer(row, source.timer) == &source;
            if (!portsSource || source.timer == current || model.timer(source.timer).use)
                continue;
            BaudFix fix = fixOf(BaudFixKind::Source);
            fix.uartTimer = source.timer;
            candidates.push_back(fix);
        }
        return candidates;
    }

    // The other clocks of the source's timer.
    std::vector<BaudFix> clockCandidates(const WindowModel& model)
    {
        const int timer = FindBaudSource(model.chip.row(), BaudRequestOf(model).source)->timer;
        std::vector<BaudFix> candidates;
        for (const ClockChoice& choice : ClocksOf(model.chip.row(), timer)) {
            if (choice.clocksPerCount == model.timer(timer).clock)
                continue;
            BaudFix fix = fixOf(BaudFixKind::Clock);
            fix.timer = timer;
            fix.clock = choice.clocksPerCount;
            candidates.push_back(fix);
        }
        return candidates;
    }

    // The listed crystals and those made for serial ports.
    std::vector<BaudFix> crystalCandidates(const WindowModel& model)
    {
        std::vector<BaudFix> candidates;
        const auto add = [&](const char* mhz) {
            const std::optional<std::uint32_t> hz = CrystalHzFromMhzText(mhz);
            const bool known = std::any_of(
                candidates.begin(), candidates.end(), [&](const BaudFix& c) { return c.crystalHz == *hz; });
            if (!hz || *hz == model.crystalHz || known)
                return;
            BaudFix fix = fixOf(BaudFixKind::Crystal);
            fix.crystalHz = *hz;
            fix.crystalMhz = mhz;
            candidates.push_back(fix);
        };
        for (const CrystalEntry& entry : kCrystals)
            add(entry.text);
        for (const char* mhz : kUartCrystals)
            add(mhz);
        return candidates;
    }

    // The other listed rates.
    std::vector<BaudFix> rateCandidates(const WindowModel& model)
    {
        const double asked = model.baudRun->baud.rate;
        std::vector<BaudFix> candidates;
        for (int i = 0; i < int(kBaudRates.size()); ++i) {
            if (kBaudRates[std::size_t(i)] == asked)
                continue;
            BaudFix fix = fixOf(BaudFixKind::Rate);
            fix.rateIndex = i;
            candidates.push_back(fix);
        }
        return candidates;
    }

} // namespace

double BaudDeviationPercent(const BaudCalculation& baud)
{
    return baud.fits ? (baud.actualBaud / baud.rate - 1.0) * 100.0 : 0.0;
}

bool BeyondTolerance(double deviationPercent, double tolerancePercent)
{
    return std::abs(deviationPercent) > tolerancePercent;
}

bool BeyondTolerance(const BaudCalculation& baud, double tolerancePercent)
{
    return baud.fits && BeyondTolerance(BaudDeviationPercent(baud), tolerancePercent);
}

std::string DeviationText(double deviationPercent)
{
    if (std::abs(deviationPercent) < 0.005)
        return "0.00%";
    return TextFormat("%+.2f%%", deviationPercent);
}

std::vector<BaudTableRow> BaudTable(Chip chip, std::uint32_t crystalHz, const BaudRequest& request)
{
    std::vector<BaudTableRow> rows;
    for (int i = 0; i < int(kBaudRates.size()); ++i) {
        BaudRequest listed = request;
        listed.rateIndex = i;
        listed.customRate = 0;
        const BaudCalculation baud = CalculateBaud(chip, crystalHz, listed);
        rows.push_back({ baud, BaudDeviationPercent(baud), BeyondTolerance(baud) });
    }
    return rows;
}

std::vector<BaudFix> BaudFixesFor(const WindowModel& model, double tolerancePercent)
{
    if (!model.useUart || !model.baudRun || !BeyondTolerance(model.baudRun->baud, tolerancePercent))
        return {};
    const double crystalWithin = std::min(kCrystalFixPercent, tolerancePercent);
    const std::optional<BaudFix> found[] = {
        closest(model, doublingCandidates(model), tolerancePercent),
        closest(model, sourceCandidates(model), tolerancePercent),
        closest(model, clockCandidates(model), tolerancePercent),
        nearestThatWorks(model, crystalCandidates(model), model.crystalHz, crystalOf, crystalWithin),
        nearestThatWorks(model, rateCandidates(model), model.baudRun->baud.rate, rateOf, tolerancePercent),
    };
    std::vector<BaudFix> fixes;
    for (const std::optional<BaudFix>& fix : found) {
        if (fix)
            fixes.push_back(*fix);
    }
    return fixes;
}

Transition ApplyBaudFix(WindowModel model, const BaudFix& fix)
{
    switch (fix.kind) {
    case BaudFixKind::Doubling:
        model.doubleBaud = fix.doubled;
        return OnDoubleBaud(std::move(model));
    case BaudFixKind::Source:
        model.uartTimer = fix.uartTimer;
        return OnUartTimerChange(std::move(model));
    case BaudFixKind::Clock: {
        const std::uint32_t before = std::exchange(model.timer(fix.timer).clock, fix.clock);
        return OnTimerClockChange(std::move(model), fix.timer, before);
    }
    case BaudFixKind::Crystal:
        if (const std::optional<int> index = listedCrystalIndex(fix.crystalHz)) {
            model.crystalIndex = *index;
            return OnCrystalChange(std::move(model));
        }
        model.crystalIndex = kCustomCrystalIndex;
        return OnCrystalChange(std::move(model), ParseCustomMhz(fix.crystalMhz).value_or(kDefaultCustomMhz));
    case BaudFixKind::Rate:
        model.baudIndex = fix.rateIndex;
        return UpdateBaudReload(std::move(model));
    }
    return { std::move(model), {} };
}

} // namespace orlet
