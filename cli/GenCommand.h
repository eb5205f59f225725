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
    // The options given for the software counters: only these put postscale
    // members into the JSON, which otherwise stays as it always was.
    std::array<bool, 3> postscaleGiven {};
    QString outputPath; // empty: standard output ("-o -")
};

struct GenParseResult {
    std::optional<GenRequest> request;
    QString error; // one line, when the arguments are refused; control characters escaped
    QString earlyExit; // --help or --version text: print it and stop
};

// Reads orlet-gen's arguments (args[0] is the program name).
GenParseResult ParseGenArguments(const QStringList& args);

struct GenOutput {
    QByteArray bytes; // what goes to the output, empty on error
    QString error; // one line, when the configuration is refused or cannot be encoded
    int exitStatus = kExitSuccess; // kExitRefused or kExitFailure along with `error`
};

// Resolves the configuration and renders source, JSON or the derivation.
GenOutput RenderGenOutput(const GenRequest& request);

// The lines for stderr once the output is written: each timer whose routine
// takes a large share of the CPU, or more than its period. The text is
// written all the same.
QStringList GenWarnings(const GenRequest& request);

// Runs orlet-gen and returns its exit status; any status but 0 comes after
// one line on stderr. Status 0 may come after warnings there.
int RunGenCommand(const QStringList& args);

// The arguments of main() as orlet-gen reads them (args[0] the program's
// name), or the refusal of one that cannot be read.
struct GenArguments {
    QStringList args;
    QString error;
};

// Where arguments are bytes (everywhere but Windows) they are read as UTF-8
// here, keeping every character: Qt's own reading turns bytes that are no
// UTF-8 into U+FFFD and drops a leading U+FEFF, so that a header's or a
// file's name would become another one. An argument that is not UTF-8 is
// refused. On Windows they are Qt's, read from the UTF-16 command line.
GenArguments ReadGenArguments(int argc, const char* const* argv);

// Prints "orlet-gen: MESSAGE" as one line on stderr and returns `status`.
int FailGenCommand(const QString& message, int status);

} // namespace orlet
