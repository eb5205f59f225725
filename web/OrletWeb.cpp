// The page's way into the core. The window's model lives here, and only
// here: the page sends the user's change to one control, this runs the
// window's handler for it and answers with what every control shows (the
// view) and the messages raised on the way. All JSON, UTF-8.

#include "BaudReload.h"
#include "Crystal.h"
#include "DecimalText.h"
#include "Gbk.h"
#include "Messages.h"
#include "SettingsFile.h"
#include "SourceGenerator.h"
#include "UserChange.h"
#include "WindowModel.h"
#include "WindowView.h"

#include <emscripten/emscripten.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace {

using json = nlohmann::ordered_json; // as the settings files use it: one copy of the library
using namespace orlet;

// What the dialog framework says when a number box holds no number.
constexpr const char* kEnterWholeNumberMessage = "请输入一个正整数。";
constexpr const char* kEnterNumberMessage = "请输入一个数字。";

// How the page draws a control: the view's kind of control, except that of
// the displays a timer's unit is a word and its real period a line of its own.
enum class Look { Check, List, Number, Edit, Display, Word, Line };
constexpr const char* kLookNames[] = { "check", "list", "number", "edit", "display", "word", "line" };

Look LookOf(Control control)
{
    const std::optional<TimerBlockPart> block = TimerBlockPartOf(control);
    if (block && block->part == TimerPart::Unit)
        return Look::Word;
    if ((block && block->part == TimerPart::Actual) || control == Control::BaudActual)
        return Look::Line;
    switch (KindOf(control)) {
    case ControlKind::Box:
        return Look::Check;
    case ControlKind::List:
        return Look::List;
    case ControlKind::Number:
        return Look::Number;
    case ControlKind::Text:
        return Look::Edit;
    default:
        return Look::Display;
    }
}

// One control of the page: its name (the window template's object name, so
// that the page finds its captions there), the block it stands in, and the
// template's labels that stand before and after it.
struct ControlRow {
    Control control;
    std::string name;
    std::string block;
    std::string before;
    std::string after;
    bool captioned = false; // by its accessible name
};

struct TimerPartRow {
    TimerPart part;
    const char* name; // with %d for the timer's number
    const char* before;
};

// A timer's block in the order the page shows it.
constexpr TimerPartRow kTimerPartRows[] = {
    { TimerPart::Use, "useTimer%d", "" },
    { TimerPart::Clock, "timer%dClock", "" },
    { TimerPart::Gate, "gate%d", "" },
    { TimerPart::Postscale, "timer%dPostscale", "labelPostscale%d" },
    { TimerPart::Mode, "timer%dMode", "" },
    { TimerPart::Actual, "timer%dActual", "" },
    { TimerPart::Period, "timer%dPeriod", "" },
    { TimerPart::Unit, "timer%dUnit", "" },
    { TimerPart::Reload, "timer%dReload", "labelReload%d" },
};

std::string numbered(const char* pattern, int timer)
{
    char name[40];
    std::snprintf(name, sizeof name, pattern, timer);
    return name;
}

// A row of the page that is always the same: the controls before the timers'
// blocks and after them.
struct FixedRow {
    Control control;
    const char* name;
    const char* block;
    const char* before;
    const char* after;
};

constexpr FixedRow kRowsBeforeTimers[] = {
    { Control::ChipList, "chipList", "chip", "", "" },
    { Control::SixTCheck, "sixTCheck", "chip", "", "" },
    { Control::VendorHeader, "vendorHeader", "chip", "", "" },
    { Control::CrystalList, "crystalList", "crystal", "labelCrystal", "" },
    { Control::CustomMhz, "customMhz", "crystal", "", "labelMhz" },
    { Control::ExactCheck, "exactCheck", "crystal", "", "" },
    { Control::DriftFreeCheck, "driftFreeCheck", "crystal", "", "" },
    { Control::UseInt0, "useInt0", "groupINT0", "", "" },
    { Control::Int0Trigger, "int0Trigger", "groupINT0", "", "" },
    { Control::UseInt1, "useInt1", "groupINT1", "", "" },
    { Control::Int1Trigger, "int1Trigger", "groupINT1", "", "" },
};

constexpr FixedRow kRowsAfterTimers[] = {
    { Control::UseUart, "useUart", "groupUART", "", "" },
    { Control::UartInterrupt, "uartInterrupt", "groupUART", "", "" },
    { Control::DoubleBaud, "doubleBaud", "groupUART", "", "" },
    { Control::BaudList, "baudList", "groupUART", "", "labelBps" },
    { Control::BaudReload, "baudReload", "groupUART", "labelBaudReload", "" },
    { Control::BaudError, "baudError", "groupUART", "", "" },
    { Control::BaudActual, "baudActual", "groupUART", "", "" },
    { Control::BaudFixes, "baudFixes", "groupUART", "", "" },
    { Control::UartTimer2, "uartTimer2", "groupUART", "", "" },
    { Control::CopyCheck, "copyCheck", "output", "", "" },
    { Control::CommentCheck, "commentCheck", "output", "", "" },
};

