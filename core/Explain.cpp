#include "Explain.h"

#include "BaudAdvice.h"
#include "Calculation.h"
#include "TextFormat.h"
#include "Tmod.h"

#include <cmath>

namespace orlet {

namespace {

    using ull = unsigned long long;

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

    const char* counterName(CounterKind kind)
    {
        switch (kind) {
        case CounterKind::Bits13:
            return "13-bit";
        case CounterKind::Bits16:
            return "16-bit";
        case CounterKind::AutoReload8:
            return "8-bit auto-reload";
        case CounterKind::AutoReload16:
            break;
        }
        return "16-bit auto-reload";
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

    // One timer's steps in words: the classic arithmetic's in machine cycles
    // and TH0/TL0, the others' in counts and the chip's registers.
    class TimerWords
    {
    public:
        TimerWords(std::string& out, const TimerDerivation& d)
            : out_(out)
            , classic_(d.arithmetic == Arithmetic::Classic)
            , exactCounter_(d.counter && !classic_)
        {
        }

        void operator()(const step::Header& h)
        {
            const int t = h.timer;
            if (!classic_) {
                out_ += TextFormat(
                    "\n%s %d (mode %d: %s), ", h.counter ? "Counter" : "Timer", t, h.mode, counterName(h.kind));
                out_ += h.counter ? TextFormat("%u pulses on T%d:\n", h.value, t)
                                  : TextFormat("period %u us, %u clocks per count:\n", h.value, h.clocksPerCount);
                return;
            }
            if (h.counter) {
                const std::string gate = h.gate ? TextFormat(", GATE: counts only while INT%d is high", t) : "";
                out_ += TextFormat("\nCounter %d (mode %d: %s%s), %u pulses on T%d:\n", t, h.mode, counterName(h.kind),
                    gate.c_str(), h.value, t);
                return;
            }
            const std::string gate = h.gate ? TextFormat(", GATE: runs only while INT%d is high", t) : "";
            out_ += TextFormat(
                "\nTimer %d (mode %d: %s%s), period %u us:\n", t, h.mode, counterName(h.kind), gate.c_str(), h.value);
        }

        void operator()(const step::Count& c)
        {
            const ull n = c.raised ? 0 : c.count;
            switch (c.method) {
            case CountMethod::Pulses:
                out_ += TextFormat("  Count: n = %u pulses; the crystal plays no part.\n", c.value);
                return;
            case CountMethod::ExactScaled:
                out_ += TextFormat("  Counts: n = round(%u * %u / (%u * 1000000)) = %llu, from the exact crystal.\n",
                    c.crystalHz, c.value, c.clocksPerCount, ull { c.count });
                return;
            case CountMethod::ExactHalfUp:
                out_ += TextFormat(
                    "  The count takes the exact crystal, rounded half up: n = floor(%u * %u / 12000000 + 0.5) = %llu",
                    c.crystalHz, c.value, n);
                out_ += c.raised ? ", raised to 1: the timer counts at least one cycle" : "";
                if (c.classicCount != c.count)
                    out_ += TextFormat(
                        " (whole megahertz, %u MHz, would give %llu)", c.wholeMhz, ull { c.classicCount });
                out_ += ".\n";
                return;
            case CountMethod::WholeMegahertz:
                break;
            }
            out_ += TextFormat(
                "  The count takes the crystal in whole megahertz: %u Hz counts as %u MHz", c.crystalHz, c.wholeMhz);
            if (c.crystalHz % 1000000u != 0)
                out_ += TextFormat(" (the fraction, %s MHz, is dropped)", megahertz(c.crystalHz % 1000000u).c_str());
            out_ += ".\n";
            out_ += TextFormat("  Machine cycles: n = floor(%u * %u / 12) = %llu", c.wholeMhz, c.value, n);
            out_ += c.raised ? ", raised to 1: the timer counts at least one cycle.\n" : ".\n";
        }

        void operator()(const step::Limit& l)
        {
            out_ += TextFormat("  Counter limit: L = %u counts; n <= L, so it fits.\n", l.limit);
        }

        void operator()(const step::Start& s)
        {
            const ull n = s.count;
            const unsigned start = s.start % s.limit;
            const unsigned high = s.high, low = s.low;
            if (!classic_) {
                if (s.kind == CounterKind::AutoReload8)
                    out_ += TextFormat("  Start value: %u - %llu = %u = 0x%02x: %s = %s = 0x%02x.\n", s.limit, n,
                        s.start, start, s.highName, s.lowName, low);
                else if (s.kind == CounterKind::Bits13)
                    out_ += TextFormat(
                        "  Start value: %u - %llu = %u: %s = 0x%02x (upper 8 bits), %s = 0x%02x (low 5 bits).\n",
                        s.limit, n, s.start, s.highName, high, s.lowName, low);
                else
                    out_ += TextFormat("  Start value: %u - %llu = %u = 0x%04x: %s = 0x%02x, %s = 0x%02x.\n", s.limit,
                        n, s.start, start, s.highName, high, s.lowName, low);
                return;
            }
            const int t = s.timer;
            const char* wrap = s.start == s.limit ? " (L wraps to 0: the counter runs its full L counts)"
                : s.start == 0                    ? " (the counter runs its full L counts)"
                                                  : "";
            if (s.kind == CounterKind::Bits13) {
                out_ += TextFormat("  Start value: L - n = %u - %llu = %u%s. TL%d holds its low 5 bits and TH%d the"
                                   " upper 8: TH%d = %u / 32 = 0x%02x, TL%d = %u %% 32 = 0x%02x.\n",
                    s.limit, n, s.start, wrap, t, t, t, start, high, t, start, low);
            } else if (s.kind == CounterKind::Bits16) {
                out_ += TextFormat("  Start value: L - n = %u - %llu = %u = 0x%04x%s: TH%d = 0x%02x, TL%d = 0x%02x.\n",
                    s.limit, n, s.start, start, wrap, t, high, t, low);
            } else {
                out_ += TextFormat("  Start value: L - n = %u - %llu = %u = 0x%02x%s: TH%d = TL%d = 0x%02x. At each"
                                   " overflow the timer reloads TL%d from TH%d by itself.\n",
                    s.limit, n, s.start, start, wrap, t, t, low, t, t);
            }
        }

        void operator()(const step::Period& p)
        {
            out_ += TextFormat("  Real period: %llu * %u / %u Hz = %.4f us", ull { p.count }, p.clocksPerCount,
                p.crystalHz, p.actualUs);
            if (p.errorPercent)
                out_ += TextFormat(", error %.4f%% against the %u us asked for.\n", *p.errorPercent, p.value);
            else
                out_ += "; a period of 0 us has no error to give.\n";
        }

        void operator()(const step::Pulses& p)
        {
            out_ += TextFormat("  The interrupt comes after every %llu pulses.\n", ull { p.pulses });
        }

        void operator()(const step::Postscale& p)
        {
            if (exactCounter_)
                return;
            if (!classic_) {
                out_ += TextFormat("  Software counter: your code runs once in %u interrupts, every %.4f us.\n",
                    p.postscale, p.wholeUs);
                return;
            }
            if (p.counter) {
                out_ += TextFormat(
                    "  Software counter: the routine reaches your code once in %u interrupts.\n", p.postscale);
                return;
            }
            out_ += TextFormat("  Software counter: the routine reaches your code once in %u interrupts, so it runs"
                               " every %u * %.4f = %.4f us",
                p.postscale, p.postscale, p.actualUs, p.wholeUs);
            if (p.errorPercent) {
                out_ += TextFormat(", error %.4f%% against the %llu us asked for", *p.errorPercent,
                    ull { std::uint64_t { p.value } * p.postscale });
            }
            out_ += ".\n";
        }

        void operator()(const step::Interrupt& i)
        {
            if (exactCounter_)
                return;
            if (classic_)
                classicInterrupt(i);
            else
                chipInterrupt(i);
        }

        void operator()(const step::Cpu& c) { out_ += "  CPU: " + CpuShareText(c.share) + ".\n"; }

        void operator()(const step::Drift& d)
        {
            out_ += TextFormat("  Drift: %llu %s last %.4f us against the %u us asked for: %+.1f ppm, %+.1f s a day.\n",
                ull { d.interruptCycles }, classic_ ? "cycles" : "counts", d.drift.periodUs, d.value, d.drift.ppm,
                d.drift.secondsPerDay);
            if (classic_ && d.runningAddWouldKeep) {
                out_ += "  Drift-free timing adds the reload to the running count instead, and the interrupt comes"
                        " every n cycles.\n";
            }
        }

        void operator()(const step::HardwareSplit& h)
        {
            const PostscaleSplit& s = h.split;
            out_ += TextFormat("  Exact with the hardware reload as well: mode 2 at %u us (%llu cycles) x %u"
                               " interrupts = %llu cycles; %.1f interrupts/s, about %.2f%% of the CPU.\n",
                s.periodUs, ull { s.cycles }, s.postscale, ull { s.cycles * s.postscale }, h.cost.interruptsPerSecond,
                h.cost.cpuPercent);
        }

    private:
        void classicInterrupt(const step::Interrupt& i)
        {
            const int t = i.timer;
            const ull n = i.count;
            if (i.counter) {
                if (i.kind != ReloadKind::Hardware) {
                    out_ += TextFormat(
                        "  The interrupt routine reloads TH%d and TL%d itself; pulses that come between the overflow"
                        " and that reload are lost.\n",
                        t, t);
                }
                return;
            }
            if (i.kind == ReloadKind::Hardware) {
                out_ += TextFormat("  Interrupt period: the hardware reloads at the overflow, so an interrupt comes"
                                   " every n = %llu machine cycles.\n",
                    n);
            } else if (i.kind == ReloadKind::RunningAdd) {
                out_ += TextFormat(
                    "  Interrupt period: the routine stops timer %d, adds the start value plus the %u cycles it"
                    " stands still to what it has counted since the overflow (TL%d += 0x%02x, TH%d += 0x%02x"
                    " and the carry) and starts it again, so an interrupt comes every n = %llu machine cycles"
                    " whatever the latency%s.\n",
                    t, i.runningAdd.stoppedCycles, t, unsigned { i.runningAdd.low }, t, unsigned { i.runningAdd.high },
                    n,
                    i.dialect == Dialect::Sdcc ? " (the stopped cycles measured in s51 for SDCC's code)"
                                               : " (the stopped cycles counted for Keil C51's code)");
            } else {
                out_ += TextFormat(
                    "  Interrupt period: the routine reloads TH%d and TL%d itself, and the counts the timer has"
                    " made since the overflow are lost. From the overflow to the reload: %s = %u cycles, so an"
                    " interrupt comes every %llu + %u = %llu machine cycles (measured in s51 for SDCC's code"
                    " with main() in an endless loop; Keil C51's code counted from the same instructions).\n",
                    t, t, latencyParts(i.latency).c_str(), i.latency.total(), n, i.latency.total(),
                    ull { i.interruptCycles.value_or(0) });
            }
        }

        void chipInterrupt(const step::Interrupt& i)
        {
            switch (i.kind) {
            case ReloadKind::Hardware:
                out_ += TextFormat("  Interrupt period: the chip reloads at the overflow and the routine reloads"
                                   " nothing, so an interrupt comes every %llu counts.\n",
                    ull { i.count });
                return;
            case ReloadKind::RunningAdd:
                out_ += TextFormat("  Interrupt period: the routine adds the start value plus the %u cycles the timer"
                                   " stands still to the running count, so an interrupt comes every %llu counts.\n",
                    i.runningAdd.stoppedCycles, ull { i.count });
                return;
            case ReloadKind::Routine:
                out_ += TextFormat("  Interrupt period: the routine reloads %s and %s itself, %llu machine cycles"
                                   " after the overflow, so an interrupt comes every %llu machine cycles.\n",
                    i.highName, i.lowName, ull { *i.interruptCycles - i.count }, ull { *i.interruptCycles });
                return;
            case ReloadKind::RoutineUncounted:
                break;
            }
            out_ += TextFormat("  Interrupt period: the routine reloads %s and %s itself; on a 1T core its latency is"
                               " not counted here. Mode 0 reloads the same 16 bits in hardware.\n",
                i.highName, i.lowName);
        }

        std::string& out_;
        bool classic_;
        bool exactCounter_; // told no further than its start value
    };

    class BaudWords
    {
    public:
        BaudWords(std::string& out, const BaudDerivation& d)
            : out_(out)
            , d_(d)
            , classic_(d.arithmetic == Arithmetic::Classic)
        {
        }

        void operator()(const step::BaudSource& s)
        {
            if (classic_) {
                out_ += TextFormat(
                    "\nSerial port: %u bit/s in mode 1 (SCON = 0x50), clocked by timer %d; doubling %s.\n", s.rate,
                    s.timer, s.k == 2 ? "on (PCON |= 0x80 sets SMOD, k = 2)" : "off (SMOD = 0, k = 1)");
                return;
            }
            out_ += TextFormat("\nSerial port: %u bit/s in mode 1 (SCON = 0x50), clocked by timer %d at %u clocks per"
                               " count%s.\n",
                s.rate, s.timer, s.clocksPerCount,
                s.smodDoubles ? (s.k == 2 ? "; doubling on (SMOD = 1)" : "; doubling off (SMOD = 0)") : "");
            out_ += "  " + BaudFormula(*s.row, s.clocksPerCount) + ".\n";
        }

        void operator()(const step::BaudCount& c)
        {
            if (!classic_) {
                out_ += TextFormat("  x = %.4f counts per overflow asked for at %u Hz; n = x rounded half up = %u.\n",
                    c.x, c.crystalHz, c.n);
                return;
            }
            if (c.fromQuotient) {
                out_ += TextFormat("  q = floor(%u / %u) = %u; the remainder is dropped.\n", c.crystalHz, c.rate, c.q);
                out_ += TextFormat(
                    "  x = k * q / 32 / 12 = %d * %u / 384 = %.4f timer 1 steps per bit clock.\n", c.k, c.q, c.x);
            } else {
                out_ += TextFormat(
                    "  x = k * f / (384 * rate) = %d * %u / (384 * %u) = %.4f timer 1 steps per bit clock, from"
                    " the exact crystal.\n",
                    c.k, c.crystalHz, c.rate, c.x);
            }
            out_ += TextFormat("  n = x rounded half up = %u.\n", c.n);
        }

        void operator()(const step::BaudReload& r)
        {
            if (classic_) {
                out_ += TextFormat("  r = 256 - n = %u = 0x%02x: TH1 = TL1 = 0x%02x.\n", r.reload, unsigned { r.low },
                    unsigned { r.low });
            } else if (r.limit == 256) {
                out_ += TextFormat(
                    "  Reload: 256 - %u = 0x%02x: TH1 = TL1 = 0x%02x.\n", r.n, unsigned { r.low }, unsigned { r.low });
            } else {
                out_ += TextFormat("  Reload: 65536 - %u = 0x%04x: high byte 0x%02x, low byte 0x%02x.\n", r.n, r.reload,
                    unsigned { r.high }, unsigned { r.low });
            }
        }

        void operator()(const step::BaudRate& r)
        {
            if (!classic_)
                return; // told with the error
            out_ += TextFormat("  Real rate: k * %u / (384 * %u) = %.2f bit/s, %.4f%% against %u; a bit lasts"
                               " 384 * %u / %d = %u oscillator periods, %.4f us.\n",
                r.crystalHz, r.n, r.actualBaud, r.deviationPercent, r.rate, r.n, r.k, r.bitClocks,
                r.bitClocks * 1e6 / r.crystalHz);
        }

        void operator()(const step::BaudError& e)
        {
            if (classic_) {
                out_ += TextFormat("  Error shown: 1 - n / x = %s (positive when n was rounded down and the bits come"
                                   " early).\n",
                    TextFormat("%.4f%%", e.errorPercent).c_str());
            } else {
                out_ += TextFormat("  Real rate: %.2f bit/s; error shown: 1 - n / x = %.4f%%.\n",
                    d_.find<step::BaudRate>()->actualBaud, e.errorPercent);
            }
            deviation();
        }

    private:
        // The measure a receiver feels, beside the window's.
        void deviation()
        {
            // To the four decimals shown: no "-0.0000%" for a rate met exactly.
            const double percent = std::round(d_.find<step::BaudRate>()->deviationPercent * 1e4) / 1e4 + 0.0;
            out_ += TextFormat("  Deviation of the real rate: real / asked - 1 = %+.4f%%, %s the +/-%g %% a receiver"
                               " sampling each bit in its middle tolerates.\n",
                percent, BeyondTolerance(percent) ? "beyond" : "within", kBaudTolerancePercent);
            out_ += "  The error shown is another measure: it compares the count n with the count x asked for, the"
                    " deviation the real rate with the rate asked for.\n";
        }

        std::string& out_;
        const BaudDerivation& d_;
        bool classic_;
    };

    // "mode 1, C/T 0, GATE 0" of a timer in TMOD, or that it is unused.
    std::string tmodHalf(const Derivation& d, int timer)
    {
        if (!d.timers.at(static_cast<std::size_t>(timer)))
            return "unused (0)";
        return TextFormat("mode %d, C/T %d, GATE %d", TimerModeIn(d.tmod, timer), int { TimerCountsIn(d.tmod, timer) },
            int { TimerGatedIn(d.tmod, timer) });
    }

    bool anyTmodTimer(const Derivation& d)
    {
        for (int timer = 0; timer < kMaxTimers; ++timer) {
            const TimerRow* row = TimerOf(d.chip.row(), timer);
            if (d.timers.at(static_cast<std::size_t>(timer)) && row->control == TimerControl::Tmod)
                return true;
        }
        return false;
    }

    void explainClassicHead(std::string& out, const Derivation& d)
    {
        out += TextFormat("Crystal: %u Hz (%s MHz); a machine cycle is 12 oscillator periods, %.6f us.\n", d.crystalHz,
            megahertz(d.crystalHz).c_str(), 12e6 / d.crystalHz);
        if (anyTmodTimer(d)) {
            out += TextFormat("TMOD = 0x%02x: timer 1 %s; timer 0 %s.\n", unsigned { d.tmod }, tmodHalf(d, 1).c_str(),
                tmodHalf(d, 0).c_str());
        }
        if (d.baud)
            out += "initUart() ORs 0x20 into TMOD: timer 1 in mode 2 clocks the serial port.\n";
    }

    void explainChipHead(std::string& out, const Derivation& d)
    {
        out += TextFormat("Chip: %s; counts from the exact crystal, %u Hz (%.6f us a clock).\n",
            std::string(d.chip->family).c_str(), d.crystalHz, 1e6 / d.crystalHz);
        if (d.sixT)
            out += "6T mode: 6 clocks per machine cycle, chosen when the chip is programmed (no register selects "
                   "it).\n";
        if (!d.vendorHeader.empty())
            out += "Header: the vendor's \"" + d.vendorHeader
                + "\" is included and declares the chip's registers; no sfr declarations are written.\n";
        if (anyTmodTimer(d))
            out += TextFormat("TMOD = 0x%02x.\n", unsigned { d.tmod });
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

} // namespace

std::string CpuShareText(const CpuShare& share)
{
    const auto period = ull { share.interruptCycles };
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
    std::string out;
    const bool classic = d.chip->arithmetic == Arithmetic::Classic;
    if (classic)
        explainClassicHead(out, d);
    else
        explainChipHead(out, d);
    bool anything = false;
    for (const auto& timer : d.timers) {
        if (!timer)
            continue;
        anything = true;
        TimerWords words(out, *timer);
        for (const TimerStep& s : timer->steps)
            std::visit(words, s);
    }
    if (d.baud) {
        anything = true;
        BaudWords words(out, *d.baud);
        for (const BaudStep& s : d.baud->steps)
            std::visit(words, s);
    }
    if (d.auxr)
        out += TextFormat("\nAUXR after init: 0x%02x (%s).\n", unsigned { *d.auxr }, auxrBits(*d.auxr).c_str());
    else if (d.t2con)
        out += TextFormat("\nT2CON after init: 0x%02x.\n", unsigned { *d.t2con });
    if (!anything)
        out += "No timer and no serial port in use: nothing to compute.\n";
    return out;
}

} // namespace orlet
