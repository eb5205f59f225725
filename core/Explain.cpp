#include "Explain.h"

#include "BaudReload.h"
#include "TimerReload.h"
#include "TimerTiming.h"

#include <cstdarg>
#include <cstdio>

namespace orlet {

namespace {

    // printf-style formatting into a std::string.
    [[gnu::format(printf, 1, 2)]] std::string format(const char* pattern, ...)
    {
        char buffer[512];
        va_list args;
        va_start(args, pattern);
        std::vsnprintf(buffer, sizeof buffer, pattern, args);
        va_end(args);
        return buffer;
    }

    // Megahertz with as many decimals as the frequency needs: 12, 11.0592, 14.745599.
    std::string megahertz(std::uint32_t hz)
    {
        std::string text = format("%u.%06u", hz / 1000000u, hz % 1000000u);
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
        return text;
    }

    TimerDerivation deriveTimer(
        std::uint32_t crystalHz, const TimerConfig& timer, Precision precision, const TimerReload& reload)
    {
        TimerDerivation d;
        d.counter = timer.counter;
        d.mode = timer.mode;
        d.gate = timer.gate && !timer.counter;
        d.value = timer.value;
        d.limit = TimerModeLimit(timer.mode);
        d.postscale = timer.postscale;
        d.count = reload.count;
        d.countRaised = reload.countRaised;
        if (!timer.counter) {
            const TimerTiming timing
                = ComputeTimerTiming(crystalHz, timer.mode, false, timer.value, precision, timer.postscale);
            d.wholeMhz = crystalHz / 1000000u;
            d.exact = precision == Precision::Exact;
            d.classicCount = timing.classicCount;
            d.actualPeriodUs = timing.periodUs;
            d.periodErrorPercent = timing.errorPercent;
            d.wholePeriodUs = timing.wholePeriodUs;
        }
        d.start = static_cast<std::uint32_t>(d.limit - d.count);
        d.th = reload.th;
        d.tl = reload.tl;
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

    std::string tmodHalf(const std::optional<TimerDerivation>& timer, unsigned bits)
    {
        if (!timer)
            return "unused (0)";
        return format("mode %u, C/T %u, GATE %u", bits & 0x03u, (bits >> 2) & 1u, (bits >> 3) & 1u);
    }

    void explainTmod(std::string& out, const Derivation& d)
    {
        if (d.timers[0] || d.timers[1]) {
            out += format("TMOD = 0x%02x: timer 1 %s; timer 0 %s.\n", unsigned { d.tmod },
                tmodHalf(d.timers[1], d.tmod >> 4u).c_str(), tmodHalf(d.timers[0], d.tmod & 0x0Fu).c_str());
        }
        if (d.baud)
            out += "initUart() ORs 0x20 into TMOD: timer 1 in mode 2 clocks the serial port.\n";
    }

    void explainClassicCount(std::string& out, const TimerDerivation& t, std::uint32_t crystalHz)
    {
        out += format(
            "  The count takes the crystal in whole megahertz: %u Hz counts as %u MHz", crystalHz, t.wholeMhz);
        if (crystalHz % 1000000u != 0)
            out += format(" (the fraction, %s MHz, is dropped)", megahertz(crystalHz % 1000000u).c_str());
        out += ".\n";
        out += format("  Machine cycles: n = floor(%u * %u / 12) = %llu", t.wholeMhz, t.value,
            static_cast<unsigned long long>(t.countRaised ? 0 : t.count));
        out += t.countRaised ? ", raised to 1: the timer counts at least one cycle.\n" : ".\n";
    }

    void explainExactCount(std::string& out, const TimerDerivation& t, std::uint32_t crystalHz)
    {
        out += format(
            "  The count takes the exact crystal, rounded half up: n = floor(%u * %u / 12000000 + 0.5) = %llu",
            crystalHz, t.value, static_cast<unsigned long long>(t.countRaised ? 0 : t.count));
        out += t.countRaised ? ", raised to 1: the timer counts at least one cycle" : "";
        if (t.classicCount != t.count) {
            out += format(" (whole megahertz, %u MHz, would give %llu)", t.wholeMhz,
                static_cast<unsigned long long>(t.classicCount));
        }
        out += ".\n";
    }

    void explainPostscale(std::string& out, const TimerDerivation& t)
    {
        out += format("  Software counter: the routine reaches your code once in %u interrupts, so it runs every"
                      " %u * %.4f = %.4f us",
            t.postscale, t.postscale, t.actualPeriodUs, t.wholePeriodUs);
        if (t.periodErrorPercent) {
            out += format(", error %.4f%% against the %llu us asked for", *t.periodErrorPercent,
                static_cast<unsigned long long>(std::uint64_t { t.value } * t.postscale));
        }
        out += ".\n";
    }

    void explainTimer(std::string& out, int index, const TimerDerivation& t, std::uint32_t crystalHz)
    {
        out += "\n";
        if (t.counter) {
            out += format(
                "Counter %d (mode %d: %s), %u pulses on T%d:\n", index, t.mode, modeName(t.mode), t.value, index);
            out += format("  Count: n = %u pulses; the crystal plays no part.\n", t.value);
        } else {
            const std::string gate = t.gate ? format(", GATE: runs only while INT%d is high", index) : "";
            out += format(
                "Timer %d (mode %d: %s%s), period %u us:\n", index, t.mode, modeName(t.mode), gate.c_str(), t.value);
            if (t.exact)
                explainExactCount(out, t, crystalHz);
            else
                explainClassicCount(out, t, crystalHz);
        }
        out += format("  Counter limit: L = %u counts; n <= L, so it fits.\n", t.limit);

        const unsigned start = t.start % t.limit;
        const char* wrap = t.start == t.limit ? " (L wraps to 0: the counter runs its full L counts)"
            : t.start == 0                    ? " (the counter runs its full L counts)"
                                              : "";
        if (t.mode == 0) {
            out += format("  Start value: L - n = %u - %llu = %u%s. TL%d holds its low 5 bits and TH%d the upper 8:"
                          " TH%d = %u / 32 = 0x%02x, TL%d = %u %% 32 = 0x%02x.\n",
                t.limit, static_cast<unsigned long long>(t.count), t.start, wrap, index, index, index, start,
                unsigned { t.th }, index, start, unsigned { t.tl });
        } else if (t.mode == 1) {
            out += format("  Start value: L - n = %u - %llu = %u = 0x%04x%s: TH%d = 0x%02x, TL%d = 0x%02x.\n", t.limit,
                static_cast<unsigned long long>(t.count), t.start, start, wrap, index, unsigned { t.th }, index,
                unsigned { t.tl });
        } else {
            out += format("  Start value: L - n = %u - %llu = %u = 0x%02x%s: TH%d = TL%d = 0x%02x. At each overflow"
                          " the timer reloads TL%d from TH%d by itself.\n",
                t.limit, static_cast<unsigned long long>(t.count), t.start, start, wrap, index, index,
                unsigned { t.tl }, index, index);
        }

        if (t.counter) {
            out += format("  The interrupt comes after every %llu pulses.\n",
                static_cast<unsigned long long>(t.count == 0 ? t.limit : t.count));
            if (t.postscale > 1) {
                out += format(
                    "  Software counter: the routine reaches your code once in %u interrupts.\n", t.postscale);
            }
        } else {
            out += format("  Real period: %llu * 12 / %u Hz = %.4f us", static_cast<unsigned long long>(t.count),
                crystalHz, t.actualPeriodUs);
            if (t.periodErrorPercent)
                out += format(", error %.4f%% against the %u us asked for.\n", *t.periodErrorPercent, t.value);
            else
                out += "; a period of 0 us has no error to give.\n";
            if (t.postscale > 1)
                explainPostscale(out, t);
        }
        if (t.mode != 2 && t.counter) {
            out += format("  The interrupt routine reloads TH%d and TL%d itself; pulses that come between the overflow"
                          " and that reload are lost.\n",
                index, index);
        } else if (t.mode != 2) {
            out += format("  The interrupt routine reloads TH%d and TL%d itself, so every period also holds the few"
                          " machine cycles from the overflow to that reload.\n",
                index, index);
        }
    }

    void explainBaud(std::string& out, const BaudDerivation& b, std::uint32_t crystalHz)
    {
        out += format("\nSerial port: %u bit/s in mode 1 (SCON = 0x50), clocked by timer 1; doubling %s.\n", b.rate,
            b.k == 2 ? "on (PCON |= 0x80 sets SMOD, k = 2)" : "off (SMOD = 0, k = 1)");
        if (b.exact) {
            out += format("  x = k * f / (384 * rate) = %d * %u / (384 * %u) = %.4f timer 1 steps per bit clock, from"
                          " the exact crystal.\n",
                b.k, crystalHz, b.rate, b.x);
        } else {
            out += format("  q = floor(%u / %u) = %u; the remainder is dropped.\n", crystalHz, b.rate, b.q);
            out += format("  x = k * q / 32 / 12 = %d * %u / 384 = %.4f timer 1 steps per bit clock.\n", b.k, b.q, b.x);
        }
        out += format("  n = x rounded half up = %d.\n", b.n);
        out += format("  r = 256 - n = %d = 0x%02x: TH1 = TL1 = 0x%02x.\n", 256 - b.n, unsigned { b.reload },
            unsigned { b.reload });
        out += format("  Real rate: k * %u / (384 * %d) = %.2f bit/s, %.4f%% against %u; a bit lasts"
                      " 384 * %d / %d = %u oscillator periods, %.4f us.\n",
            crystalHz, b.n, b.actualBaud, b.rateDeviationPercent, b.rate, b.n, b.k, b.bitClocks,
            b.bitClocks * 1e6 / crystalHz);
        out += format("  Error shown: 1 - n / x = %s (positive when n was rounded down and the bits come early).\n",
            b.errorText.c_str());
    }

} // namespace

Derivation DeriveConfiguration(const Configuration& config, const ResolvedConfiguration& resolved)
{
    const GeneratorSettings& s = resolved.settings;
    Derivation d;
    d.crystalHz = config.crystalHz;
    d.tmod = s.tmod;
    for (std::size_t t = 0; t < 2; ++t) {
        if (resolved.timers[t]) {
            d.timers[t] = deriveTimer(
                config.crystalHz, t == 0 ? config.timer0 : config.timer1, config.precision, *resolved.timers[t]);
        }
    }
    if (resolved.baud)
        d.baud = deriveBaud(config.crystalHz, config.uartDoubleBaud, config.precision, *resolved.baud);
    return d;
}

std::string FormatDerivation(const Derivation& d)
{
    std::string out = format("Crystal: %u Hz (%s MHz); a machine cycle is 12 oscillator periods, %.6f us.\n",
        d.crystalHz, megahertz(d.crystalHz).c_str(), 12e6 / d.crystalHz);
    const bool anyTimer = d.timers[0] || d.timers[1];
    explainTmod(out, d);
    for (int t = 0; t < 2; ++t) {
        if (d.timers[static_cast<std::size_t>(t)])
            explainTimer(out, t, *d.timers[static_cast<std::size_t>(t)], d.crystalHz);
    }
    if (d.baud)
        explainBaud(out, *d.baud, d.crystalHz);
    if (!anyTimer && !d.baud)
        out += "No timer and no serial port in use: nothing to compute.\n";
    return out;
}

} // namespace orlet
