#include "SettingsFile.h"

#include "BaudReload.h"
#include "Crystal.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <set>
#include <utility>

namespace orlet {

namespace {

    // Members keep the file's order, so that the first fault named is the
    // first in the file, and a written file reads in the order below. Not
    // one call here can throw: the page's build has no exceptions.
    using Json = nlohmann::ordered_json;

    constexpr std::uint64_t kMaxWholeNumber = 4294967295u;

    struct Member {
        std::string name;
        SettingsValue kind = SettingsValue::Boolean;
        bool required = false;
        std::vector<Member> members = {}; // an object's
    };

    template <typename Has> bool anyTimerRow(int timer, Has has)
    {
        for (const ChipRow& row : ChipRows()) {
            if (const TimerRow* t = TimerOf(row, timer); t != nullptr && has(*t))
                return true;
        }
        return false;
    }

    bool timerHasModes(int timer)
    {
        return anyTimerRow(timer, [](const TimerRow& t) { return t.modes.size() > 1; });
    }

    bool timerHasGate(int timer)
    {
        return anyTimerRow(timer, [](const TimerRow& t) { return t.control == TimerControl::Tmod; });
    }

    bool timerHasClocks(int timer)
    {
        return anyTimerRow(timer, [](const TimerRow& t) { return t.clocks.size() > 1; });
    }

    bool timerExists(int timer)
    {
        return anyTimerRow(timer, [](const TimerRow&) { return true; });
    }

    std::string timerKey(int timer, bool counter)
    {
        return (counter ? "counter" : "timer") + std::to_string(timer);
    }

    std::string clockKey(int timer)
    {
        return "clock" + std::to_string(timer);
    }

    // --timerN MODE:MICROSECONDS or --counterN MODE:PULSES, with --gateN and
    // --postscaleN: timer 2 has one mode and no GATE.
    Member timerMember(int timer, bool counter)
    {
        Member m { timerKey(timer, counter), SettingsValue::Object };
        if (timerHasModes(timer))
            m.members.push_back({ "mode", SettingsValue::WholeNumber, true });
        m.members.push_back({ counter ? "pulses" : "us", SettingsValue::WholeNumber, true });
        if (timerHasGate(timer))
            m.members.push_back({ "gate", SettingsValue::Boolean });
        m.members.push_back({ "postscale", SettingsValue::WholeNumber });
        return m;
    }

    // Every member, in the order a file is written: orlet-gen's options by
    // their names.
    std::vector<Member> fileMembers()
    {
        std::vector<Member> members { { "orlet", SettingsValue::WholeNumber }, { "chip", SettingsValue::Text },
            { "crystal", SettingsValue::Megahertz }, { "6t", SettingsValue::Boolean },
            { "exact", SettingsValue::Boolean }, { "drift-free", SettingsValue::Boolean },
            { "dialect", SettingsValue::Text }, { "comments", SettingsValue::Boolean },
            { "header", SettingsValue::Text }, { "int0", SettingsValue::Text }, { "int1", SettingsValue::Text } };
        for (int timer = 0; timer < kMaxTimers; ++timer) {
            if (!timerExists(timer))
                continue;
            members.push_back(timerMember(timer, false));
            members.push_back(timerMember(timer, true));
            if (timerHasClocks(timer))
                members.push_back({ clockKey(timer), SettingsValue::Text });
        }
        members.insert(members.end(),
            { { "uart", SettingsValue::WholeNumber }, { "double-baud", SettingsValue::Boolean },
                { "uart-interrupt", SettingsValue::Boolean }, { "uart-timer", SettingsValue::WholeNumber } });
        return members;
    }

    SettingsError fault(SettingsFault kind, std::string key)
    {
        SettingsError error;
        error.fault = kind;
        error.key = std::move(key);
        return error;
    }

    SettingsError typeFault(SettingsFault kind, std::string key, SettingsValue expected, const Json& value)
    {
        SettingsError error = fault(kind, std::move(key));
        error.expected = expected;
        error.value = value.dump(-1, ' ', false, Json::error_handler_t::replace);
        return error;
    }

    // Where the parser stopped, without an exception.
    class ParseErrorAt final : public nlohmann::json_sax<Json>
    {
    public:
        std::size_t position = 0;
        std::string what;

