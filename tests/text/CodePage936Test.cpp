#include "CodePage936.h"

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct Case {
    const char* text; // UTF-8
    const char* gbk; // expected bytes, in hex
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << (*c.gbk ? c.gbk : "empty");
}

} // namespace

// The Windows build's GBK: its Qt has no GBK encoder.
TEST(CodePage936, GivesTheGbkBytes)
{
#ifndef Q_OS_WIN
    GTEST_SKIP() << "code page 936 is the Windows build's GBK";
#endif
    const Case cases[] = { { "低电平", "b5cdb5e7c6bd" }, { "下降沿", "cfc2bdb5d1d8" },
        { "     //允许INT0中断", "20202020202f2fd4cad0ed494e5430d6d0b6cf" },
        { "TMOD=0x1;\r\n", "544d4f443d3078313b0d0a" }, { "", "" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        const auto bytes = EncodeCodePage936(QString::fromUtf8(c.text));
        ASSERT_TRUE(bytes.has_value());
        EXPECT_EQ(bytes->toHex(), QByteArray(c.gbk));
    }
}

TEST(CodePage936Refusal, CharacterWithoutGbkFormGivesNothing)
{
#ifndef Q_OS_WIN
    GTEST_SKIP() << "code page 936 is the Windows build's GBK";
#endif
    EXPECT_FALSE(EncodeCodePage936(QString::fromUtf8("INT0 한")).has_value());
}

TEST(CodePage936Refusal, NothingOutsideWindows)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Windows has code page 936";
#endif
    EXPECT_FALSE(EncodeCodePage936(u"低电平").has_value());
}