void AddRows(std::vector<ControlRow>& rows, const FixedRow* first, const FixedRow* last)
{
    for (; first != last; ++first)
        rows.push_back({ first->control, first->name, first->block, first->before, first->after });
}

// Every control of the view, in the page's order.
const std::vector<ControlRow>& ControlRows()
{
    static const std::vector<ControlRow> rows = [] {
        std::vector<ControlRow> r;
        AddRows(r, std::begin(kRowsBeforeTimers), std::end(kRowsBeforeTimers));
        for (int timer = 0; timer < kTimerBlocks; ++timer) {
            const std::string block = numbered("groupTIME%d", timer);
            for (const TimerPartRow& part : kTimerPartRows)
                r.push_back({ TimerControl(timer, part.part), numbered(part.name, timer), block,
                    numbered(part.before, timer), "" });
        }
        AddRows(r, std::begin(kRowsAfterTimers), std::end(kRowsAfterTimers));
        // A control the page has no place for yet stands in a block of its
        // own, captioned with its accessible name.
        for (int c = 0; c < int(Control::Count); ++c) {
            const auto placed = [c](const ControlRow& row) { return row.control == Control(c); };
            if (std::none_of(r.begin(), r.end(), placed))
                r.push_back({ Control(c), "control" + std::to_string(c), "more", "", "", true });
        }
        return r;
    }();
    return rows;
}

const ControlRow* FindControl(const std::string& name)
{
    for (const ControlRow& row : ControlRows()) {
        if (row.name == name)
            return &row;
    }
    return nullptr;
}

// Every field of an answer goes in through one of these, kept out of line:
// nlohmann's constructors then stand once in the wasm rather than at each
// field, where they cost the page kilobytes.
[[gnu::noinline]] void Put(json& object, const char* key, json&& value)
{
    object[key] = std::move(value);
}

[[gnu::noinline]] void PutText(json& object, const char* key, const std::string& text)
{
    Put(object, key, json(text));
}

[[gnu::noinline]] void PutFlag(json& object, const char* key, bool flag)
{
    Put(object, key, json(flag));
}

[[gnu::noinline]] void PutNumber(json& object, const char* key, std::int64_t number)
{
    Put(object, key, json(number));
}

[[gnu::noinline]] void PutTexts(json& object, const char* key, const std::vector<std::string>& texts)
{
    json list = json::array();
    for (const std::string& text : texts)
        list.push_back(json(text));
    Put(object, key, std::move(list));
}

// An answer of one text: {key: text}.
[[gnu::noinline]] json Said(const char* key, const std::string& text)
{
    json answer = json::object();
    PutText(answer, key, text);
    return answer;
}

WindowModel& Model()
{
    static WindowModel model;
    return model;
}

json ViewJson(const WindowModel& model)
{
    const WindowView view = ViewOf(model);
    json controls = json::array();
    for (const ControlRow& row : ControlRows()) {
        const ControlView& c = view[row.control];
        const Look look = LookOf(row.control);
        json shown = json::object();
        PutText(shown, "name", row.name);
        PutText(shown, "kind", kLookNames[int(look)]);
        PutText(shown, "block", row.block);
        PutFlag(shown, "visible", c.visible);
        PutFlag(shown, "enabled", c.enabled);
        PutText(shown, "text", c.text);
        PutText(shown, "tooltip", c.tooltip);
        PutText(shown, "accessibleName", c.accessibleName);
        if (!row.before.empty())
            PutText(shown, "before", row.before);
        if (!row.after.empty())
            PutText(shown, "after", row.after);
        if (row.captioned && look != Look::Check)
            PutText(shown, "caption", c.accessibleName);
        if (c.warning)
            PutFlag(shown, "warning", true);
        if (c.checked)
            PutFlag(shown, "checked", *c.checked);
        if (look == Look::List) {
            PutTexts(shown, "items", c.items);
            PutNumber(shown, "index", c.index);
            if (!c.values.empty() || !c.headings.empty()) {
                json values = json::array();
                for (int i = 0; i < int(c.items.size()); ++i)
                    values.push_back(json(std::int64_t(ListValueAt(c, i))));
                Put(shown, "values", std::move(values));
                json headings = json::array();
                for (const auto& [position, caption] : c.headings) {
                    json heading = json::array();
                    heading.push_back(json(std::int64_t(position)));
                    heading.push_back(json(caption));
                    headings.push_back(std::move(heading));
                }
                Put(shown, "headings", std::move(headings));
            }
        }
        controls.push_back(std::move(shown));
    }
    json labels = json::object();
    if (view.timer2BlockShown)
        PutText(labels, "labelReload2", view.timer2ReloadCaption);
    json answer = json::object();
    Put(answer, "controls", std::move(controls));
    Put(answer, "labels", std::move(labels));
    // The window's menu choice, outside its view.
    PutText(answer, "dialect", model.dialect == Dialect::Sdcc ? "sdcc" : "keil");
    return answer;
}

