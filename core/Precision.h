#pragma once

namespace orlet {

// How the counts take the crystal frequency.
enum class Precision {
    // As the window has always counted: a timer's machine cycles from the
    // crystal in whole megahertz, truncated; the serial count from
    // crystal / rate with the remainder dropped.
    Classic,
    // From the exact frequency, rounded half up: at most half a step off.
    Exact,
};

} // namespace orlet
