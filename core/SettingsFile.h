#pragma once

#include "Configuration.h"
#include "SourceGenerator.h"
#include "WindowModel.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlet {

// The format a settings file is written in, its "orlet" member. A file of a
// newer format is refused; every file of this one loads in later versions.
inline constexpr std::uint64_t kSettingsFormat = 1;

// What a settings file (.orlet, JSON in UTF-8) holds: the configuration as
// orlet-gen's options give it, under their names, and the compiler.
struct SettingsFile {
    Configuration config;
    Dialect dialect = Dialect::Keil;
};

// What a member should hold.
enum class SettingsValue {
    Object,
    Boolean,
    Text,
    WholeNumber, // from 0 to 4294967295
    Megahertz, // text: a number of MHz from 1 to 100
};

// Why a settings file was refused.
enum class SettingsFault {
    NotJson, // at line and column, with the parser's words
    NotSettings, // JSON without the "orlet" member
    NewerFormat, // written in `format`, newer than this program reads
    DuplicateKey, // a member given twice in one object
    UnknownKey, // `choices`: the keys taken there
    WrongType, // not `expected`
    MissingKey,
    Exclusive, // given with `other`, which it excludes
    UnknownValue, // `value`; `choices`: the values taken
    OutOfRange, // `value` is not `expected`
    Refused, // the window's rules refuse the settings: `refusal`
};

struct SettingsError {
    SettingsFault fault = SettingsFault::NotJson;
    std::string key; // where: "chip", "timer0.us"; empty for the whole file
    std::string value; // as the file has it
    SettingsValue expected = SettingsValue::Object;
    std::vector<std::string> choices;
    std::string other;
    int line = 0; // NotJson: from 1, the column in bytes
    int column = 0;
    std::string detail; // NotJson: the parser's words (English)
    std::uint64_t format = 0;
    std::optional<ConfigError> refusal;
};

struct SettingsRead {
    std::optional<SettingsFile> settings;
    // The window as the settings set it from its first state, with the
    // compiler chosen.
    std::optional<WindowModel> model;
    std::optional<SettingsError> error; // set when the others are empty
};

// Reads a settings file: its form, then its values by the window's rules
// (what the window holds and only Generate refuses is read).
SettingsRead ReadSettingsFile(std::string_view text);

// The file for `settings`: every member that applies to the chip, in a
// fixed order, two spaces of indent, a line feed at the end.
std::string WriteSettingsFile(const SettingsFile& settings);

// What the window's model saves.
SettingsFile SettingsFileOf(const WindowModel& model);

// The settings as an address's fragment, in orlet-gen's words: each
// option by its name, with "=VALUE" where it takes one, joined by "&"
// ("orlet=1&chip=stc15&timer0=1:1000&gate0&postscale0=5"); an option that
// is off is left out. Values are percent-encoded.
std::string SettingsFragment(const SettingsFile& settings);
// Reads such a fragment (with or without its "#") as ReadSettingsFile reads
// the file, with the same refusals under the file's names.
SettingsRead ReadSettingsFragment(std::string_view fragment);

// The refusal in the window's words (Chinese, UTF-8), one paragraph naming
// the key.
std::string SettingsErrorText(const SettingsError& error);

} // namespace orlet
