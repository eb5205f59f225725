#include "ChipExplain.h"

#include "BaudReload.h"
#include "Explain.h"
#include "TextFormat.h"

namespace orlet {

namespace {

    // Counts from one interrupt to the next: the count itself where the chip
    // reloads, the count plus the routine's latency on a classic core.
    std::optional<std::uint64_t> interruptCycles(
        const ChipTimerDerivation& t, const ChipRow& row, const Configuration& config, Dialect dialect)
    {
        if (t.hardwareReload)
            return t.count;
        if (!row.countsRoutineCycles)
            return std::nullopt;
        return InterruptCycles(t.count, { t.mode, false, t.postscale, config.driftFree, dialect });
    }

    void deriveTimerPeriod(ChipTimerDerivation& t, const ChipTimerReload& reload, const ChipRow& profile,
        const Configuration& config, Dialect dialect)
    {
        t.actualPeriodUs = reload.actualPeriodUs;
        if (t.value != 0)
            t.periodErrorPercent = (t.actualPeriodUs - t.value) / t.value * 100.0;
        t.wholePeriodUs = t.actualPeriodUs * t.postscale;
        t.interruptCycles = interruptCycles(t, profile, config, dialect);
        // DriftOf counts 12 clocks per cycle: a crystal scaled by 12 / clocks.
        const auto scaledHz = static_cast<std::uint32_t>(std::uint64_t { config.crystalHz } * 12 / t.clocksPerCount);
        if (t.interruptCycles)
            t.drift = DriftOf(*t.interruptCycles, scaledHz, t.value);
        if (!t.hardwareReload && AddsToRunningCount({ t.mode, false, t.postscale, config.driftFree, dialect }))
            t.runningAdd = RunningCountAddFor(t.mode, t.high, t.low, dialect);
        if (t.interruptCycles && profile.countsRoutineCycles) {
            const bool clearsFlag = profile.timers[static_cast<std::size_t>(t.timer)]->flagToClear != nullptr;
            const RoutineShape shape { t.hardwareReload ? 2 : t.mode, false, t.postscale, config.driftFree, dialect,
                clearsFlag };
            t.cpuShare = LargeCpuShare(*t.interruptCycles, shape);
        }
    }

    ChipTimerDerivation deriveTimer(
        const ChipRow& profile, int timer, const Configuration& config, const ChipTimerReload& reload, Dialect dialect)
    {
        const TimerConfig& c = config.timer(timer);
        const TimerRow& info = *profile.timers[static_cast<std::size_t>(timer)];
        const ModeRow& mode = *FindTimerMode(profile, timer, c.mode);
        ChipTimerDerivation t;
        t.timer = timer;
        t.counter = c.counter;
        t.mode = c.mode;
        t.meaning = mode.meaning;
        t.value = c.value;
        t.clocksPerCount = reload.clocksPerCount;
        t.limit = CounterLimit(mode.counter);
        t.count = reload.reload.count;
        t.start = static_cast<std::uint32_t>(t.limit - t.count);
        t.high = reload.reload.th;
        t.low = reload.reload.tl;
        t.highName = info.reloadHigh;
        t.lowName = info.reloadLow;
        t.hardwareReload = reload.hardwareReload;
        t.postscale = c.postscale;
        if (!c.counter)
            deriveTimerPeriod(t, reload, profile, config, dialect);
        return t;
    }

    const char* modeNameIn(const ChipTimerDerivation& t)
    {
        switch (t.limit) {
        case 8192:
            return "13-bit";
        case 256:
            return "8-bit auto-reload";
        default:
            return t.hardwareReload ? "16-bit auto-reload" : "16-bit";
        }
    }

    void explainStart(std::string& out, const ChipTimerDerivation& t)
    {
        const auto n = static_cast<unsigned long long>(t.count);
        if (t.limit == 256) {
            out += TextFormat("  Start value: %u - %llu = %u = 0x%02x: %s = %s = 0x%02x.\n", t.limit, n, t.start,
                t.start % t.limit, t.highName, t.lowName, unsigned { t.low });
        } else if (t.limit == 8192) {
            out += TextFormat("  Start value: %u - %llu = %u: %s = 0x%02x (upper 8 bits), %s = 0x%02x (low 5 bits).\n",
                t.limit, n, t.start, t.highName, unsigned { t.high }, t.lowName, unsigned { t.low });
        } else {
            out += TextFormat("  Start value: %u - %llu = %u = 0x%04x: %s = 0x%02x, %s = 0x%02x.\n", t.limit, n,
                t.start, t.start % t.limit, t.highName, unsigned { t.high }, t.lowName, unsigned { t.low });
        }
    }

