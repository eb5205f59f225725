#include "Explain.h"

#include "BaudReload.h"
#include "TextFormat.h"
#include "TimerReload.h"
#include "TimerTiming.h"
#include "Tmod.h"

namespace orlet {

namespace {

    // Megahertz with as many decimals as the frequency needs: 12, 11.0592, 14.745599.
    std::string megahertz(std::uint32_t hz)
    {
        std::string text = TextFormat("%u.%06u", hz / 1000000u, hz % 1000000u);
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
        return text;
    }

    TimerDerivation deriveTimer(std::uint32_t crystalHz, const TimerConfig& timer, const Configuration& config,
        const TimerReload& reload, Dialect dialect)
    {
        TimerDerivation d;
        d.counter = timer.counter;
        d.mode = timer.mode;
        d.gate = timer.gate;
        d.value = timer.value;
        d.limit = TimerModeLimit(timer.mode);
        d.postscale = timer.postscale;
        d.count = reload.count;
        d.countRaised = reload.countRaised;
        d.start = static_cast<std::uint32_t>(d.limit - d.count);
        d.th = reload.th;
        d.tl = reload.tl;
        if (timer.counter)
            return d;
        const TimerTiming timing = ComputeTimerTiming(
            crystalHz, timer.mode, false, timer.value, config.precision, timer.postscale, config.driftFree, dialect);
        d.wholeMhz = crystalHz / 1000000u;
        d.exact = config.precision == Precision::Exact;
        d.classicCount = timing.classicCount;
        d.actualPeriodUs = timing.periodUs;
        d.periodErrorPercent = timing.errorPercent;
        d.wholePeriodUs = timing.wholePeriodUs;
        d.latency = timing.latency;
        d.interruptCycles = timing.interruptCycles;
        d.drift = timing.drift;
        d.hardwareSplit = timing.hardwareSplit;
        d.cpuShare = timing.cpuShare;
        if (AddsToRunningCount({ timer.mode, false, timer.postscale, config.driftFree, dialect }))
            d.runningAdd = RunningCountAddFor(timer.mode, reload.th, reload.tl, dialect);
        return d;
    }

    BaudDerivation deriveBaud(std::uint32_t crystalHz, bool doubled, Precision precision, const BaudReload& reload)
    {
        BaudDerivation d;
        d.exact = precision == Precision::Exact;
        d.rate = kBaudRates.at(static_cast<std::size_t>(reload.rateIndex));
        d.k = doubled ? 2 : 1;
        d.q = crystalHz / d.rate;
        d.x = reload.exactCount;
        d.n = reload.count;
        d.reload = reload.reload;
        d.bitClocks = static_cast<std::uint32_t>(384 * d.n / d.k);
        d.actualBaud = d.k * static_cast<double>(crystalHz) / (384.0 * d.n);
        d.rateDeviationPercent = (d.actualBaud / d.rate - 1.0) * 100.0;
        d.errorText = reload.errorText;
        d.errorPercent = reload.errorPercent;
        return d;
    }

    const char* modeName(int mode)
    {
        switch (mode) {
        case 0:
            return "13-bit";
        case 1:
            return "16-bit";
        default:
            return "8-bit auto-reload";
        }
    }

    std::string tmodHalf(const Derivation& d, int timer)
    {
        if (!d.timers[static_cast<std::size_t>(timer)])
            return "unused (0)";
        return TextFormat("mode %d, C/T %d, GATE %d", TimerModeIn(d.tmod, timer), int { TimerCountsIn(d.tmod, timer) },
            int { TimerGatedIn(d.tmod, timer) });
    }

    void explainTmod(std::string& out, const Derivation& d)
    {
        if (d.timers[0] || d.timers[1]) {
            out += TextFormat("TMOD = 0x%02x: timer 1 %s; timer 0 %s.\n", unsigned { d.tmod }, tmodHalf(d, 1).c_str(),
                tmodHalf(d, 0).c_str());
        }
        if (d.baud)
            out += "initUart() ORs 0x20 into TMOD: timer 1 in mode 2 clocks the serial port.\n";
    }

    void explainClassicCount(std::string& out, const TimerDerivation& t, std::uint32_t crystalHz)
    {
        out += TextFormat(
            "  The count takes the crystal in whole megahertz: %u Hz counts as %u MHz", crystalHz, t.wholeMhz);
        if (crystalHz % 1000000u != 0)
            out += TextFormat(" (the fraction, %s MHz, is dropped)", megahertz(crystalHz % 1000000u).c_str());
        out += ".\n";
        out += TextFormat("  Machine cycles: n = floor(%u * %u / 12) = %llu", t.wholeMhz, t.value,
            static_cast<unsigned long long>(t.countRaised ? 0 : t.count));
        out += t.countRaised ? ", raised to 1: the timer counts at least one cycle.\n" : ".\n";
    }

