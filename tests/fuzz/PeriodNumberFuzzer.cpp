// The number parser behind the period boxes 1019 and 1026: an unsigned
// decimal whole number, blanks around it allowed.
#include "DataExchange.h"
#include "FuzzCheck.h"

#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// The same judgement written the obvious way, to compare with.
bool isUnsignedDecimal(const QString& trimmed)
{
    if (trimmed.isEmpty())
        return false;
    if (!std::all_of(trimmed.begin(), trimmed.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return false;
    qsizetype first = 0;
    while (first + 1 < trimmed.size() && trimmed[first] == u'0')
        ++first;
    const QString digits = trimmed.mid(first);
    return digits.size() < 10 || (digits.size() == 10 && digits <= QLatin1String("4294967295"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Text as the box holds it: from UTF-8 and, to reach every QChar, from UTF-16.
    std::u16string utf16(size / 2, u'\0');
    std::memcpy(utf16.data(), data, utf16.size() * sizeof(char16_t));
    const QString texts[] = {
        QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)),
        QString::fromStdU16String(utf16),
    };
    for (const QString& text : texts) {
        std::uint32_t value = 12345;
        const bool accepted = ParseUnsignedText(text, value);
        const QString trimmed = text.trimmed();
        FUZZ_CHECK(accepted == isUnsignedDecimal(trimmed));
        if (accepted)
            FUZZ_CHECK(value == trimmed.toULongLong());
        else
            FUZZ_CHECK(value == 12345);
    }
    return 0;
}