    void explainInterrupt(std::string& out, const ChipTimerDerivation& t)
    {
        if (t.hardwareReload) {
            out += TextFormat("  Interrupt period: the chip reloads at the overflow and the routine reloads nothing,"
                              " so an interrupt comes every %llu counts.\n",
                static_cast<unsigned long long>(t.count));
        } else if (t.runningAdd) {
            out += TextFormat("  Interrupt period: the routine adds the start value plus the %u cycles the timer stands"
                              " still to the running count, so an interrupt comes every %llu counts.\n",
                t.runningAdd->stoppedCycles, static_cast<unsigned long long>(t.count));
        } else if (t.interruptCycles) {
            out += TextFormat("  Interrupt period: the routine reloads %s and %s itself, %llu machine cycles after the"
                              " overflow, so an interrupt comes every %llu machine cycles.\n",
                t.highName, t.lowName, static_cast<unsigned long long>(*t.interruptCycles - t.count),
                static_cast<unsigned long long>(*t.interruptCycles));
        } else {
            out += TextFormat("  Interrupt period: the routine reloads %s and %s itself; on a 1T core its latency is"
                              " not counted here. Mode 0 reloads the same 16 bits in hardware.\n",
                t.highName, t.lowName);
        }
        if (t.cpuShare)
            out += "  CPU: " + CpuShareText(*t.cpuShare) + ".\n";
        if (t.drift) {
            out += TextFormat("  Drift: %llu counts last %.4f us against the %u us asked for: %+.1f ppm, %+.1f s a"
                              " day.\n",
                static_cast<unsigned long long>(*t.interruptCycles), t.drift->periodUs, t.value, t.drift->ppm,
                t.drift->secondsPerDay);
        }
    }

    void explainTimer(std::string& out, const ChipTimerDerivation& t, std::uint32_t crystalHz)
    {
        const char* kind = t.counter ? "Counter" : "Timer";
        out += TextFormat("\n%s %d (mode %d: %s), ", kind, t.timer, t.mode, modeNameIn(t));
        if (t.counter) {
            out += TextFormat(
                "%u pulses on T%d:\n  Count: n = %u pulses; the crystal plays no part.\n", t.value, t.timer, t.value);
            explainStart(out, t);
            return;
        }
        out += TextFormat("period %u us, %u clocks per count:\n", t.value, t.clocksPerCount);
        out += TextFormat("  Counts: n = round(%u * %u / (%u * 1000000)) = %llu, from the exact crystal.\n", crystalHz,
            t.value, t.clocksPerCount, static_cast<unsigned long long>(t.count));
        out += TextFormat("  Counter limit: L = %u counts; n <= L, so it fits.\n", t.limit);
        explainStart(out, t);
        out += TextFormat("  Real period: %llu * %u / %u Hz = %.4f us", static_cast<unsigned long long>(t.count),
            t.clocksPerCount, crystalHz, t.actualPeriodUs);
        if (t.periodErrorPercent)
            out += TextFormat(", error %.4f%% against the %u us asked for.\n", *t.periodErrorPercent, t.value);
        else
            out += "; a period of 0 us has no error to give.\n";
        if (t.postscale > 1) {
            out += TextFormat("  Software counter: your code runs once in %u interrupts, every %.4f us.\n", t.postscale,
                t.wholePeriodUs);
        }
        explainInterrupt(out, t);
    }