json NoticeJson(const std::string& text, const WindowModel& shown)
{
    json notice = Said("text", text);
    Put(notice, "view", ViewJson(shown));
    return notice;
}

template <typename T> std::optional<T> Member(const json& object, const char* name)
{
    const auto found = object.find(name);
    if (found == object.end())
        return std::nullopt;
    if constexpr (std::is_same_v<T, bool>) {
        if (found->is_boolean())
            return found->get<bool>();
    } else if constexpr (std::is_same_v<T, int>) {
        if (found->is_number_integer())
            return found->get<int>();
    } else if (found->is_string()) {
        return found->get<std::string>();
    }
    return std::nullopt;
}

// The user's change as the control reports it. A number box whose text is
// no number keeps its number, with the framework's message, raised while
// the box still shows what was typed.
UserChange ChangeOf(Control control, const json& change, json& notices)
{
    switch (KindOf(control)) {
    case ControlKind::Box:
        return UserChange::Tick(control, Member<bool>(change, "checked").value_or(false));
    case ControlKind::Text:
        return UserChange::Text(control, Member<std::string>(change, "text").value_or(""));
    case ControlKind::Number: {
        const std::string text = Member<std::string>(change, "text").value_or("");
        const std::optional<std::uint32_t> number = ParseUnsignedDecimal(TrimBlanks(text));
        if (!number)
            notices.push_back(Said("text", kEnterWholeNumberMessage));
        return UserChange::Number(control, number);
    }
    default: {
        const int item = Member<int>(change, "index").value_or(-1);
        // The rate list's "其他…": the rate its dialog handed back, 0 where it was cancelled.
        if (const std::optional<int> typed = Member<int>(change, "typedBaud"))
            return UserChange::OtherBaud(item, std::uint32_t(std::max(*typed, 0)));
        // The crystal list's custom entry carries what the custom-frequency
        // dialog handed back; the default frequency where it was cancelled.
        const std::optional<std::string> custom = Member<std::string>(change, "customMhz");
        const std::optional<float> mhz = custom ? ParseSingleDecimal(*custom) : std::nullopt;
        return UserChange::Choice(control, item, mhz.value_or(kDefaultCustomMhz));
    }
    }
}

json Act(std::string_view changeText)
{
    // Read as the settings files are, so that the wasm holds one JSON reader.
    const json change = json::parse(changeText.begin(), changeText.end(), nullptr, false);
    const ControlRow* row
        = change.is_object() ? FindControl(Member<std::string>(change, "control").value_or("")) : nullptr;
    if (row == nullptr)
        return Said("error", "no such control");
    json notices = json::array();
    const Transition done = OnUserChange(Model(), ChangeOf(row->control, change, notices));
    for (const Notice& notice : done.notices)
        notices.push_back(NoticeJson(MessageText(notice.message), notice.shown));
    if (!notices.empty())
        PutText(notices.back(), "focus", row->name);
    Model() = done.model;
    json answer = json::object();
    Put(answer, "notices", std::move(notices));
    Put(answer, "view", ViewJson(Model()));
    return answer;
}

// Generate: the text for the settings shown, or why none is written.
json Generate()
{
    if (const std::optional<Message> refusal = GenerateRefusal(Model()))
        return Said("message", MessageText(*refusal));
    json answer = Said("source", BuildSourceText(SettingsFor(Model()), Model().dialect));
    PutFlag(answer, "copy", Model().copy);
    return answer;
}

// The custom-frequency dialog's box: what it says about the text typed, and
// at OK whether the dialog may close.
json CheckCustomMhz(const std::string& text, bool closing)
{
    const std::optional<float> mhz = ParseSingleDecimal(text);
    if (!mhz)
        return Said("message", kEnterNumberMessage);
    if (!closing && !IsCustomMhzAccepted(*mhz)) {
        json answer = Said("message", kCustomMhzRangeMessage);
        PutText(answer, "caption", kCustomMhzCaption);
        PutText(answer, "icon", "stop");
        PutText(answer, "text", "12");
        return answer;
    }
    return json::object();
}

