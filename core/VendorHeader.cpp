#include "VendorHeader.h"

#include "Utf8.h"

namespace orlet {

namespace {

    struct Range {
        char32_t first;
        char32_t last;
    };

    // Unicode's default-ignorable code points (drawn as nothing, the bidi
    // controls among them), the interlinear annotation marks that hide
    // text, and the spaces other than U+0020 (one looks like another).
    constexpr Range kUnseen[] = { { 0x00A0, 0x00A0 }, { 0x00AD, 0x00AD }, { 0x034F, 0x034F }, { 0x061C, 0x061C },
        { 0x115F, 0x1160 }, { 0x1680, 0x1680 }, { 0x17B4, 0x17B5 }, { 0x180B, 0x180F }, { 0x2000, 0x200F },
        { 0x202A, 0x202F }, { 0x205F, 0x206F }, { 0x3000, 0x3000 }, { 0x3164, 0x3164 }, { 0xFE00, 0xFE0F },
        { 0xFEFF, 0xFEFF }, { 0xFFA0, 0xFFA0 }, { 0xFFF0, 0xFFFB }, { 0x1BCA0, 0x1BCA3 }, { 0x1D173, 0x1D17A },
        { 0xE0000, 0xE0FFF } };

    bool isUnseen(char32_t c)
    {
        for (const Range& range : kUnseen) {
            if (c >= range.first && c <= range.last)
                return true;
        }
        return false;
    }

    // A quote or an angle bracket would close the name in one of the
    // include forms; C0 and C1 controls, DEL and the Unicode line and
    // paragraph separators would break or hide the line; U+FFFD stands
    // for bytes that were lost on the way.
    bool isForbidden(char32_t c)
    {
        return c == U'"' || c == U'<' || c == U'>' || c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029
            || c == 0xFFFD || isUnseen(c);
    }

} // namespace

std::optional<HeaderNameProblem> FindHeaderNameProblem(std::string_view name)
{
    if (name.empty())
        return HeaderNameProblem { HeaderNameFault::Empty };
    if (name.size() > kMaxVendorHeaderBytes)
        return HeaderNameProblem { HeaderNameFault::TooLong, 0, kMaxVendorHeaderBytes };
    for (std::size_t offset = 0; offset < name.size();) {
        const Utf8Sequence decoded = DecodeUtf8(name.substr(offset));
        if (decoded.length == 0)
            return HeaderNameProblem { HeaderNameFault::MalformedUtf8, 0, offset };
        if (isForbidden(decoded.character))
            return HeaderNameProblem { HeaderNameFault::ForbiddenCharacter, decoded.character, offset };
        offset += decoded.length;
    }
    if (name.front() == ' ')
        return HeaderNameProblem { HeaderNameFault::SpaceAtEnd, 0, 0 };
    if (name.back() == ' ')
        return HeaderNameProblem { HeaderNameFault::SpaceAtEnd, 0, name.size() - 1 };
    return std::nullopt;
}

} // namespace orlet
