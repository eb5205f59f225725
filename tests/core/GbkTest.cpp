#include "Gbk.h"
#include "Messages.h"
#include "SourceGenerator.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#if __has_include(<iconv.h>)
#include <iconv.h>
#define ORLET_HAVE_ICONV 1
#endif

using orlet::EncodeGbk;

namespace {

std::string hex(const std::optional<std::string>& bytes)
{
    if (!bytes)
        return "nothing";
    std::string out;
    for (const char byte : *bytes) {
        constexpr char kDigits[] = "0123456789abcdef";
        out += kDigits[static_cast<unsigned char>(byte) >> 4];
        out += kDigits[byte & 0xF];
    }
    return out;
}

std::string utf8Of(char32_t c)
{
    if (c < 0x80)
        return std::string(1, char(c));
    if (c < 0x800)
        return { char(0xC0 | c >> 6), char(0x80 | (c & 0x3F)) };
    if (c < 0x10000)
        return { char(0xE0 | c >> 12), char(0x80 | (c >> 6 & 0x3F)), char(0x80 | (c & 0x3F)) };
    return { char(0xF0 | c >> 18), char(0x80 | (c >> 12 & 0x3F)), char(0x80 | (c >> 6 & 0x3F)),
        char(0x80 | (c & 0x3F)) };
}

#ifdef ORLET_HAVE_ICONV
// What the C library's converter makes of `text`; nothing for a refusal or
// for a character it drops without a word.
std::optional<std::string> iconvConvert(const char* to, const char* from, std::string text)
{
    const iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return std::nullopt;
    std::string out(text.size() * 4, '\0');
    char* in = text.data();
    char* at = out.data();
    std::size_t inLeft = text.size(), outLeft = out.size();
    const bool converted = iconv(cd, &in, &inLeft, &at, &outLeft) != std::size_t(-1);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    if (!converted || out.empty())
        return std::nullopt;
    return out;
}
#endif

} // namespace

// The codes GB2312 holds, read as GBK reads them (glibc's GB2312 table reads
// two of them as other dots and dashes).
TEST(Gbk, EveryGb2312CharacterAsIconvDecodesIt)
{
#ifndef ORLET_HAVE_ICONV
    GTEST_SKIP() << "no iconv here";
#else
    int characters = 0;
    for (int row = 0xA1; row <= 0xF7; ++row) {
        for (int cell = 0xA1; cell <= 0xFE; ++cell) {
            const std::string code { char(row), char(cell) };
            if (!iconvConvert("UTF-8", "GB2312", code))
                continue;
            const std::optional<std::string> utf8 = iconvConvert("UTF-8", "GBK", code);
            ASSERT_TRUE(utf8) << hex(code);
            ++characters;
            ASSERT_EQ(hex(EncodeGbk(*utf8)), hex(code)) << *utf8;
        }
    }
    EXPECT_EQ(characters, 682 + 6763); // GB2312's symbols and hanzi
#endif
}

// ASCII, GBK's extensions, the euro sign, and every refusal, the private use
// area and the characters iconv drops without a word among them.
TEST(Gbk, EveryCodePointAsIconvEncodesIt)
{
#ifndef ORLET_HAVE_ICONV
    GTEST_SKIP() << "no iconv here";
#else
    int mapped = 0;
    for (char32_t c = 1; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const std::string utf8 = utf8Of(c);
        const std::optional<std::string> expected = iconvConvert("GBK", "UTF-8", utf8);
        mapped += expected.has_value();
        ASSERT_EQ(hex(EncodeGbk(utf8)), hex(expected)) << "U+" << std::hex << std::uint32_t(c);
    }
    EXPECT_EQ(mapped, 21919); // 127 ASCII and 21792 more
#endif
}

TEST(Gbk, TextAndRefusals)
{
    struct Row {
        const char* name;
        std::string utf8;
        const char* gbk; // hex; "nothing" for a refusal
    } const rows[] = {
        { "empty", "", "" },
        { "ASCII line", "TMOD=0x1;\r\n", "544d4f443d3078313b0d0a" },
        { "NUL kept", std::string("a\0b", 3), "610062" },
        { "comment", "     //允许INT0中断", "20202020202f2fd4cad0ed494e5430d6d0b6cf" },
        { "trigger items", "低电平下降沿", "b5cdb5e7c6bdcfc2bdb5d1d8" },
        { "euro sign, one byte", "€", "80" },
        { "GBK extension", "镕", "e946" },
        { "Hangul", "INT0 한", "nothing" },
        { "emoji", "\U0001F600.h", "nothing" },
        { "private use", "\uE000", "nothing" },
        { "tag character", "\U000E0041", "nothing" },
        { "lone continuation byte", "\x80", "nothing" },
        { "overlong slash", "\xC0\xAF", "nothing" },
        { "surrogate", "\xED\xA0\x80", "nothing" },
        { "five-byte lead", "\xF8\x90\x80\x80", "nothing" },
        { "cut sequence", "\xE4\xB8", "nothing" },
    };
    for (const Row& row : rows)
        EXPECT_EQ(hex(EncodeGbk(row.utf8)), row.gbk) << row.name;
}

// The download and orlet-gen write these in GBK: none may fall outside it.
TEST(Gbk, TheProgramsOwnTextsHaveGbkForms)
{
    orlet::GeneratorSettings all;
    all.comments = true;
    all.int0Enabled = all.int1Enabled = all.timer(0).enabled = all.uartEnabled = all.uartInterrupt = true;
    all.int0Trigger = orlet::TriggerMode::Level;
    for (const orlet::Dialect dialect : { orlet::Dialect::Keil, orlet::Dialect::Sdcc })
        EXPECT_TRUE(EncodeGbk(orlet::BuildSourceText(all, dialect)));
    for (int code = 0; code <= int(orlet::MessageCode::VendorHeaderUnsafe); ++code)
        for (int mode = 0; mode <= 2; ++mode) {
            const orlet::Message message { orlet::MessageCode(code), mode };
            EXPECT_TRUE(EncodeGbk(orlet::MessageText(message))) << orlet::MessageText(message);
        }
}
