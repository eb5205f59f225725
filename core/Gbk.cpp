#include "Gbk.h"

#include "GbkTable.h"
#include "Utf8.h"

#include <array>
#include <cstdint>

namespace orlet {

namespace {

    using namespace gbk_table;

    // GBK's form of every character of the Basic Multilingual Plane: 0 for
    // none, a byte below 0x100, else lead and trail.
    using FormTable = std::array<std::uint16_t, 0x10000>;

    class SlotReader
    {
    public:
        explicit SlotReader(const FormTable& forms)
            : forms_(forms)
        {
        }

        // The next slot's character, or nothing for an empty slot.
        std::optional<char32_t> next()
        {
            std::uint32_t coded = 0;
            for (unsigned shift = 0;; shift += 7) {
                const unsigned char byte = kDoubleByteDeltas[at_++];
                coded |= std::uint32_t(byte & 0x7F) << shift;
                if (byte < 0x80)
                    break;
            }
            if (coded == 0)
                return std::nullopt;
            const std::uint32_t zigzag = coded - 1;
            const std::int32_t distance = zigzag & 1 ? -std::int32_t(zigzag >> 1) - 1 : std::int32_t(zigzag >> 1);
            char32_t expected = character_ + 1;
            while (expected < forms_.size() && forms_[expected] != 0)
                ++expected;
            character_ = char32_t(std::int32_t(expected) + distance);
            return character_;
        }

    private:
        const FormTable& forms_;
        std::size_t at_ = 0;
        char32_t character_ = 0;
    };

    FormTable readForms()
    {
        FormTable forms {};
        for (unsigned ascii = 1; ascii < 0x80; ++ascii)
            forms[ascii] = std::uint16_t(ascii);
        for (std::size_t i = 0; i < kSingleByteCount; ++i)
            forms[kSingleBytes[i].character] = kSingleBytes[i].byte;
        SlotReader reader(forms);
        const auto read = [&](unsigned lead, unsigned trail) {
            if (const std::optional<char32_t> character = reader.next(); character && *character < forms.size())
                forms[*character] = std::uint16_t(lead << 8 | trail);
        };
        for (unsigned lead = kFirstGb2312Byte; lead <= kLastLead; ++lead)
            for (unsigned trail = kFirstGb2312Byte; trail <= kLastTrail; ++trail)
                read(lead, trail);
        for (unsigned lead = kFirstLead; lead <= kLastLead; ++lead)
            for (unsigned trail = kFirstTrail; trail <= kLastTrail; ++trail)
                if (trail != kSkippedTrail && (lead < kFirstGb2312Byte || trail < kFirstGb2312Byte))
                    read(lead, trail);
        return forms;
    }

    const FormTable& forms()
    {
        static const FormTable table = readForms();
        return table;
    }

} // namespace

std::optional<std::string> EncodeGbk(std::string_view utf8)
{
    const FormTable& table = forms();
    std::string gbk;
    gbk.reserve(utf8.size());
    while (!utf8.empty()) {
        const Utf8Sequence decoded = DecodeUtf8(utf8);
        if (decoded.length == 0)
            return std::nullopt;
        utf8.remove_prefix(decoded.length);
        if (decoded.character == 0) { // its form, 0, marks a missing one in the table
            gbk += '\0';
            continue;
        }
        const std::uint16_t form = decoded.character < table.size() ? table[decoded.character] : 0;
        if (form == 0)
            return std::nullopt;
        if (form > 0xFF)
            gbk += char(form >> 8);
        gbk += char(form & 0xFF);
    }
    return gbk;
}

} // namespace orlet