        bool null() override { return true; }
        bool boolean(bool) override { return true; }
        bool number_integer(number_integer_t) override { return true; }
        bool number_unsigned(number_unsigned_t) override { return true; }
        bool number_float(number_float_t, const string_t&) override { return true; }
        bool string(string_t&) override { return true; }
        bool binary(binary_t&) override { return true; }
        bool start_object(std::size_t) override { return true; }
        bool key(string_t&) override { return true; }
        bool end_object() override { return true; }
        bool start_array(std::size_t) override { return true; }
        bool end_array() override { return true; }
        bool parse_error(std::size_t at, const std::string&, const Json::exception& error) override
        {
            position = at;
            what = error.what();
            return false;
        }
    };

    SettingsError notJson(std::string_view text)
    {
        ParseErrorAt at;
        Json::sax_parse(text.begin(), text.end(), &at);
        SettingsError error = fault(SettingsFault::NotJson, {});
        // The parser counts the byte it stopped at.
        const std::string_view read = text.substr(0, std::min(text.size(), at.position > 0 ? at.position - 1 : 0));
        error.line = 1 + int(std::count(read.begin(), read.end(), '\n'));
        error.column = 1 + int(read.size() - (read.rfind('\n') == std::string_view::npos ? 0 : read.rfind('\n') + 1));
        // "[json.exception.parse_error.101] parse error at line 1, column 2: syntax error ...": the words after the
        // place.
        const std::size_t place = at.what.find("column ");
        const std::size_t words = at.what.find(": ", place == std::string::npos ? at.what.find("] ") : place);
        error.detail = words == std::string::npos ? at.what : at.what.substr(words + 2);
        return error;
    }

    // The objects open while parsing, with the keys seen in each: JSON
    // allows a key twice, a setting given twice is a mistake.
    class DuplicateWatch
    {
    public:
        std::optional<std::string> duplicate;

        bool operator()(int, Json::parse_event_t event, Json& parsed)
        {
            switch (event) {
            case Json::parse_event_t::object_start:
            case Json::parse_event_t::array_start:
                frames_.push_back({});
                break;
            case Json::parse_event_t::object_end:
            case Json::parse_event_t::array_end:
                frames_.pop_back();
                break;
            case Json::parse_event_t::key:
                seen(parsed.get_ref<const std::string&>());
                break;
            case Json::parse_event_t::value:
                break;
            }
            return true;
        }

    private:
        struct Frame {
            std::set<std::string> keys;
            std::string key; // the member being read
        };

        void seen(const std::string& key)
        {
            Frame& frame = frames_.back();
            if (!frame.keys.insert(key).second && !duplicate) {
                std::string path;
                for (std::size_t i = 0; i + 1 < frames_.size(); ++i)
                    path += frames_[i].key + ".";
                duplicate = path + key;
            }
            frame.key = key;
        }

        std::vector<Frame> frames_;
    };

    std::optional<Json> parse(std::string_view text, std::optional<SettingsError>& error)
    {
        DuplicateWatch watch;
        Json root = Json::parse(text.begin(), text.end(), std::ref(watch), false);
        if (root.is_discarded()) {
            error = notJson(text);
            return std::nullopt;
        }
        if (watch.duplicate) {
            error = fault(SettingsFault::DuplicateKey, *watch.duplicate);
            return std::nullopt;
        }
        return root;
    }

    bool hasType(const Json& value, SettingsValue kind)
    {
        switch (kind) {
        case SettingsValue::Object:
            return value.is_object();
        case SettingsValue::Boolean:
            return value.is_boolean();
        case SettingsValue::Text:
        case SettingsValue::Megahertz:
            return value.is_string();
        case SettingsValue::WholeNumber:
            break;
        }
        return value.is_number_integer();
    }

    std::vector<std::string> namesOf(const std::vector<Member>& members)
    {
        std::vector<std::string> names;
        for (const Member& member : members)
            names.push_back(member.name);
        return names;
    }

