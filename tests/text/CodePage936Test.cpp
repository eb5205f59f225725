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

class CodePage936 : public testing::TestWithParam<Case>
{
};

} // namespace

// The Windows build's GBK: its Qt has no GBK encoder.
TEST_P(CodePage936, GivesTheGbkBytes)
{
#ifndef Q_OS_WIN
    GTEST_SKIP() << "code page 936 is the Windows build's GBK";
#endif
    const auto bytes = EncodeCodePage936(QString::fromUtf8(GetParam().text));
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->toHex(), QByteArray(GetParam().gbk));
}

INSTANTIATE_TEST_SUITE_P(CommentTexts, CodePage936,
    testing::Values(Case { "低电平", "b5cdb5e7c6bd" }, Case { "下降沿", "cfc2bdb5d1d8" },
        Case { "     //允许INT0中断", "20202020202f2fd4cad0ed494e5430d6d0b6cf" },
        Case { "TMOD=0x1;\r\n", "544d4f443d3078313b0d0a" }, Case { "", "" }));

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
