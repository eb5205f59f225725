#pragma once

#include "Calculation.h"
#include "ChipTable.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orlet {

// A receiver samples each bit in its middle: both ends together tolerate a
// few per cent, so a rate further off than this is flagged.
inline constexpr double kBaudTolerancePercent = 2.0;
// A crystal offered instead makes the rate at least this close.
inline constexpr double kCrystalFixPercent = 0.5;

// The real rate's deviation from the rate asked for, signed:
// (real / asked - 1) * 100. Not the error the window has always shown
// (1 - n / x), which measures the count.
double BaudDeviationPercent(const BaudCalculation& baud);
bool BeyondTolerance(double deviationPercent, double tolerancePercent = kBaudTolerancePercent);
bool BeyondTolerance(const BaudCalculation& baud, double tolerancePercent = kBaudTolerancePercent);

// A deviation as the window and orlet-gen show it: "+8.51%", "-6.99%", and
// "0.00%" where it rounds to nothing.
std::string DeviationText(double deviationPercent);

// Every listed rate on one source: what the window and orlet-gen would
// compute for it (`baud.fits` false where the count is out of range).
struct BaudTableRow {
    BaudCalculation baud;
    double deviationPercent = 0;
    bool beyondTolerance = false;
};
std::vector<BaudTableRow> BaudTable(Chip chip, std::uint32_t crystalHz, const BaudRequest& request);

// One change that brings the real rate within the tolerance, and what the
// serial port computes after it.
enum class BaudFixKind {
    Doubling, // PCON.SMOD
    Source, // the serial port's timer
    Clock, // the clock choice of the source's timer
    Crystal,
    Rate, // the nearest listed rate that works
};

struct BaudFix {
    BaudFixKind kind = BaudFixKind::Doubling;
    bool doubled = false; // the doubling after the change: a source SMOD does not reach drops it
    int uartTimer = 1; // Source
    int timer = 1; // Clock: the source's timer
    std::uint32_t clock = 12; // Clock: clocks per count
    std::uint32_t crystalHz = 0; // Crystal: the frequency it gives
    std::string crystalMhz; // Crystal: as the user would type it, "11.0592"
    int rateIndex = 0; // Rate
    BaudCalculation result; // the serial port with the change made
    double deviationPercent = 0; // of result

    bool operator==(const BaudFix&) const = default;
};

} // namespace orlet