    // Every member known and of its type, whole numbers in range, objects
    // complete; in the file's order.
    std::optional<SettingsError> checkForm(const Json& object, const std::vector<Member>& members, std::string path)
    {
        for (const auto& [key, value] : object.items()) {
            const auto member
                = std::find_if(members.begin(), members.end(), [&key = key](const Member& m) { return m.name == key; });
            const std::string name = path + key;
            if (member == members.end()) {
                SettingsError error = fault(SettingsFault::UnknownKey, name);
                error.choices = namesOf(members);
                return error;
            }
            if (!hasType(value, member->kind))
                return typeFault(SettingsFault::WrongType, name, member->kind, value);
            if (value.is_number() && (!value.is_number_unsigned() || value.get<std::uint64_t>() > kMaxWholeNumber))
                return typeFault(SettingsFault::OutOfRange, name, member->kind, value);
            if (!value.is_object())
                continue;
            if (auto error = checkForm(value, member->members, name + "."))
                return error;
            for (const Member& inner : member->members) {
                if (inner.required && !value.contains(inner.name))
                    return fault(SettingsFault::MissingKey, name + "." + inner.name);
            }
        }
        return std::nullopt;
    }

    std::optional<SettingsError> checkFormat(const Json& root)
    {
        const auto format = root.find("orlet");
        if (format == root.end())
            return fault(SettingsFault::NotSettings, "orlet");
        if (!format->is_number_unsigned())
            return typeFault(SettingsFault::WrongType, "orlet", SettingsValue::WholeNumber, *format);
        const std::uint64_t number = format->get<std::uint64_t>();
        if (number > kSettingsFormat) {
            SettingsError error = fault(SettingsFault::NewerFormat, "orlet");
            error.format = number;
            return error;
        }
        if (number < 1) {
            SettingsError error = typeFault(SettingsFault::UnknownValue, "orlet", SettingsValue::WholeNumber, *format);
            error.choices = { std::to_string(kSettingsFormat) };
            return error;
        }
        return std::nullopt;
    }

    // The member's value as read, the form checked.
    class Values
    {
    public:
        explicit Values(const Json& object)
            : object_(object)
        {
        }

        bool has(const std::string& key) const { return object_.contains(key); }
        bool flag(const std::string& key) const { return has(key) && object_.at(key).get<bool>(); }
        std::optional<std::string> text(const std::string& key) const
        {
            return has(key) ? std::optional(object_.at(key).get<std::string>()) : std::nullopt;
        }
        std::optional<std::uint32_t> number(const std::string& key) const
        {
            return has(key) ? std::optional(object_.at(key).get<std::uint32_t>()) : std::nullopt;
        }
        Values object(const std::string& key) const { return Values(object_.at(key)); }

    private:
        const Json& object_;
    };

    template <typename T> using Words = std::vector<std::pair<std::string, T>>;

    template <typename T> SettingsError unknownValue(const std::string& key, const Json& value, const Words<T>& words)
    {
        SettingsError error = typeFault(SettingsFault::UnknownValue, key, SettingsValue::Text, value);
        for (const auto& [name, value] : words)
            error.choices.push_back(name);
        return error;
    }

    // A word of a list: its value, or the refusal naming the words taken.
    template <typename T>
    std::optional<T> word(
        const std::string& key, const std::string& text, const Words<T>& words, std::optional<SettingsError>& error)
    {
        for (const auto& [name, value] : words) {
            if (name == text)
                return value;
        }
        error = unknownValue(key, Json(text), words);
        return std::nullopt;
    }

    Words<Chip> chipWords()
    {
        Words<Chip> words;
        for (const ChipRow& row : ChipRows())
            words.emplace_back(row.key, Chip(row));
        return words;
    }

    Words<std::uint32_t> clockWords()
    {
        Words<std::uint32_t> words;
        for (const ClockChoice& choice : ClockChoices())
            words.emplace_back(choice.name, choice.clocksPerCount);
        return words;
    }

    const Words<TriggerMode> kTriggerWords { { "level", TriggerMode::Level }, { "falling", TriggerMode::FallingEdge } };
    const Words<Dialect> kDialectWords { { "keil", Dialect::Keil }, { "sdcc", Dialect::Sdcc } };

