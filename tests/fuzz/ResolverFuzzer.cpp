// The resolver with the generator and the derivation on any configuration
// the window or orlet-gen could be asked for, and on some they refuse.
#include "ChipExplain.h"
#include "Configuration.h"
#include "Crystal.h"
#include "Explain.h"
#include "FuzzCheck.h"
#include "SourceGenerator.h"
#include "TimerReload.h"
#include "WindowTexts.h"

#include <array>
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

using namespace orlet;

std::uint32_t crystalFrom(FuzzedDataProvider& in)
{
    if (in.ConsumeBool())
        return kCrystals[in.ConsumeIntegralInRange<std::size_t>(0, kCrystals.size() - 1)].hz;
    // A custom frequency as the window's dialog hands it over, a little
    // beyond the range it accepts.
    return CustomMhzToHz(in.ConsumeFloatingPointInRange<float>(0.5f, 101.0f));
}

TimerConfig timerFrom(FuzzedDataProvider& in)
{
    TimerConfig timer;
    timer.enabled = in.ConsumeBool();
    timer.counter = in.ConsumeBool();
    timer.gate = in.ConsumeBool();
    timer.mode = in.ConsumeIntegralInRange(-1, 3);
    // Small values reach every mode's range; any value tests the limits.
    timer.value
        = in.ConsumeBool() ? in.ConsumeIntegralInRange<std::uint32_t>(0, 70000) : in.ConsumeIntegral<std::uint32_t>();
    return timer;
}

std::optional<TriggerMode> triggerFrom(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0:
        return std::nullopt;
    case 1:
        return TriggerMode::Level;
    default:
        return TriggerMode::FallingEdge;
    }
}

Configuration configurationFrom(FuzzedDataProvider& in)
{
    Configuration config;
    config.crystalHz = crystalFrom(in);
    config.comments = in.ConsumeBool();
    config.int0 = triggerFrom(in);
    config.int1 = triggerFrom(in);
    config.timer(0) = timerFrom(in);
    config.timer(1) = timerFrom(in);
    if (in.ConsumeBool())
        config.uartBaudIndex = in.ConsumeIntegralInRange(-1, int(kBaudRates.size()));
    config.uartDoubleBaud = in.ConsumeBool();
    config.uartInterrupt = in.ConsumeBool();
    config.driftFree = in.ConsumeBool();
    // Last, so that an input without them is the 8051's as before.
    config.chip = Chip(ChipRows()[in.ConsumeIntegralInRange<std::size_t>(0, ChipRows().size() - 1)]);
    config.sixT = in.ConsumeBool();
    std::array<std::optional<std::uint32_t>, 3> clocks;
    for (auto& clock : clocks) {
        const int choice = in.ConsumeIntegralInRange(0, 2);
        if (choice > 0)
            clock = choice == 1 ? 12 : 1;
    }
    config.timer(2) = timerFrom(in);
    for (int timer = 0; timer < 3; ++timer)
        config.timer(timer).clock = clocks.at(std::size_t(timer));
    config.timer(2).postscale = in.ConsumeIntegralInRange<std::uint32_t>(0, 70000);
    config.uartTimer = in.ConsumeIntegralInRange(0, 3);
    if (config.uartTimer == 0)
        config.uartTimer = 1;
    return config;
}

void checkSource(const GeneratorSettings& s, Dialect dialect)
{
    const std::string text = BuildSourceText(s, dialect);
    FUZZ_CHECK(text == BuildSourceText(s, dialect));
    FUZZ_CHECK(text.rfind(dialect == Dialect::Keil ? "#include \"reg51.h\"\r\n" : "#include <8051.h>\r\n", 0) == 0);
    FUZZ_CHECK(!text.empty() && text.back() == '}');
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n')
            FUZZ_CHECK(i > 0 && text[i - 1] == '\r');
        if (text[i] == '\r')
            FUZZ_CHECK(i + 1 < text.size() && text[i + 1] == '\n');
    }
    const bool anyInUse = s.int0Enabled || s.int1Enabled || s.timer(0).enabled || s.timer(1).enabled || s.uartEnabled;
    FUZZ_CHECK((text.find("//EA=1;") != std::string::npos) == anyInUse);
    FUZZ_CHECK((text.find("initUart();") != std::string::npos) == s.uartEnabled);
}

