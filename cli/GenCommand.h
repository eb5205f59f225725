#pragma once

#include "Configuration.h"
#include "SourceGenerator.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace orlet {

enum class TextEncoding { Gbk, Utf8 };

// Everything one run of orlet-gen was asked for.
struct GenRequest {
    Configuration config;
    Dialect dialect = Dialect::Keil;
    TextEncoding encoding = TextEncoding::Gbk;
    bool json = false;
    bool explain = false;
    // The options given for the software counters: only these put postscale
    // members into the JSON, which otherwise stays as it always was.
    std::array<bool, 2> postscaleGiven {};
    QString outputPath; // empty: standard output
};

struct GenParseResult {
    std::optional<GenRequest> request;
    QString error; // one line, when the arguments are refused
    QString earlyExit; // --help or --version text: print it and stop
};

// Reads orlet-gen's arguments (args[0] is the program name).
GenParseResult ParseGenArguments(const QStringList& args);

struct GenOutput {
    QByteArray bytes; // what goes to the output, empty on error
    QString error; // one line, when the configuration is refused
};

// Resolves the configuration and renders source, JSON or the derivation.
GenOutput RenderGenOutput(const GenRequest& request);

// Runs orlet-gen: the exit status is 0, or 2 after one line on stderr.
int RunGenCommand(const QStringList& args);

} // namespace orlet