    void readTimer(const Values& file, int timer, Configuration& config, std::optional<SettingsError>& error)
    {
        const bool asTimer = file.has(timerKey(timer, false));
        const bool asCounter = file.has(timerKey(timer, true));
        if (asTimer && asCounter) {
            error = fault(SettingsFault::Exclusive, timerKey(timer, false));
            error->other = timerKey(timer, true);
            return;
        }
        TimerConfig& t = config.timer(timer);
        if (const std::optional<std::string> clock = file.text(clockKey(timer)))
            t.clock = word(clockKey(timer), *clock, clockWords(), error);
        if (!asTimer && !asCounter)
            return;
        const Values block = file.object(timerKey(timer, asCounter));
        t.enabled = true;
        t.counter = asCounter;
        t.mode = int(std::min<std::uint32_t>(block.number("mode").value_or(0), INT_MAX));
        t.value = *block.number(asCounter ? "pulses" : "us");
        t.gate = block.flag("gate");
        t.postscale = block.number("postscale").value_or(1);
    }

    void readCrystal(const Values& file, Configuration& config, std::optional<SettingsError>& error)
    {
        const std::optional<std::string> text = file.text("crystal");
        if (!text)
            return;
        const std::optional<CrystalChoice> crystal = CrystalFromMhzText(*text);
        if (!crystal) {
            error = typeFault(SettingsFault::OutOfRange, "crystal", SettingsValue::Megahertz, Json(*text));
            return;
        }
        config.crystalHz = crystal->hz;
        config.customMhz = crystal->customMhz;
    }

    void readSerialPort(const Values& file, Configuration& config)
    {
        // Any whole rate: a listed one by its index, another as the list's own.
        if (const std::optional<std::uint32_t> rate = file.number("uart")) {
            config.uartBaudIndex = BaudIndexOf(*rate);
            if (config.uartBaudIndex == kCustomBaudIndex)
                config.uartCustomBaud = *rate;
        }
        config.uartDoubleBaud = file.flag("double-baud");
        config.uartInterrupt = file.flag("uart-interrupt");
        config.uartTimer = int(std::min<std::uint32_t>(file.number("uart-timer").value_or(1), INT_MAX));
    }

    // The words first; what the values mean together is the window's to judge.
    std::optional<SettingsError> readValues(const Values& file, SettingsFile& settings)
    {
        std::optional<SettingsError> error;
        Configuration& config = settings.config;
        // Any spelling of a chip's key or its other names.
        if (const auto chip = file.text("chip")) {
            if (const std::optional<Chip> found = FindChip(*chip))
                config.chip = *found;
            else
                error = unknownValue("chip", Json(*chip), chipWords());
        }
        if (!error)
            readCrystal(file, config, error);
        config.sixT = file.flag("6t");
        config.precision = file.flag("exact") ? Precision::Exact : Precision::Classic;
        config.driftFree = file.flag("drift-free");
        if (const auto dialect = file.text("dialect"); dialect && !error)
            settings.dialect = word("dialect", *dialect, kDialectWords, error).value_or(Dialect::Keil);
        config.comments = file.flag("comments");
        config.vendorHeader = file.text("header");
        for (auto [name, trigger] : { std::pair { "int0", &config.int0 }, std::pair { "int1", &config.int1 } }) {
            if (const std::optional<std::string> text = file.text(name); text && !error)
                *trigger = word(name, *text, kTriggerWords, error);
        }
        for (int timer = 0; timer < kMaxTimers && !error; ++timer) {
            if (timerExists(timer))
                readTimer(file, timer, config, error);
        }
        if (!error)
            readSerialPort(file, config);
        return error;
    }

    // The serial port's timer may be any number the file gives.
    std::string timerKeyIn(const Configuration& config, int timer)
    {
        return timerKey(timer, timer >= 0 && timer < kMaxTimers && config.timer(timer).counter);
    }

    bool timerGiven(const Configuration& config, int timer)
    {
        return timer >= 0 && timer < kMaxTimers && config.timer(timer).enabled;
    }

    bool clockGiven(const Configuration& config, int timer)
    {
        return timer >= 0 && timer < kMaxTimers && config.timer(timer).clock;
    }

