#pragma once

#include "Configuration.h"
#include "SourceGenerator.h"

#include <QString>

#include <array>

namespace orlet {

enum class TextEncoding { Gbk, Utf8 };

// orlet-gen's exit statuses.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1; // a write failed
inline constexpr int kExitRefused = 2; // the arguments or the configuration were refused

// Everything one run of orlet-gen was asked for.
struct GenRequest {
    Configuration config;
    Dialect dialect = Dialect::Keil;
    TextEncoding encoding = TextEncoding::Gbk;
    bool json = false;
    bool explain = false;
    // The listed rates the serial port's timer makes, instead of the source.
    bool baudTable = false;
    // The options given for the software counters: only these put postscale
    // members into the JSON, which otherwise stays as it always was.
    std::array<bool, kMaxTimers> postscaleGiven {};
    QString outputPath; // empty: standard output ("-o -")
    QString saveConfigPath; // --save-config: where the settings go too; empty, nowhere
};

} // namespace orlet
