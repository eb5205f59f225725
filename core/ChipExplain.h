#pragma once

#include "ChipTiming.h"
#include "Configuration.h"
#include "RoutineTiming.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orlet {

// How one timer's reload came about on a chip other than the 8051.
struct ChipTimerDerivation {
    int timer = 0;
    bool counter = false;
    int mode = 0;
    const char* meaning = ""; // what the mode does on this chip
    std::uint32_t value = 0; // microseconds, or pulses when counting
    std::uint32_t clocksPerCount = 12;
    std::uint32_t limit = 0; // counts the counter holds
    std::uint64_t count = 0; // timer counts, or pulses
    std::uint32_t start = 0; // limit - count
    std::uint8_t high = 0;
    std::uint8_t low = 0;
    const char* highName = ""; // TH0, RCAP2H, T2H
    const char* lowName = "";
    bool hardwareReload = false;
    // Timer kinds: what `count` lasts, its error against the period asked
    // for (none for 0 us), and per run of the user's code.
    double actualPeriodUs = 0;
    std::optional<double> periodErrorPercent;
    std::uint32_t postscale = 1;
    double wholePeriodUs = 0;
    // Timer counts from one interrupt to the next as the firmware runs, and
    // its long-run error; none where the routine reloads on a 1T core, whose
    // instruction timing no figure here describes.
    std::optional<std::uint64_t> interruptCycles;
    std::optional<Drift> drift;
    std::optional<RunningCountAdd> runningAdd; // drift-free modes 0 and 1 on a classic core
    // On a classic core, the CPU the routine takes where that is a large
    // share of the period (a 1T core's instruction timing is not counted).
    std::optional<CpuShare> cpuShare;
};

struct ChipBaudDerivation {
    const BaudSourceRow* source = nullptr;
    std::uint32_t rate = 0;
    bool doubled = false;
    ChipBaud baud;
};

struct ChipDerivation {
    Chip chip;
    std::uint32_t crystalHz = 0;
    bool sixT = false;
    Dialect dialect = Dialect::Keil;
    std::uint8_t tmod = 0;
    std::array<std::optional<ChipTimerDerivation>, 3> timers;
    std::optional<ChipBaudDerivation> baud;
    std::uint8_t auxr = 0; // STC15/STC8: what the init code leaves in AUXR
    std::uint8_t t2con = 0; // 8052/STC89: what it leaves in T2CON
    std::string vendorHeader; // the vendor's header the text includes; empty: none
};

// The working behind `resolved` (from ResolveConfiguration(config)) when
// config.chip is not the 8051.
ChipDerivation DeriveChipConfiguration(
    const Configuration& config, const ResolvedConfiguration& resolved, Dialect dialect = Dialect::Keil);

// The derivation in plain words and numbers: LF line ends, ASCII apart
// from a vendor header's name.
std::string FormatChipDerivation(const ChipDerivation& derivation);

} // namespace orlet