    // The member that set what the window refuses.
    std::string keyOfChipTrap(const ConfigError& e, const Configuration& config)
    {
        const std::string timer = timerKeyIn(config, e.timer);
        switch (e.chipError) {
        case ChipErrorCode::NoSuchTimer:
            if (timerGiven(config, e.timer))
                return timer;
            return clockGiven(config, e.timer) ? clockKey(e.timer) : "uart-timer";
        case ChipErrorCode::ModeNotOffered:
            return timer + ".mode";
        case ChipErrorCode::ClockNotOffered:
            return clockKey(e.timer);
        case ChipErrorCode::SixTNotOffered:
            return "6t";
        case ChipErrorCode::BaudSourceNotOffered:
            return "uart-timer";
        case ChipErrorCode::TimerBusy:
            return timer;
        case ChipErrorCode::VendorHeaderNotAccepted:
            break;
        }
        return "header";
    }

    std::string keyOfRefusal(const ConfigError& e, const Configuration& config)
    {
        const std::string timer = timerKeyIn(config, e.timer);
        switch (e.code) {
        case ConfigErrorCode::CrystalOutOfRange:
        case ConfigErrorCode::CrystalNotReachable:
            return "crystal";
        case ConfigErrorCode::TimerModeUnknown:
            return timer + ".mode";
        case ConfigErrorCode::PostscaleOutOfRange:
            return timer + ".postscale";
        case ConfigErrorCode::Timer1WithSerialPort:
            return timerKeyIn(config, 1);
        case ConfigErrorCode::BaudRateUnknown:
        case ConfigErrorCode::BaudRateDoesNotFit:
        case ConfigErrorCode::BaudRateUnreachable:
        case ConfigErrorCode::BaudDeviationTooLarge:
            return "uart";
        case ConfigErrorCode::TimerOutOfRange:
            return timer + (e.counter ? ".pulses" : ".us");
        case ConfigErrorCode::DriftFreeOutOfRange:
        case ConfigErrorCode::DriftFreeNeedsHardwareReload:
            return "drift-free";
        case ConfigErrorCode::DoubleBaudWithoutEffect:
            return "double-baud";
        case ConfigErrorCode::VendorHeaderUnsafe:
            return "header";
        case ConfigErrorCode::ChipTrap:
            break;
        }
        return keyOfChipTrap(e, config);
    }

    std::string wordOf(Dialect dialect)
    {
        return dialect == Dialect::Sdcc ? "sdcc" : "keil";
    }

    Json timerObject(const SettingsFile& settings, int timer)
    {
        const TimerConfig& t = settings.config.timer(timer);
        Json object = Json::object();
        for (const Member& member : timerMember(timer, t.counter).members) {
            if (member.name == "mode")
                object["mode"] = t.mode;
            else if (member.name == "gate")
                object["gate"] = t.gate;
            else if (member.name == "postscale")
                object["postscale"] = t.postscale;
            else
                object[member.name] = t.value;
        }
        return object;
    }

    void writeTimers(const SettingsFile& settings, Json& file)
    {
        const Configuration& config = settings.config;
        const ChipRow& row = config.chip.row();
        for (int timer = 0; timer < kMaxTimers; ++timer) {
            const TimerRow* t = TimerOf(row, timer);
            if (t == nullptr)
                continue;
            if (config.timer(timer).enabled)
                file[timerKey(timer, config.timer(timer).counter)] = timerObject(settings, timer);
            if (t->clocks.size() > 1) {
                const std::uint32_t clock = config.timer(timer).clock.value_or(DefaultClock(row, timer));
                file[clockKey(timer)] = std::string(ClockName(row, timer, clock));
            }
        }
    }

} // namespace

namespace {

    // The settings of a file's object, or why not.
    SettingsRead readObject(const std::optional<Json>& root, SettingsRead read)
    {
        if (!root)
            return read;
        if (!root->is_object()) {
            read.error = typeFault(SettingsFault::WrongType, {}, SettingsValue::Object, *root);
            return read;
        }
        if ((read.error = checkFormat(*root)) || (read.error = checkForm(*root, fileMembers(), {})))
            return read;
        SettingsFile settings;
        if ((read.error = readValues(Values(*root), settings)))
            return read;
        ModelResult model = WindowModelFor(settings.config);
        if (!model.model) {
            read.error = fault(SettingsFault::Refused, keyOfRefusal(*model.error, settings.config));
            read.error->refusal = model.error;
            return read;
        }
        model.model->dialect = settings.dialect;
        read.model = std::move(model.model);
        read.settings = std::move(settings);
        return read;
    }