void checkResolved(const Configuration& config, const ResolvedConfiguration& resolved)
{
    const GeneratorSettings& s = resolved.settings;
    FUZZ_CHECK((s.tmod & 0x03) != 0x03 && (s.tmod & 0x30) != 0x30);
    FUZZ_CHECK(!(s.uartEnabled && s.timer(1).enabled));
    if (s.uartEnabled) {
        FUZZ_CHECK((s.tmod & 0xF0) == 0);
        FUZZ_CHECK(s.timer(1).th == s.timer(1).tl && resolved.baud && resolved.baud->reload == s.timer(1).th);
    }
    if (s.timer(0).enabled)
        FUZZ_CHECK(resolved.reloadTexts[0] == FormatReloadText(s.timer(0).th, s.timer(0).tl));
    if (s.timer(1).enabled)
        FUZZ_CHECK(resolved.reloadTexts[1] == FormatReloadText(s.timer(1).th, s.timer(1).tl));
    checkSource(s, Dialect::Keil);
    checkSource(s, Dialect::Sdcc);

    const Derivation derivation = DeriveConfiguration(config, resolved);
    FUZZ_CHECK(derivation.tmod == s.tmod && derivation.crystalHz == config.crystalHz);
    FUZZ_CHECK(derivation.timers[0].has_value() == s.timer(0).enabled);
    FUZZ_CHECK(derivation.timers[1].has_value() == s.timer(1).enabled);
    if (derivation.timers[0])
        FUZZ_CHECK(derivation.timers[0]->th == s.timer(0).th && derivation.timers[0]->tl == s.timer(0).tl);
    if (derivation.timers[1])
        FUZZ_CHECK(derivation.timers[1]->th == s.timer(1).th && derivation.timers[1]->tl == s.timer(1).tl);
    FUZZ_CHECK(derivation.baud.has_value() == s.uartEnabled);
    if (derivation.baud)
        FUZZ_CHECK(derivation.baud->reload == s.timer(1).th && derivation.baud->errorText == resolved.baudErrorText);
    for (const auto& timer : derivation.timers) {
        if (!timer || timer->counter)
            continue;
        FUZZ_CHECK(timer->interruptCycles >= timer->count);
        FUZZ_CHECK(timer->runningAdd.has_value() == (config.driftFree && timer->mode != 2));
        if (timer->runningAdd)
            FUZZ_CHECK(timer->interruptCycles == timer->count && timer->runningAdd->low >= 2);
        FUZZ_CHECK(!TimerDerivationTip(0, config.crystalHz, *timer).empty());
    }
    const std::string explanation = FormatDerivation(derivation);
    FUZZ_CHECK(std::all_of(
        explanation.begin(), explanation.end(), [](char c) { return c == '\n' || (c >= 0x20 && c < 0x7F); }));
}

// Off the 8051: the chip's text and derivation agree with the record.
void checkChipResolved(const Configuration& config, const ResolvedConfiguration& resolved)
{
    const GeneratorSettings& s = resolved.settings;
    const ChipRow& profile = config.chip.row();
    for (const Dialect dialect : { Dialect::Keil, Dialect::Sdcc }) {
        const std::string text = BuildSourceText(s, dialect);
        FUZZ_CHECK(text.rfind(HeaderFor(profile, dialect).includeLine, 0) == 0 && text.back() == '}');
        FUZZ_CHECK((text.find("AUXR") != std::string::npos)
            == (TimersUseRegister(profile, "AUXR") && text.find("init") != std::string::npos));
    }
    const ChipDerivation d = DeriveChipConfiguration(config, resolved);
    FUZZ_CHECK(d.timers[0].has_value() == s.timer(0).enabled && d.timers[1].has_value() == s.timer(1).enabled);
    FUZZ_CHECK(d.timers[2].has_value() == s.timer(2).enabled && d.baud.has_value() == s.uartEnabled);
    for (const auto& t : d.timers) {
        if (!t)
            continue;
        // A counter of 0 pulses runs its full limit, as on the 8051.
        FUZZ_CHECK(t->count <= t->limit && t->start == t->limit - t->count && (t->count >= 1 || t->counter));
        if (t->interruptCycles)
            FUZZ_CHECK(*t->interruptCycles >= t->count);
    }
    if (d.baud)
        FUZZ_CHECK(d.baud->baud.fits && d.baud->baud.count >= 1);
    const std::string explanation = FormatChipDerivation(d);
    FUZZ_CHECK(std::all_of(
        explanation.begin(), explanation.end(), [](char c) { return c == '\n' || (c >= 0x20 && c < 0x7F); }));
}

// A period refused as too long: the most the refusal states is accepted
// and, off the 8051, one more is not.
void checkStatedLimit(Configuration config, const ConfigError& e)
{
    if (e.code != ConfigErrorCode::TimerOutOfRange)
        return;
    TimerConfig& t = e.timer == 0 ? config.timer(0) : e.timer == 1 ? config.timer(1) : config.timer(2);
    const auto refusedAgain = [&](std::uint32_t value) {
        t.value = value;
        const ResolveResult again = ResolveConfiguration(config);
        return again.error && again.error->code == ConfigErrorCode::TimerOutOfRange && again.error->timer == e.timer;
    };
    FUZZ_CHECK(!refusedAgain(e.limit));
    if (config.chip != Chip())
        FUZZ_CHECK(refusedAgain(e.limit + 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const Configuration config = configurationFrom(in);
    const ResolveResult result = ResolveConfiguration(config);
    FUZZ_CHECK(result.resolved.has_value() != result.error.has_value());
    if (result.resolved && config.chip == Chip())
        checkResolved(config, *result.resolved);
    else if (result.resolved)
        checkChipResolved(config, *result.resolved);
    else
        checkStatedLimit(config, *result.error);
    return 0;
}