    void explainExactCount(std::string& out, const TimerDerivation& t, std::uint32_t crystalHz)
    {
        out += TextFormat(
            "  The count takes the exact crystal, rounded half up: n = floor(%u * %u / 12000000 + 0.5) = %llu",
            crystalHz, t.value, static_cast<unsigned long long>(t.countRaised ? 0 : t.count));
        out += t.countRaised ? ", raised to 1: the timer counts at least one cycle" : "";
        if (t.classicCount != t.count) {
            out += TextFormat(" (whole megahertz, %u MHz, would give %llu)", t.wholeMhz,
                static_cast<unsigned long long>(t.classicCount));
        }
        out += ".\n";
    }

    void explainPostscale(std::string& out, const TimerDerivation& t)
    {
        out += TextFormat("  Software counter: the routine reaches your code once in %u interrupts, so it runs every"
                          " %u * %.4f = %.4f us",
            t.postscale, t.postscale, t.actualPeriodUs, t.wholePeriodUs);
        if (t.periodErrorPercent) {
            out += TextFormat(", error %.4f%% against the %llu us asked for", *t.periodErrorPercent,
                static_cast<unsigned long long>(std::uint64_t { t.value } * t.postscale));
        }
        out += ".\n";
    }

    void explainHeaderAndCount(std::string& out, int index, const TimerDerivation& t, std::uint32_t crystalHz)
    {
        out += "\n";
        if (t.counter) {
            const std::string gate = t.gate ? TextFormat(", GATE: counts only while INT%d is high", index) : "";
            out += TextFormat("Counter %d (mode %d: %s%s), %u pulses on T%d:\n", index, t.mode, modeName(t.mode),
                gate.c_str(), t.value, index);
            out += TextFormat("  Count: n = %u pulses; the crystal plays no part.\n", t.value);
            return;
        }
        const std::string gate = t.gate ? TextFormat(", GATE: runs only while INT%d is high", index) : "";
        out += TextFormat(
            "Timer %d (mode %d: %s%s), period %u us:\n", index, t.mode, modeName(t.mode), gate.c_str(), t.value);
        if (t.exact)
            explainExactCount(out, t, crystalHz);
        else
            explainClassicCount(out, t, crystalHz);
    }

    void explainStartValue(std::string& out, int index, const TimerDerivation& t)
    {
        out += TextFormat("  Counter limit: L = %u counts; n <= L, so it fits.\n", t.limit);
        const unsigned start = t.start % t.limit;
        const char* wrap = t.start == t.limit ? " (L wraps to 0: the counter runs its full L counts)"
            : t.start == 0                    ? " (the counter runs its full L counts)"
                                              : "";
        const auto n = static_cast<unsigned long long>(t.count);
        const unsigned th = t.th, tl = t.tl;
        if (t.mode == 0) {
            out += TextFormat("  Start value: L - n = %u - %llu = %u%s. TL%d holds its low 5 bits and TH%d the upper 8:"
                              " TH%d = %u / 32 = 0x%02x, TL%d = %u %% 32 = 0x%02x.\n",
                t.limit, n, t.start, wrap, index, index, index, start, th, index, start, tl);
        } else if (t.mode == 1) {
            out += TextFormat("  Start value: L - n = %u - %llu = %u = 0x%04x%s: TH%d = 0x%02x, TL%d = 0x%02x.\n",
                t.limit, n, t.start, start, wrap, index, th, index, tl);
        } else {
            out += TextFormat("  Start value: L - n = %u - %llu = %u = 0x%02x%s: TH%d = TL%d = 0x%02x. At each overflow"
                              " the timer reloads TL%d from TH%d by itself.\n",
                t.limit, n, t.start, start, wrap, index, index, tl, index, index);
        }
    }

    void explainCounterPeriod(std::string& out, int index, const TimerDerivation& t)
    {
        out += TextFormat("  The interrupt comes after every %llu pulses.\n",
            static_cast<unsigned long long>(t.count == 0 ? t.limit : t.count));
        if (t.postscale > 1)
            out += TextFormat(
                "  Software counter: the routine reaches your code once in %u interrupts.\n", t.postscale);
        if (t.mode != 2) {
            out += TextFormat(
                "  The interrupt routine reloads TH%d and TL%d itself; pulses that come between the overflow"
                " and that reload are lost.\n",
                index, index);
        }
    }