    Json settingsObject(const SettingsFile& settings)
    {
        const Configuration& config = settings.config;
        const ChipRow& row = config.chip.row();
        Json file = Json::object();
        file["orlet"] = kSettingsFormat;
        file["chip"] = std::string(config.chip.key());
        file["crystal"] = CrystalMhzText(config.crystalHz, config.customMhz);
        if (row.offersSixT)
            file["6t"] = config.sixT;
        file["exact"] = config.precision == Precision::Exact;
        file["drift-free"] = config.driftFree;
        file["dialect"] = wordOf(settings.dialect);
        file["comments"] = config.comments;
        if (config.vendorHeader)
            file["header"] = *config.vendorHeader;
        if (config.int0)
            file["int0"] = *config.int0 == TriggerMode::Level ? "level" : "falling";
        if (config.int1)
            file["int1"] = *config.int1 == TriggerMode::Level ? "level" : "falling";
        writeTimers(settings, file);
        if (config.uartBaudIndex)
            file["uart"] = BaudRateAt(*config.uartBaudIndex, config.uartCustomBaud);
        file["double-baud"] = config.uartDoubleBaud;
        file["uart-interrupt"] = config.uartInterrupt;
        if (BaudSourceOnTimer(row, 2) != nullptr)
            file["uart-timer"] = config.uartTimer;
        return file;
    }

    // ---- The settings as an address's fragment ----

    // Unreserved characters as they are, every other byte as %XX.
    std::string percentEncoded(std::string_view text)
    {
        static const char* const digits = "0123456789ABCDEF";
        std::string encoded;
        for (const unsigned char c : text) {
            if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~')
                encoded += char(c);
            else
                encoded += { '%', digits[c >> 4], digits[c & 15] };
        }
        return encoded;
    }

    // A malformed %XX is kept as it stands.
    std::string percentDecoded(std::string_view text)
    {
        std::string decoded;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto hex = [&](std::size_t at) { return std::isxdigit(static_cast<unsigned char>(text[at])); };
            if (text[i] == '%' && i + 2 < text.size() && hex(i + 1) && hex(i + 2)) {
                unsigned byte = 0;
                std::from_chars(text.data() + i + 1, text.data() + i + 3, byte, 16);
                decoded += char(byte);
                i += 2;
            } else {
                decoded += text[i];
            }
        }
        return decoded;
    }

    void addPair(std::string& fragment, const std::string& name, const std::string& value = {})
    {
        fragment += (fragment.empty() ? "" : "&") + name + (value.empty() ? "" : "=" + percentEncoded(value));
    }

    // The flags of a timer's object: "timer0=1:1000&gate0&postscale0=5".
    void addTimerPairs(std::string& fragment, const std::string& key, const Json& timer)
    {
        const std::string number = key.substr(key.find_first_of("0123456789"));
        const std::string value = std::to_string(timer.value(timer.contains("us") ? "us" : "pulses", 0u));
        addPair(
            fragment, key, timer.contains("mode") ? std::to_string(timer.at("mode").get<int>()) + ":" + value : value);
        if (timer.value("gate", false))
            addPair(fragment, "gate" + number);
        if (const std::uint32_t postscale = timer.value("postscale", 1u); postscale != 1)
            addPair(fragment, "postscale" + number, std::to_string(postscale));
    }

    bool isWholeNumber(const std::string& text)
    {
        return !text.empty() && text.size() <= 10
            && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    }

    // Ten digits at most: no overflow.
    std::uint64_t wholeNumber(const std::string& text)
    {
        std::uint64_t number = 0;
        std::from_chars(text.data(), text.data() + text.size(), number);
        return number;
    }

