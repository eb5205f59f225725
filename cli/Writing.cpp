#include "Writing.h"

#include "ConsoleWriter.h"
#include "OutputFile.h"

namespace orlet {

namespace {

    // Source, JSON and the derivation in UTF-8 are text a console can show
    // as such; GBK goes out as bytes.
    bool isUtf8Text(const GenRequest& request)
    {
        return request.json || request.explain || request.encoding == TextEncoding::Utf8;
    }

} // namespace

WriteFailure WriteText(StandardStream stream, const QByteArray& utf8)
{
    const ConsoleWriter console(
        stream == StandardStream::Error ? ConsoleWriter::Stream::Error : ConsoleWriter::Stream::Output);
    if (!console.isConsole())
        return WriteStandardStream(stream, utf8);
    if (console.write(utf8))
        return std::nullopt;
    return QStringLiteral("cannot write to the console");
}

WriteFailure WriteGenOutput(const GenRequest& request, const QByteArray& bytes)
{
    if (!request.outputPath.isEmpty())
        return WriteOutputFile(request.outputPath, bytes);
    if (isUtf8Text(request))
        return WriteText(StandardStream::Output, bytes);
    return WriteStandardStream(StandardStream::Output, bytes);
}

} // namespace orlet