    std::string latencyParts(const ReloadLatency& l)
    {
        std::string parts = TextFormat("%u (the hardware call and the LJMP at the vector)", l.entry);
        if (l.saves)
            parts += TextFormat(" + %u (PUSH ACC, PUSH PSW for the software counter)", l.saves);
        parts += TextFormat(" + %u (MOV THx; MOV TLx restarts the count)", l.moves);
        if (l.loopWait)
            parts += TextFormat(" + %u (main's 2-cycle SJMP finishing)", l.loopWait);
        return parts;
    }

    void explainInterruptPeriod(std::string& out, int index, const TimerDerivation& t, Dialect dialect)
    {
        const auto n = static_cast<unsigned long long>(t.count);
        if (t.mode == 2) {
            out += TextFormat("  Interrupt period: the hardware reloads at the overflow, so an interrupt comes every"
                              " n = %llu machine cycles.\n",
                n);
        } else if (t.runningAdd) {
            out += TextFormat(
                "  Interrupt period: the routine stops timer %d, adds the start value plus the %u cycles it"
                " stands still to what it has counted since the overflow (TL%d += 0x%02x, TH%d += 0x%02x"
                " and the carry) and starts it again, so an interrupt comes every n = %llu machine cycles"
                " whatever the latency%s.\n",
                index, t.runningAdd->stoppedCycles, index, unsigned { t.runningAdd->low }, index,
                unsigned { t.runningAdd->high }, n,
                dialect == Dialect::Sdcc ? " (the stopped cycles measured in s51 for SDCC's code)"
                                         : " (the stopped cycles counted for Keil C51's code)");
        } else {
            out += TextFormat(
                "  Interrupt period: the routine reloads TH%d and TL%d itself, and the counts the timer has"
                " made since the overflow are lost. From the overflow to the reload: %s = %u cycles, so an"
                " interrupt comes every %llu + %u = %llu machine cycles (measured in s51 for SDCC's code"
                " with main() in an endless loop; Keil C51's code counted from the same instructions).\n",
                index, index, latencyParts(t.latency).c_str(), t.latency.total(), n, t.latency.total(),
                static_cast<unsigned long long>(t.interruptCycles));
        }
    }

    void explainDrift(std::string& out, const TimerDerivation& t)
    {
        if (!t.drift)
            return;
        out += TextFormat("  Drift: %llu cycles last %.4f us against the %u us asked for: %+.1f ppm, %+.1f s a day.\n",
            static_cast<unsigned long long>(t.interruptCycles), t.drift->periodUs, t.value, t.drift->ppm,
            t.drift->secondsPerDay);
        if (t.mode != 2 && !t.runningAdd && t.latency.total() != 0) {
            out += "  Drift-free timing adds the reload to the running count instead, and the interrupt comes every"
                   " n cycles.\n";
        }
    }

    void explainHardwareSplit(std::string& out, const TimerDerivation& t, std::uint32_t crystalHz)
    {
        if (!t.hardwareSplit)
            return;
        const PostscaleSplit& h = *t.hardwareSplit;
        const SplitCost cost = CostOf(h, t.mode, crystalHz, true);
        out += TextFormat("  Exact with the hardware reload as well: mode 2 at %u us (%llu cycles) x %u interrupts ="
                          " %llu cycles; %.1f interrupts/s, about %.2f%% of the CPU.\n",
            h.periodUs, static_cast<unsigned long long>(h.cycles), h.postscale,
            static_cast<unsigned long long>(h.cycles * h.postscale), cost.interruptsPerSecond, cost.cpuPercent);
    }

    std::string routineParts(const RoutineCost& c)
    {
        std::string parts = TextFormat("%u (the hardware call and the LJMP at the vector)", c.entry);
        if (c.saves)
            parts += TextFormat(" + %u (saving and restoring registers)", c.saves);
        if (c.body)
            parts += TextFormat(" + %u (%s)", c.body, c.bodyText);
        if (c.counter)
            parts += TextFormat(" + %u (the software counter)", c.counter);
        return parts + TextFormat(" + %u (RETI)", c.exit);
    }

    void explainCpuShare(std::string& out, const std::optional<CpuShare>& share)
    {
        if (share)
            out += "  CPU: " + CpuShareText(*share) + ".\n";
    }

    void explainTimerPeriod(std::string& out, int index, const TimerDerivation& t, const Derivation& d)
    {
        out += TextFormat("  Real period: %llu * 12 / %u Hz = %.4f us", static_cast<unsigned long long>(t.count),
            d.crystalHz, t.actualPeriodUs);
        if (t.periodErrorPercent)
            out += TextFormat(", error %.4f%% against the %u us asked for.\n", *t.periodErrorPercent, t.value);
        else
            out += "; a period of 0 us has no error to give.\n";
        if (t.postscale > 1)
            explainPostscale(out, t);
        explainInterruptPeriod(out, index, t, d.dialect);
        explainCpuShare(out, t.cpuShare);
        explainDrift(out, t);
        explainHardwareSplit(out, t, d.crystalHz);
    }