// The rate dialog's box at OK: why the rate typed cannot be taken, if it
// cannot; the dialog then stays open.
json CheckBaud(const std::string& text)
{
    const std::optional<std::uint32_t> rate = ParseUnsignedDecimal(TrimBlanks(text));
    if (!rate)
        return Said("message", kEnterWholeNumberMessage);
    if (const std::optional<Message> refused = BaudRateRefusal(Model(), *rate))
        return Said("message", MessageText(*refused));
    json answer = json::object();
    PutNumber(answer, "rate", *rate);
    return answer;
}

// The rate the dialog opens with: the one the list had.
json ShownBaud()
{
    json answer = json::object();
    PutNumber(answer, "rate", BaudRateAt(Model().baudIndex, Model().customBaud));
    return answer;
}

// Whether every block in use shows what it gives (a block just ticked shows
// no calculation yet), and TMOD as the window holds it: what orlet-gen,
// given the page's settings file, could not know. For the page's tests.
json Settled(const WindowModel& m)
{
    json answer = json::object();
    PutFlag(answer, "settled", IsSettled(m));
    PutNumber(answer, "tmod", m.tmod);
    return answer;
}

// Settings opened from a file or an address: the page shows them, or says
// why not and keeps what it shows. Copy is the page's own, not a setting.
json Open(const SettingsRead& read)
{
    if (!read.model)
        return Said("message", SettingsErrorText(*read.error));
    const bool copy = Model().copy;
    Model() = *read.model;
    Model().copy = copy;
    json answer = json::object();
    Put(answer, "view", ViewJson(Model()));
    return answer;
}

const char* Answer(const json& answer)
{
    static std::string text;
    text = answer.dump(-1, ' ', false, json::error_handler_t::replace);
    return text.c_str();
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* orlet_view()
{
    return Answer(ViewJson(Model()));
}

// The first state of the window.
EMSCRIPTEN_KEEPALIVE const char* orlet_reset()
{
    Model() = WindowModel();
    return orlet_view();
}

// {"control": name, "checked": bool | "index": n | "text": "..."}; the
// crystal list's custom entry carries the dialog's "customMhz" text, none
// when it was cancelled.
EMSCRIPTEN_KEEPALIVE const char* orlet_act(const char* change)
{
    return Answer(Act(change));
}

EMSCRIPTEN_KEEPALIVE const char* orlet_generate()
{
    return Answer(Generate());
}

EMSCRIPTEN_KEEPALIVE const char* orlet_check_custom_mhz(const char* text, int closing)
{
    return Answer(CheckCustomMhz(text, closing != 0));
}

EMSCRIPTEN_KEEPALIVE const char* orlet_check_baud(const char* text)
{
    return Answer(CheckBaud(text));
}

EMSCRIPTEN_KEEPALIVE const char* orlet_shown_baud()
{
    return Answer(ShownBaud());
}

// {"address": the settings as the part of the page's address after '#'}.
EMSCRIPTEN_KEEPALIVE const char* orlet_address()
{
    return Answer(Said("address", SettingsFragment(SettingsFileOf(Model()))));
}

EMSCRIPTEN_KEEPALIVE const char* orlet_open_address(const char* address)
{
    return Answer(Open(ReadSettingsFragment(address)));
}

// {"text": the settings file for what the page shows}.
EMSCRIPTEN_KEEPALIVE const char* orlet_settings_file()
{
    return Answer(Said("text", WriteSettingsFile(SettingsFileOf(Model()))));
}

EMSCRIPTEN_KEEPALIVE const char* orlet_open_settings_file(const char* text)
{
    return Answer(Open(ReadSettingsFile(text)));
}

// The compiler Generate writes for: "keil" or "sdcc", as the window's menu
// chooses it.
EMSCRIPTEN_KEEPALIVE const char* orlet_choose_dialect(const char* dialect)
{
    Model().dialect = std::string_view(dialect) == "sdcc" ? Dialect::Sdcc : Dialect::Keil;
    return orlet_view();
}

EMSCRIPTEN_KEEPALIVE const char* orlet_settled()
{
    return Answer(Settled(Model()));
}

// {"hex": the text's GBK bytes in hex}, or {} when a character has none.
EMSCRIPTEN_KEEPALIVE const char* orlet_gbk(const char* text)
{
    const std::optional<std::string> bytes = EncodeGbk(text);
    if (!bytes)
        return Answer(json::object());
    constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const char byte : *bytes) {
        hex += kDigits[static_cast<unsigned char>(byte) >> 4];
        hex += kDigits[byte & 0xF];
    }
    return Answer(Said("hex", hex));
}
}
