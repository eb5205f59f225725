#pragma once

#include "Derivation.h"
#include "RoutineTiming.h"

#include <string>

namespace orlet {

// The derivation in plain English words and numbers, as --explain prints
// it: LF line ends, ASCII apart from a vendor header's name.
std::string FormatDerivation(const Derivation& derivation);

// "the routine takes 10 of the 22 machine cycles from one interrupt to the
// next (...): about 45% of the CPU", or that the period cannot be kept.
std::string CpuShareText(const CpuShare& share);

} // namespace orlet
