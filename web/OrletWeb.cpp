// The page's way into the core: settings in as JSON, the generated text
// (UTF-8, and its GBK bytes in hex) or one line of error out as JSON.

#include "Configuration.h"
#include "Gbk.h"
#include "Messages.h"
#include "SourceGenerator.h"

#include <emscripten/emscripten.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace {

using nlohmann::json;
using orlet::Configuration;

// Reads one JSON object's members, checking each type first: nlohmann/json
// would throw, and the page's build catches no exceptions. The first wrong
// member, here or in an object within, is the refusal.
class SettingsReader
{
public:
    SettingsReader(const json& object, std::string& refusal, std::string path = {})
        : object_(object)
        , refusal_(refusal)
        , path_(std::move(path))
    {
    }

    std::optional<bool> flag(const char* name) { return read<bool>(name, &json::is_boolean, "true or false"); }
    std::optional<std::string> text(const char* name) { return read<std::string>(name, &json::is_string, "a string"); }
    std::optional<std::uint32_t> number(const char* name)
    {
        constexpr const char* kWhat = "a whole number from 0 to 4294967295";
        const std::optional<std::uint64_t> value = read<std::uint64_t>(name, &json::is_number_unsigned, kWhat);
        if (value && *value > UINT32_MAX) {
            fail(name, kWhat);
            return std::nullopt;
        }
        return value;
    }
    // The member's reader, or nothing when it is absent or not an object.
    std::optional<SettingsReader> object(const char* name)
    {
        if (!read<json>(name, &json::is_object, "an object"))
            return std::nullopt;
        return SettingsReader(object_.at(name), refusal_, path_ + name + ".");
    }

    void fail(const char* name, const char* what)
    {
        if (refusal_.empty())
            refusal_ = "\"" + path_ + name + "\" must be " + what;
    }

private:
    template <typename T> std::optional<T> read(const char* name, bool (json::*isType)() const, const char* what)
    {
        const auto found = object_.find(name);
        if (found == object_.end())
            return std::nullopt;
        if (!((*found).*isType)()) {
            fail(name, what);
            return std::nullopt;
        }
        return found->get<T>();
    }

    const json& object_;
    std::string& refusal_;
    std::string path_;
};

orlet::TimerConfig readTimer(SettingsReader& timer)
{
    orlet::TimerConfig config;
    config.enabled = true;
    config.mode = int(timer.number("mode").value_or(0));
    config.value = timer.number("value").value_or(config.value);
    config.counter = timer.flag("counter").value_or(false);
    config.gate = timer.flag("gate").value_or(false);
    return config;
}

std::optional<orlet::TriggerMode> readTrigger(SettingsReader& read, const char* name)
{
    const std::optional<std::string> trigger = read.text(name);
    if (trigger == "level")
        return orlet::TriggerMode::Level;
    if (trigger == "falling")
        return orlet::TriggerMode::FallingEdge;
    if (trigger)
        read.fail(name, "\"level\" or \"falling\"");
    return std::nullopt;
}

struct Request {
    Configuration config;
    orlet::Dialect dialect = orlet::Dialect::Keil;
};

// {"crystalHz": 12000000, "comments": true, "dialect": "sdcc", "int0": "level",
//  "int1": "falling", "timer0": {"mode": 1, "value": 1000, "counter": false,
//  "gate": false}, "timer1": {...}}; what is absent is as the window starts.
std::optional<Request> readRequest(const json& settings, std::string& refusal)
{
    if (!settings.is_object()) {
        refusal = "the settings must be a JSON object";
        return std::nullopt;
    }
    SettingsReader read(settings, refusal);
    Request request;
    Configuration& config = request.config;
    config.crystalHz = read.number("crystalHz").value_or(config.crystalHz);
    config.comments = read.flag("comments").value_or(false);
    config.int0 = readTrigger(read, "int0");
    config.int1 = readTrigger(read, "int1");
    if (std::optional<SettingsReader> timer = read.object("timer0"))
        config.timer(0) = readTimer(*timer);
    if (std::optional<SettingsReader> timer = read.object("timer1"))
        config.timer(1) = readTimer(*timer);
    const std::string dialect = read.text("dialect").value_or("keil");
    if (dialect == "sdcc")
        request.dialect = orlet::Dialect::Sdcc;
    else if (dialect != "keil")
        read.fail("dialect", "\"keil\" or \"sdcc\"");
    if (!refusal.empty())
        return std::nullopt;
    return request;
}

std::string hex(const std::string& bytes)
{
    constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const char byte : bytes) {
        out += kDigits[static_cast<unsigned char>(byte) >> 4];
        out += kDigits[byte & 0xF];
    }
    return out;
}

json generate(const std::string& settingsText)
{
    const json settings = json::parse(settingsText, nullptr, false);
    if (settings.is_discarded())
        return { { "error", "the settings are not JSON" } };
    std::string refusal;
    const std::optional<Request> request = readRequest(settings, refusal);
    if (!request)
        return { { "error", refusal } };
    const orlet::ResolveResult resolved = orlet::ResolveConfiguration(request->config);
    if (!resolved.resolved) {
        const orlet::ConfigError& error = *resolved.error;
        const bool windowSaysIt = error.code == orlet::ConfigErrorCode::TimerOutOfRange;
        return { { "error", windowSaysIt ? orlet::MessageText(error.message) : "the settings were refused" } };
    }
    const std::string source = orlet::BuildSourceText(resolved.resolved->settings, request->dialect);
    json result { { "source", source } };
    if (const std::optional<std::string> gbk = orlet::EncodeGbk(source))
        result["gbk"] = hex(*gbk);
    return result;
}

} // namespace

extern "C" EMSCRIPTEN_KEEPALIVE const char* orlet_generate(const char* settingsJson)
{
    static std::string answer;
    answer = generate(settingsJson).dump(-1, ' ', false, json::error_handler_t::replace);
    return answer.c_str();
}