    void explainTimer(std::string& out, int index, const TimerDerivation& t, const Derivation& d)
    {
        explainHeaderAndCount(out, index, t, d.crystalHz);
        explainStartValue(out, index, t);
        if (t.counter)
            explainCounterPeriod(out, index, t);
        else
            explainTimerPeriod(out, index, t, d);
    }

    void explainBaud(std::string& out, const BaudDerivation& b, std::uint32_t crystalHz)
    {
        out += TextFormat("\nSerial port: %u bit/s in mode 1 (SCON = 0x50), clocked by timer 1; doubling %s.\n", b.rate,
            b.k == 2 ? "on (PCON |= 0x80 sets SMOD, k = 2)" : "off (SMOD = 0, k = 1)");
        if (b.exact) {
            out += TextFormat(
                "  x = k * f / (384 * rate) = %d * %u / (384 * %u) = %.4f timer 1 steps per bit clock, from"
                " the exact crystal.\n",
                b.k, crystalHz, b.rate, b.x);
        } else {
            out += TextFormat("  q = floor(%u / %u) = %u; the remainder is dropped.\n", crystalHz, b.rate, b.q);
            out += TextFormat(
                "  x = k * q / 32 / 12 = %d * %u / 384 = %.4f timer 1 steps per bit clock.\n", b.k, b.q, b.x);
        }
        out += TextFormat("  n = x rounded half up = %d.\n", b.n);
        out += TextFormat("  r = 256 - n = %d = 0x%02x: TH1 = TL1 = 0x%02x.\n", 256 - b.n, unsigned { b.reload },
            unsigned { b.reload });
        out += TextFormat("  Real rate: k * %u / (384 * %d) = %.2f bit/s, %.4f%% against %u; a bit lasts"
                          " 384 * %d / %d = %u oscillator periods, %.4f us.\n",
            crystalHz, b.n, b.actualBaud, b.rateDeviationPercent, b.rate, b.n, b.k, b.bitClocks,
            b.bitClocks * 1e6 / crystalHz);
        out += TextFormat("  Error shown: 1 - n / x = %s (positive when n was rounded down and the bits come early).\n",
            b.errorText.c_str());
    }

} // namespace

Derivation DeriveConfiguration(const Configuration& config, const ResolvedConfiguration& resolved, Dialect dialect)
{
    const GeneratorSettings& s = resolved.settings;
    Derivation d;
    d.crystalHz = config.crystalHz;
    d.dialect = dialect;
    d.tmod = s.tmod;
    for (std::size_t t = 0; t < 2; ++t) {
        if (resolved.timers[t]) {
            d.timers[t] = deriveTimer(config.crystalHz, config.timers[t], config, *resolved.timers[t], dialect);
        }
    }
    if (resolved.baud)
        d.baud = deriveBaud(config.crystalHz, config.uartDoubleBaud, config.precision, *resolved.baud);
    return d;
}

std::string CpuShareText(const CpuShare& share)
{
    const auto period = static_cast<unsigned long long>(share.interruptCycles);
    const std::string parts = routineParts(share.routine);
    if (!share.periodKept()) {
        return TextFormat("the routine takes %s = %u machine cycles, and the next interrupt is due %llu cycles after"
                          " the last: the period cannot be kept; the interrupts come late and main() runs at most"
                          " one instruction between them",
            parts.c_str(), share.routineCycles(), period);
    }
    return TextFormat("the routine takes %s = %u of the %llu machine cycles from one interrupt to the next: about %u%%"
                      " of the CPU",
        parts.c_str(), share.routineCycles(), period, share.percent());
}

std::string FormatDerivation(const Derivation& d)
{
    std::string out = TextFormat("Crystal: %u Hz (%s MHz); a machine cycle is 12 oscillator periods, %.6f us.\n",
        d.crystalHz, megahertz(d.crystalHz).c_str(), 12e6 / d.crystalHz);
    const bool anyTimer = d.timers[0] || d.timers[1];
    explainTmod(out, d);
    for (int t = 0; t < 2; ++t) {
        if (d.timers[static_cast<std::size_t>(t)])
            explainTimer(out, t, *d.timers[static_cast<std::size_t>(t)], d);
    }
    if (d.baud)
        explainBaud(out, *d.baud, d.crystalHz);
    if (!anyTimer && !d.baud)
        out += "No timer and no serial port in use: nothing to compute.\n";
    return out;
}

} // namespace orlet