    // A value of the fragment as the file's member would hold it; what is no
    // such value stays a text, which the file's checks then refuse.
    Json fragmentValue(const Member& member, const std::optional<std::string>& value)
    {
        if (member.kind == SettingsValue::Boolean && (!value || *value == "true" || *value == "false"))
            return !value || *value == "true";
        const std::string text = value.value_or(std::string());
        if (member.kind == SettingsValue::WholeNumber && isWholeNumber(text))
            return wholeNumber(text);
        if (member.kind != SettingsValue::Object)
            return text;
        // MODE:VALUE, or VALUE where the timer has one mode.
        const std::size_t colon = text.find(':');
        const bool hasModes = std::any_of(
            member.members.begin(), member.members.end(), [](const Member& m) { return m.name == "mode"; });
        const std::string count = colon == std::string::npos ? text : text.substr(colon + 1);
        const std::string mode = colon == std::string::npos ? std::string() : text.substr(0, colon);
        if (!isWholeNumber(count) || hasModes != isWholeNumber(mode) || (!hasModes && colon != std::string::npos))
            return text;
        Json object = Json::object();
        if (hasModes)
            object["mode"] = wholeNumber(mode);
        object[member.members.at(hasModes ? 1 : 0).name] = wholeNumber(count);
        return object;
    }

    // gateN and postscaleN join the object of timerN or counterN.
    std::optional<std::string> timerOption(const std::string& name, const Json& file, std::string& member)
    {
        for (const char* option : { "gate", "postscale" }) {
            const std::string prefix = option;
            if (name.size() == prefix.size() + 1 && name.compare(0, prefix.size(), prefix) == 0
                && std::isdigit(static_cast<unsigned char>(name.back()))) {
                member = prefix;
                const std::string counter = "counter" + name.substr(prefix.size());
                return file.contains(counter) ? counter : "timer" + name.substr(prefix.size());
            }
        }
        return std::nullopt;
    }

    std::optional<Json> fragmentObject(std::string_view fragment, std::optional<SettingsError>& error)
    {
        if (!fragment.empty() && fragment.front() == '#')
            fragment.remove_prefix(1);
        const std::vector<Member> members = fileMembers();
        Json file = Json::object();
        std::vector<std::pair<std::string, std::optional<std::string>>> options;
        std::set<std::string> seen;
        while (!fragment.empty()) {
            const std::string_view pair = fragment.substr(0, fragment.find('&'));
            fragment.remove_prefix(std::min(fragment.size(), pair.size() + 1));
            const std::size_t equals = pair.find('=');
            const std::string name = percentDecoded(pair.substr(0, equals));
            const std::optional<std::string> value = equals == std::string_view::npos
                ? std::nullopt
                : std::optional(percentDecoded(pair.substr(equals + 1)));
            if (!seen.insert(name).second) {
                error = fault(SettingsFault::DuplicateKey, name);
                return std::nullopt;
            }
            const auto member
                = std::find_if(members.begin(), members.end(), [&](const Member& m) { return m.name == name; });
            if (member != members.end())
                file[name] = fragmentValue(*member, value);
            else
                options.emplace_back(name, value);
        }
        for (const auto& [name, value] : options) {
            std::string option;
            const std::optional<std::string> timer = timerOption(name, file, option);
            if (!timer) {
                file[name] = value.value_or(std::string());
                continue;
            }
            Json& object = file[*timer];
            if (!object.is_object())
                object = Json::object();
            object[option] = option == "gate" ? fragmentValue({ "gate", SettingsValue::Boolean }, value)
                                              : fragmentValue({ "postscale", SettingsValue::WholeNumber }, value);
        }
        return file;
    }

} // namespace

SettingsRead ReadSettingsFile(std::string_view text)
{
    SettingsRead read;
    const std::optional<Json> root = parse(text, read.error);
    return readObject(root, std::move(read));
}

std::string WriteSettingsFile(const SettingsFile& settings)
{
    return settingsObject(settings).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

SettingsRead ReadSettingsFragment(std::string_view fragment)
{
    SettingsRead read;
    const std::optional<Json> root = fragmentObject(fragment, read.error);
    return readObject(root, std::move(read));
}

std::string SettingsFragment(const SettingsFile& settings)
{
    std::string fragment;
    const Json object = settingsObject(settings);
    for (const auto& [key, value] : object.items()) {
        if (value.is_object())
            addTimerPairs(fragment, key, value);
        else if (value.is_boolean() && value.get<bool>())
            addPair(fragment, key);
        else if (value.is_number())
            addPair(fragment, key, std::to_string(value.get<std::uint64_t>()));
        else if (value.is_string())
            addPair(fragment, key, value.get<std::string>());
    }
    return fragment;
}

SettingsFile SettingsFileOf(const WindowModel& model)
{
    return { ConfigurationOf(model), model.dialect };
}

} // namespace orlet
