// The custom-frequency box's number parser and the conversion behind it.
#include "Crystal.h"
#include "FuzzCheck.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto mhz = orlet::ParseCustomMhz(text)) {
        FUZZ_CHECK(!std::isnan(*mhz));
        if (orlet::IsCustomMhzAccepted(*mhz)) {
            const std::uint32_t hz = orlet::CustomMhzToHz(*mhz);
            FUZZ_CHECK(hz >= 1000000 && hz <= 100000000);
            FUZZ_CHECK(!orlet::FormatCustomMhz(*mhz).empty());
        }
    }
    if (const auto hz = orlet::CrystalHzFromMhzText(text)) {
        FUZZ_CHECK(*hz >= 1000000 && *hz <= 100000000);
        FUZZ_CHECK(orlet::ParseCustomMhz(text).has_value());
    }
    return 0;
}
