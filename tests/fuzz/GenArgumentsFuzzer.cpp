// orlet-gen's argument parsing and rendering: the input is its argument
// list, the arguments separated by NUL bytes.
#include "Arguments.h"
#include "FuzzCheck.h"
#include "Rendering.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace {

bool isOneLine(const QString& text)
{
    return !text.isEmpty() && std::none_of(text.begin(), text.end(), [](QChar c) {
        return c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line
            || c.category() == QChar::Separator_Paragraph;
    });
}

QStringList argumentsFrom(const std::uint8_t* data, std::size_t size)
{
    QStringList args { QStringLiteral("orlet-gen") };
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QByteArray& arg : bytes.split('\0'))
        args << QString::fromUtf8(arg);
    if (size == 0)
        args.removeLast();
    return args;
}

void checkRendering(const orlet::GenRequest& request)
{
    const orlet::GenOutput output = orlet::RenderGenOutput(request);
    if (!output.error.isEmpty()) {
        FUZZ_CHECK(isOneLine(output.error));
        FUZZ_CHECK(output.bytes.isEmpty());
        FUZZ_CHECK(output.exitStatus == orlet::kExitRefused || output.exitStatus == orlet::kExitFailure);
        return;
    }
    FUZZ_CHECK(output.exitStatus == orlet::kExitSuccess && !output.bytes.isEmpty());
    if (request.json)
        FUZZ_CHECK(QJsonDocument::fromJson(output.bytes).isObject());
    else if (!request.explain)
        FUZZ_CHECK(output.bytes.endsWith('}'));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The help text asks the application for its name.
    static int argc = 1;
    static char name[] = "orlet-gen";
    static char* argv[] = { name, nullptr };
    static QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orlet-gen"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const orlet::GenParseResult parsed = orlet::ParseGenArguments(argumentsFrom(data, size));
    const int outcomes
        = int(parsed.request.has_value()) + int(!parsed.error.isEmpty()) + int(!parsed.earlyExit.isEmpty());
    FUZZ_CHECK(outcomes == 1);
    if (!parsed.error.isEmpty())
        FUZZ_CHECK(isOneLine(parsed.error));
    if (parsed.request)
        checkRendering(*parsed.request);
    return 0;
}
