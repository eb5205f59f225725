// The resolver with the generator and the derivation on any configuration
// the window or orlet-gen could be asked for, and on some they refuse.
#include "Configuration.h"
#include "Crystal.h"
#include "Derivation.h"
#include "Explain.h"
#include "FuzzCheck.h"
#include "SourceGenerator.h"
#include "TextFormat.h"
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

void checkDerivation(const Configuration& config, const ResolvedConfiguration& resolved);

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

    checkDerivation(config, resolved);
}

// The derivation agrees with the record on every chip: the bytes it
// explains are the generator's, the counts fit their counters, and it reads
// in ASCII.
void checkDerivation(const Configuration& config, const ResolvedConfiguration& resolved)
{
    const GeneratorSettings& s = resolved.settings;
    const Derivation d = DeriveConfiguration(config, resolved);
    FUZZ_CHECK(d.tmod == s.tmod && d.crystalHz == config.crystalHz && d.baud.has_value() == s.uartEnabled);
    for (int timer = 0; timer < kMaxTimers; ++timer) {
        const auto& t = d.timers.at(std::size_t(timer));
        FUZZ_CHECK(t.has_value() == s.timer(timer).enabled);
        if (!t)
            continue;
        const step::Start& start = *t->find<step::Start>();
        FUZZ_CHECK(start.high == s.timer(timer).th && start.low == s.timer(timer).tl);
        // A counter of 0 pulses runs its full limit.
        FUZZ_CHECK(
            start.count <= start.limit && start.start == start.limit - start.count && (start.count >= 1 || t->counter));
        if (t->counter)
            continue;
        const step::Interrupt& interrupt = *t->find<step::Interrupt>();
        if (interrupt.interruptCycles)
            FUZZ_CHECK(*interrupt.interruptCycles >= interrupt.count);
        if (interrupt.kind == ReloadKind::RunningAdd)
            FUZZ_CHECK(interrupt.runningAdd.low >= 2
                && (!interrupt.interruptCycles || *interrupt.interruptCycles == interrupt.count));
        FUZZ_CHECK(!TimerTip(*t).empty());
    }
    if (d.baud)
        FUZZ_CHECK(TextFormat("%.4f%%", d.baud->find<step::BaudError>()->errorPercent) == resolved.baudErrorText
            && resolved.baud->count >= 1);
    const std::string explanation = FormatDerivation(d);
    FUZZ_CHECK(std::all_of(
        explanation.begin(), explanation.end(), [](char c) { return c == '\n' || (c >= 0x20 && c < 0x7F); }));
}

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
    checkDerivation(config, resolved);
}

// A period refused as too long: the most the refusal states is accepted
// and, off the 8051, one more is not.
void checkStatedLimit(Configuration config, const ConfigError& e)
{
    if (e.code != ConfigErrorCode::TimerOutOfRange)
        return;
    TimerConfig& t = config.timer(e.timer);
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
