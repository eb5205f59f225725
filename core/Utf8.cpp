#include "Utf8.h"

namespace orlet {

namespace {

    bool isContinuation(unsigned char byte)
    {
        return (byte & 0xC0) == 0x80;
    }

} // namespace

Utf8Sequence DecodeUtf8(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80)
        return { lead, 1 };
    const std::size_t length = lead >= 0xF8 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || length > text.size())
        return {};
    char32_t character = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (!isContinuation(byte))
            return {};
        character = character << 6 | (byte & 0x3F);
    }
    constexpr char32_t kShortest[] = { 0, 0, 0x80, 0x800, 0x10000 };
    const bool surrogate = character >= 0xD800 && character <= 0xDFFF;
    if (character < kShortest[length] || surrogate || character > 0x10FFFF)
        return {};
    return { character, length };
}

std::optional<std::size_t> FindMalformedUtf8(std::string_view text)
{
    for (std::size_t offset = 0; offset < text.size();) {
        const std::size_t length = DecodeUtf8(text.substr(offset)).length;
        if (length == 0)
            return offset;
        offset += length;
    }
    return std::nullopt;
}

} // namespace orlet
