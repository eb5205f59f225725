// The settings file's reader, and the fragment's: any bytes are read as
// settings or refused with words; what is read writes a file (and a
// fragment) that reads back the same.
#include "FuzzCheck.h"
#include "SettingsFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

void checkFragment(std::string_view text)
{
    const orlet::SettingsRead read = orlet::ReadSettingsFragment(text);
    FUZZ_CHECK(read.settings.has_value() != read.error.has_value());
    if (!read.settings)
        return;
    const std::string fragment = orlet::SettingsFragment(*read.settings);
    const orlet::SettingsRead again = orlet::ReadSettingsFragment(fragment);
    FUZZ_CHECK(again.settings.has_value());
    FUZZ_CHECK(orlet::WriteSettingsFile(*again.settings) == orlet::WriteSettingsFile(*read.settings));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkFragment(text);
    const orlet::SettingsRead read = orlet::ReadSettingsFile(text);
    FUZZ_CHECK(read.settings.has_value() == read.model.has_value());
    FUZZ_CHECK(read.settings.has_value() != read.error.has_value());
    if (read.error) {
        FUZZ_CHECK(!orlet::SettingsErrorText(*read.error).empty());
        return 0;
    }
    const std::string written = orlet::WriteSettingsFile(*read.settings);
    const orlet::SettingsRead again = orlet::ReadSettingsFile(written);
    FUZZ_CHECK(again.model.has_value());
    FUZZ_CHECK(*again.model == *read.model);
    FUZZ_CHECK(orlet::WriteSettingsFile(*again.settings) == written);
    return 0;
}