    void explainBaud(std::string& out, const ChipBaudDerivation& b, std::uint32_t crystalHz)
    {
        const ChipBaud& r = b.baud;
        out += TextFormat("\nSerial port: %u bit/s in mode 1 (SCON = 0x50), clocked by timer %d at %u clocks per"
                          " count%s.\n",
            b.rate, b.source->timer, r.clocksPerCount,
            b.source->smodDoubles ? (b.doubled ? "; doubling on (SMOD = 1)" : "; doubling off (SMOD = 0)") : "");
        out += TextFormat("  %s.\n", BaudFormula(*b.source, r.clocksPerCount).c_str());
        out += TextFormat("  x = %.4f counts per overflow asked for at %u Hz; n = x rounded half up = %u.\n",
            r.exactCount, crystalHz, r.count);
        if (b.source->limit == 256)
            out += TextFormat(
                "  Reload: 256 - %u = 0x%02x: TH1 = TL1 = 0x%02x.\n", r.count, unsigned { r.low }, unsigned { r.low });
        else
            out += TextFormat("  Reload: 65536 - %u = 0x%04x: high byte 0x%02x, low byte 0x%02x.\n", r.count, r.reload,
                unsigned { r.high }, unsigned { r.low });
        out += TextFormat("  Real rate: %.2f bit/s; error shown: 1 - n / x = %.4f%%.\n", r.actualBaud, r.errorPercent);
    }

    std::string auxrBits(std::uint8_t auxr)
    {
        static constexpr std::pair<std::uint8_t, const char*> kBits[]
            = { { kAuxrT0x12, "T0x12" }, { kAuxrT1x12, "T1x12" }, { kAuxrT2R, "T2R" }, { kAuxrT2CT, "T2_C/T" },
                  { kAuxrT2x12, "T2x12" }, { kAuxrS1st2, "S1ST2" } };
        std::string names;
        for (const auto& [bit, name] : kBits) {
            if (auxr & bit)
                names += std::string(names.empty() ? "" : ", ") + name;
        }
        return names.empty() ? "none set" : names;
    }

    bool timer2InUse(const ChipDerivation& d)
    {
        return d.timers[2] || (d.baud && d.baud->source->timer == 2);
    }

} // namespace

ChipDerivation DeriveChipConfiguration(
    const Configuration& config, const ResolvedConfiguration& resolved, Dialect dialect)
{
    const ChipRow& profile = config.chip.row();
    ChipDerivation d;
    d.chip = config.chip;
    d.crystalHz = config.crystalHz;
    d.sixT = config.sixT;
    d.dialect = dialect;
    d.tmod = resolved.settings.tmod;
    for (int timer = 0; timer < kMaxTimers; ++timer) {
        if (const auto& reload = resolved.chipTimers[static_cast<std::size_t>(timer)])
            d.timers[static_cast<std::size_t>(timer)] = deriveTimer(profile, timer, config, *reload, dialect);
    }
    if (resolved.chipBaud) {
        const BaudSource source = BaudSourceFor(config.chip, config.uartTimer);
        d.baud = ChipBaudDerivation { FindBaudSource(profile, source),
            kBaudRates.at(static_cast<std::size_t>(*config.uartBaudIndex)), config.uartDoubleBaud, *resolved.chipBaud };
    }
    d.auxr = AuxrAfterInit(resolved.settings);
    d.t2con = T2conAfterInit(resolved.settings);
    d.vendorHeader = resolved.settings.vendorHeader;
    return d;
}

std::string FormatChipDerivation(const ChipDerivation& d)
{
    const ChipRow& p = d.chip.row();
    std::string out = TextFormat("Chip: %s; counts from the exact crystal, %u Hz (%.6f us a clock).\n",
        std::string(p.family).c_str(), d.crystalHz, 1e6 / d.crystalHz);
    if (d.sixT)
        out += "6T mode: 6 clocks per machine cycle, chosen when the chip is programmed (no register selects it).\n";
    if (!d.vendorHeader.empty())
        out += "Header: the vendor's \"" + d.vendorHeader
            + "\" is included and declares the chip's registers; no sfr declarations are written.\n";
    if (d.timers[0] || d.timers[1])
        out += TextFormat("TMOD = 0x%02x.\n", unsigned { d.tmod });
    for (const auto& timer : d.timers) {
        if (timer)
            explainTimer(out, *timer, d.crystalHz);
    }
    if (d.baud)
        explainBaud(out, *d.baud, d.crystalHz);
    if (TimersUseRegister(p, "AUXR"))
        out += TextFormat("\nAUXR after init: 0x%02x (%s).\n", unsigned { d.auxr }, auxrBits(d.auxr).c_str());
    else if (timer2InUse(d) && TimersUseRegister(p, "T2CON"))
        out += TextFormat("\nT2CON after init: 0x%02x.\n", unsigned { d.t2con });
    if (!d.timers[0] && !d.timers[1] && !d.timers[2] && !d.baud)
        out += "No timer and no serial port in use: nothing to compute.\n";
    return out;
}

} // namespace orlet
