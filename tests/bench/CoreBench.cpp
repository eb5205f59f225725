#include "BaudReload.h"
#include "Calculation.h"
#include "Configuration.h"
#include "SourceGenerator.h"
#include "TimerReload.h"
#include "TimerTiming.h"
#include "WindowModel.h"

#include <benchmark/benchmark.h>

using namespace orlet;

namespace {

Configuration everythingInUse()
{
    Configuration config;
    config.crystalHz = 11059200;
    config.comments = true;
    config.int0 = TriggerMode::Level;
    config.int1 = TriggerMode::FallingEdge;
    config.timer(0) = { true, false, 1, 1000, true };
    config.uartBaudIndex = 5;
    config.uartDoubleBaud = true;
    config.uartInterrupt = true;
    return config;
}

// Generating is what every press of the button does: it must stay far below
// anything a user could notice (goal: under 20 us for the largest text).
void BM_BuildSourceTextLargest(benchmark::State& state)
{
    const GeneratorSettings settings = ResolveConfiguration(everythingInUse()).resolved->settings;
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildSourceText(settings));
}
BENCHMARK(BM_BuildSourceTextLargest);

// Every keystroke in a period box runs this.
void BM_ComputeTimerReload(benchmark::State& state)
{
    std::uint32_t value = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeTimerReload(11059200, 1, false, ++value % 80000));
}
BENCHMARK(BM_ComputeTimerReload);

// The window's real-period line runs this on every keystroke too; out of
// range it searches for a split. The worst case is a prime period, which has
// none, so every postscale up to 65535 is tried (goal: under 1 ms).
void BM_DescribeRangeErrorPrimePeriod(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(
            DescribeRangeError(Chip(), 12000000, { 0, 1, false, 1000003, 12, false, Precision::Exact }, 1));
}
BENCHMARK(BM_DescribeRangeErrorPrimePeriod);

void BM_ComputeBaudReloadAllRates(benchmark::State& state)
{
    for (auto _ : state) {
        for (int index = 0; index < int(kBaudRates.size()); ++index)
            benchmark::DoNotOptimize(ComputeBaudReload(22118400, index, true));
    }
}
BENCHMARK(BM_ComputeBaudReloadAllRates);

void BM_ResolveAndGenerate(benchmark::State& state)
{
    const Configuration config = everythingInUse();
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildSourceText(ResolveConfiguration(config).resolved->settings));
}
BENCHMARK(BM_ResolveAndGenerate);

} // namespace

BENCHMARK_MAIN();

// A crystal change recalculates every block in use on the window's model,
// messages and all (goal: under 20 us).
void BM_WindowModelCrystalChange(benchmark::State& state)
{
    WindowModel model;
    model.timer(0).use = true;
    model.timer(0).modeIndex = 1;
    model = OnModeChange(model, 0).model;
    model.timer(0).time = 1000;
    model.useUart = true;
    model = OnUseUart(model).model;
    int index = 0;
    for (auto _ : state) {
        model.crystalIndex = index++ % kCustomCrystalIndex;
        model = OnCrystalChange(model).model;
        benchmark::DoNotOptimize(model.timer(0).th);
    }
}
BENCHMARK(BM_WindowModelCrystalChange);
