#include "Arguments.h"
#include "Crystal.h"
#include "DecimalText.h"
#include "TimerTiming.h"

#include <gtest/gtest.h>

namespace {

orlet::GenParseResult parse(const QString& line)
{
    return orlet::ParseGenArguments(QStringList { QStringLiteral("orlet-gen") } + line.split(' ', Qt::SkipEmptyParts));
}

QString number(std::uint64_t n)
{
    return QString::number(n);
}

} // namespace

// Every number is read up to the constant that holds its limit, and the
// refusal of the next one names that constant's value.
TEST(Arguments, LimitsAreTheirConstants)
{
    using namespace orlet;
    const QString whole = QStringLiteral("from 0 to %1").arg(kMaxUnsignedDecimal);
    const QString crystal = QStringLiteral("from %1 to %2").arg(kMinCustomMhz).arg(kMaxCustomMhz);
    const struct {
        QString last; // the largest (or smallest) value taken
        QString next; // one step beyond it
        QString said;
    } cases[] = {
        { "--timer0 1:10 --postscale0 " + number(kMaxPostscale),
            "--timer0 1:10 --postscale0 " + number(kMaxPostscale + 1),
            QStringLiteral("from 1 to %1").arg(kMaxPostscale) },
        { "--timer0 1:10 --postscale0 1", "--timer0 1:10 --postscale0 0",
            QStringLiteral("from 1 to %1").arg(kMaxPostscale) },
        { "--counter1 1:" + number(kMaxUnsignedDecimal), "--counter1 1:" + number(kMaxUnsignedDecimal + 1ull), whole },
        { "--chip 8052 --timer2 " + number(kMaxUnsignedDecimal),
            "--chip 8052 --timer2 " + number(kMaxUnsignedDecimal + 1ull), whole },
        { "--crystal " + number(kMaxCustomMhz), "--crystal " + number(kMaxCustomMhz) + ".001", crystal },
        { "--crystal " + number(kMinCustomMhz), "--crystal " + number(kMinCustomMhz - 1) + ".999", crystal },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.next.toStdString());
        EXPECT_TRUE(parse(c.last).request.has_value()) << parse(c.last).error.toStdString();
        const orlet::GenParseResult refused = parse(c.next);
        EXPECT_FALSE(refused.request.has_value());
        EXPECT_TRUE(refused.error.contains(c.said)) << refused.error.toStdString();
    }
}
