#include "Wording.h"
#include "Arguments.h"
#include "Rendering.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>

namespace {

using orlet::ChipRow;

// The refusal orlet-gen gives for `line`, from the parse or the rendering.
QString refusal(const char* line)
{
    const orlet::GenParseResult parsed = orlet::ParseGenArguments(
        QStringList { QStringLiteral("orlet-gen") } + QString::fromLatin1(line).split(' ', Qt::SkipEmptyParts));
    return parsed.request ? orlet::RenderGenOutput(*parsed.request).error : parsed.error;
}

// The names listed in `text` between `before` and `after` (or the end).
QStringList listedIn(const QString& text, const char* before, const char* after)
{
    QString list = text.section(QLatin1String(before), 1);
    if (const qsizetype end = list.indexOf(QLatin1String(after)); end >= 0)
        list.truncate(end);
    list.remove(QStringLiteral(" (default)"));
    static const QRegularExpression separator(QStringLiteral(", | or | and "));
    return list.split(separator);
}

QStringList keysWhere(const std::function<bool(const ChipRow&)>& has)
{
    return orlet::ChipKeyList(has);
}

} // namespace

// The chips each help text and refusal names are the table's rows, in its
// order: a row added to the table is named wherever it belongs.
TEST(Wording, ChipListsAreTheTables)
{
    const auto all = [](const ChipRow&) { return true; };
    const auto timer2 = [](const ChipRow& row) { return orlet::TimerOf(row, 2) != nullptr; };
    const auto noTimer2 = [&](const ChipRow& row) { return !timer2(row); };
    const auto header = [](const ChipRow& row) { return row.acceptsVendorHeader; };
    const auto oneT = [](const ChipRow& row) { return orlet::FindClock(row, 0, 1) != nullptr; };
    const struct {
        QString text;
        const char* before;
        const char* after;
        std::function<bool(const ChipRow&)> has;
    } cases[] = {
        { refusal("--chip 8053"), "--chip takes ", ", got", all },
        { orlet::ChipHelp(), "The chip: ", ".", all },
        { refusal("--timer2 100"), "choose --chip ", "\n", timer2 },
        { refusal("--uart 9600 --uart-timer 2"), "choose --chip ", "\n", timer2 },
        { refusal("--header a.h"), "choose --chip ", "\n", header },
        { orlet::HeaderHelp(), "(", ")", header },
        { orlet::Timer2Help(), "not on the ", ")", noTimer2 },
        { refusal("--chip 8052 --clock0 1t"), "1T timers are on ", "\n", oneT },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(listedIn(c.text, c.before, c.after), keysWhere(c.has));
    }
}
