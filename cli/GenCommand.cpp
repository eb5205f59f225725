#include "GenCommand.h"

#include "Arguments.h"
#include "OutputFile.h"
#include "Rendering.h"
#include "Wording.h"
#include "Writing.h"

namespace orlet {

int FailGenCommand(const QString& message, int status)
{
    // With standard error closed too, the status alone tells.
    (void)WriteText(StandardStream::Error, "orlet-gen: " + EscapeControls(message).toUtf8() + '\n');
    return status;
}

int RunGenCommand(const QStringList& args)
{
    const GenParseResult parsed = ParseGenArguments(args);
    if (!parsed.earlyExit.isEmpty()) {
        if (const WriteFailure failure = WriteText(StandardStream::Output, parsed.earlyExit.toUtf8()))
            return FailGenCommand(*failure, kExitFailure);
        return kExitSuccess;
    }
    if (!parsed.request)
        return FailGenCommand(parsed.error, kExitRefused);
    const GenOutput output = RenderGenOutput(*parsed.request);
    if (!output.error.isEmpty())
        return FailGenCommand(output.error, output.exitStatus);
    // The settings first: a full disk stops the run before the source is
    // written, and neither file is left half written.
    if (!parsed.request->saveConfigPath.isEmpty()) {
        if (const WriteFailure failure = WriteOutputFile(parsed.request->saveConfigPath, output.settingsFile))
            return FailGenCommand(*failure, kExitFailure);
    }
    if (const WriteFailure failure = WriteGenOutput(*parsed.request, output.bytes))
        return FailGenCommand(*failure, kExitFailure);
    for (const QString& warning : output.warnings)
        (void)WriteText(StandardStream::Error, "orlet-gen: " + warning.toUtf8() + '\n');
    return kExitSuccess;
}

} // namespace orlet
