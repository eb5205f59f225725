#include "VendorHeader.h"

namespace orlet {

namespace {

    struct Decoded {
        char32_t character = 0;
        std::size_t length = 0; // 0: malformed
    };

    bool isContinuation(unsigned char byte)
    {
        return (byte & 0xC0) == 0x80;
    }

    // One UTF-8 sequence at the start of `text`; overlong forms, surrogates
    // and code points beyond U+10FFFF are malformed.
    Decoded decodeOne(std::string_view text)
    {
        const auto lead = static_cast<unsigned char>(text[0]);
        if (lead < 0x80)
            return { lead, 1 };
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
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

    // A quote or an angle bracket would close the name in one of the
    // include forms; C0 and C1 controls, DEL and the Unicode line and
    // paragraph separators would break or hide the line.
    bool isForbidden(char32_t c)
    {
        return c == U'"' || c == U'<' || c == U'>' || c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028
            || c == 0x2029;
    }

} // namespace

std::optional<HeaderNameProblem> FindHeaderNameProblem(std::string_view name)
{
    if (name.empty())
        return HeaderNameProblem { HeaderNameFault::Empty };
    if (name.size() > kMaxVendorHeaderBytes)
        return HeaderNameProblem { HeaderNameFault::TooLong, 0, kMaxVendorHeaderBytes };
    for (std::size_t offset = 0; offset < name.size();) {
        const Decoded decoded = decodeOne(name.substr(offset));
        if (decoded.length == 0)
            return HeaderNameProblem { HeaderNameFault::MalformedUtf8, 0, offset };
        if (isForbidden(decoded.character))
            return HeaderNameProblem { HeaderNameFault::ForbiddenCharacter, decoded.character, offset };
        offset += decoded.length;
    }
    return std::nullopt;
}

} // namespace orlet
