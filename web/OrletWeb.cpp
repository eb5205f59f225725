// The page's way into the core. The window's model lives here, and only
// here: the page sends the user's change to one control, this runs the
// window's handler for it and answers with what every control shows (the
// view) and the messages raised on the way. All JSON, UTF-8.

#include "Configuration.h"
#include "Crystal.h"
#include "DecimalText.h"
#include "Gbk.h"
#include "Messages.h"
#include "SourceGenerator.h"
#include "Tmod.h"
#include "WindowModel.h"
#include "WindowView.h"

#include <emscripten/emscripten.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

using nlohmann::json;
using namespace orlet;

// What the dialog framework says when a number box holds no number.
constexpr const char* kEnterWholeNumberMessage = "请输入一个正整数。";
constexpr const char* kEnterNumberMessage = "请输入一个数字。";

// How the page draws a control: a box to tick, a list, a box for digits or
// any text, a framed display, a word or a line of its own.
enum class Kind { Check, List, Number, Edit, Display, Text, Line };
constexpr const char* kKindNames[] = { "check", "list", "number", "edit", "display", "text", "line" };

// One control of the page: its name (the window template's object name, so
// that the page finds its caption and tooltip there), the block it stands
// in, and the template's labels that stand before and after it.
struct ControlRow {
    Control control;
    std::string name;
    Kind kind;
    std::string block;
    std::string before;
    std::string after;
};

struct TimerPartRow {
    TimerPart part;
    const char* name; // with %d for the timer's number
    Kind kind;
    const char* before;
};

// A timer's block in the order the page shows it.
constexpr TimerPartRow kTimerPartRows[] = {
    { TimerPart::Use, "useTimer%d", Kind::Check, "" },
    { TimerPart::Clock, "timer%dClock", Kind::Check, "" },
    { TimerPart::Gate, "gate%d", Kind::Check, "" },
    { TimerPart::Postscale, "timer%dPostscale", Kind::Number, "labelPostscale%d" },
    { TimerPart::Mode, "timer%dMode", Kind::List, "" },
    { TimerPart::Actual, "timer%dActual", Kind::Line, "" },
    { TimerPart::Period, "timer%dPeriod", Kind::Number, "" },
    { TimerPart::Unit, "timer%dUnit", Kind::Text, "" },
    { TimerPart::Reload, "timer%dReload", Kind::Display, "labelReload%d" },
};

std::string numbered(const char* pattern, int timer)
{
    char name[40];
    std::snprintf(name, sizeof name, pattern, timer);
    return name;
}

// Every control of the view, in the page's order.
const std::vector<ControlRow>& ControlRows()
{
    static const std::vector<ControlRow> rows = [] {
        std::vector<ControlRow> r {
            { Control::ChipList, "chipList", Kind::List, "chip", "", "" },
            { Control::SixTCheck, "sixTCheck", Kind::Check, "chip", "", "" },
            { Control::VendorHeader, "vendorHeader", Kind::Edit, "chip", "", "" },
            { Control::CrystalList, "crystalList", Kind::List, "crystal", "labelCrystal", "" },
            { Control::CustomMhz, "customMhz", Kind::Display, "crystal", "", "labelMhz" },
            { Control::ExactCheck, "exactCheck", Kind::Check, "crystal", "", "" },
            { Control::DriftFreeCheck, "driftFreeCheck", Kind::Check, "crystal", "", "" },
            { Control::UseInt0, "useInt0", Kind::Check, "groupINT0", "", "" },
            { Control::Int0Trigger, "int0Trigger", Kind::List, "groupINT0", "", "" },
            { Control::UseInt1, "useInt1", Kind::Check, "groupINT1", "", "" },
            { Control::Int1Trigger, "int1Trigger", Kind::List, "groupINT1", "", "" },
        };
        for (int timer = 0; timer < kTimerBlocks; ++timer) {
            const std::string block = numbered("groupTIME%d", timer);
            for (const TimerPartRow& part : kTimerPartRows)
                r.push_back({ TimerControl(timer, part.part), numbered(part.name, timer), part.kind, block,
                    numbered(part.before, timer), "" });
        }
        const ControlRow uart[] = {
            { Control::UseUart, "useUart", Kind::Check, "groupUART", "", "" },
            { Control::UartInterrupt, "uartInterrupt", Kind::Check, "groupUART", "", "" },
            { Control::DoubleBaud, "doubleBaud", Kind::Check, "groupUART", "", "" },
            { Control::BaudList, "baudList", Kind::List, "groupUART", "", "labelBps" },
            { Control::BaudReload, "baudReload", Kind::Display, "groupUART", "labelBaudReload", "" },
            { Control::BaudError, "baudError", Kind::Display, "groupUART", "", "" },
            { Control::UartTimer2, "uartTimer2", Kind::Check, "groupUART", "", "" },
            { Control::CopyCheck, "copyCheck", Kind::Check, "output", "", "" },
            { Control::CommentCheck, "commentCheck", Kind::Check, "output", "", "" },
        };
        r.insert(r.end(), std::begin(uart), std::end(uart));
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
        json shown { { "name", row.name }, { "kind", kKindNames[int(row.kind)] }, { "block", row.block },
            { "visible", c.visible }, { "enabled", c.enabled }, { "text", c.text } };
        if (!row.before.empty())
            shown["before"] = row.before;
        if (!row.after.empty())
            shown["after"] = row.after;
        if (c.checked)
            shown["checked"] = *c.checked;
        if (row.kind == Kind::List) {
            shown["items"] = c.items;
            shown["index"] = c.index;
        }
        if (c.tooltip)
            shown["tooltip"] = *c.tooltip;
        controls.push_back(std::move(shown));
    }
    json labels = json::object();
    if (view.timer2BlockShown)
        labels["labelReload2"] = view.timer2ReloadCaption;
    return { { "controls", std::move(controls) }, { "labels", std::move(labels) } };
}

json NoticeJson(const std::string& text, const WindowModel& shown)
{
    return { { "text", text }, { "view", ViewJson(shown) } };
}

// A mode list holds its timer's modes as a timer, then as a counter; the
// model counts three of each.
int ModeIndexOfItem(int item, int itemCount)
{
    const int modes = itemCount / 2;
    return item < modes ? item : 3 + item - modes;
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

// The user's change to one box of a timer's block, as the window's handler
// for it reads it into the model and runs its transition. A number box
// whose text is no number keeps its number, with the framework's message.
Transition ChangeTimer(WindowModel m, int timer, TimerPart part, const json& change, json& notices)
{
    TimerState& t = m.timer(timer);
    const bool checked = Member<bool>(change, "checked").value_or(false);
    const auto number = [&](std::uint32_t& value) {
        const std::string text = Member<std::string>(change, "text").value_or("");
        if (const std::optional<std::uint32_t> parsed = ParseUnsignedDecimal(TrimBlanks(text)))
            value = *parsed;
        else // raised while the box still shows what was typed
            notices.push_back({ { "text", kEnterWholeNumberMessage } });
    };
    switch (part) {
    case TimerPart::Use:
        t.use = checked;
        return OnUseTimer(m, timer);
    case TimerPart::Gate:
        t.gate = checked;
        return OnGate(m, timer);
    case TimerPart::Mode: {
        const int items = int(ViewOf(m)[TimerControl(timer, part)].items.size());
        t.modeIndex = ModeIndexOfItem(Member<int>(change, "index").value_or(0), items);
        return OnModeChange(m, timer);
    }
    case TimerPart::Period:
        number(t.time);
        return UpdateTimerReload(m, timer);
    case TimerPart::Postscale: {
        const std::uint32_t before = t.postscale;
        number(t.postscale);
        return OnPostscaleChange(m, timer, before);
    }
    case TimerPart::Clock:
        t.clock = checked ? 1 : 12;
        return OnTimerClockChange(m, timer);
    default:
        return { m, {} };
    }
}

Transition Change(WindowModel m, Control control, const json& change, json& notices)
{
    const int first = int(Control::TimerBlocks);
    if (int(control) >= first) {
        const int timer = (int(control) - first) / kTimerParts;
        return ChangeTimer(m, timer, TimerPart((int(control) - first) % kTimerParts), change, notices);
    }
    const bool checked = Member<bool>(change, "checked").value_or(false);
    const int index = Member<int>(change, "index").value_or(-1);
    switch (control) {
    case Control::UseInt0:
        m.useInt0 = checked;
        break;
    case Control::Int0Trigger:
        m.trigger0 = index;
        break;
    case Control::UseInt1:
        m.useInt1 = checked;
        break;
    case Control::Int1Trigger:
        m.trigger1 = index;
        break;
    case Control::CommentCheck:
        m.comments = checked;
        break;
    case Control::CopyCheck:
        m.copy = checked;
        break;
    case Control::UartInterrupt:
        m.uartInterrupt = checked;
        break;
    case Control::VendorHeader:
        m.vendorHeader = Member<std::string>(change, "text").value_or("");
        break;
    case Control::CrystalList: {
        m.crystalIndex = index;
        const std::optional<std::string> custom = Member<std::string>(change, "customMhz");
        const std::optional<float> mhz = custom ? ParseSingleDecimal(*custom) : std::nullopt;
        return OnCrystalChange(m, mhz.value_or(kDefaultCustomMhz));
    }
    case Control::ChipList:
        if (index >= 0 && index < int(ChipRows().size()))
            m.chip = Chip(ChipRows()[std::size_t(index)]);
        return OnChipChange(m);
    case Control::SixTCheck:
        m.sixT = checked;
        return OnSixTChange(m);
    case Control::ExactCheck:
        m.exact = checked;
        return OnExactChange(m);
    case Control::DriftFreeCheck:
        m.driftFree = checked;
        return OnDriftFreeChange(m);
    case Control::UseUart:
        m.useUart = checked;
        return OnUseUart(m);
    case Control::BaudList:
        m.baudIndex = index;
        return UpdateBaudReload(m);
    case Control::DoubleBaud:
        m.doubleBaud = checked;
        return OnDoubleBaud(m);
    case Control::UartTimer2:
        m.uartTimer = checked ? 2 : 1;
        return OnUartTimerChange(m);
    default:
        break;
    }
    return { m, {} };
}

json Act(const std::string& changeText)
{
    const json change = json::parse(changeText, nullptr, false);
    const ControlRow* row
        = change.is_object() ? FindControl(Member<std::string>(change, "control").value_or("")) : nullptr;
    if (row == nullptr)
        return { { "error", "no such control" } };
    json notices = json::array();
    const Transition done = Change(Model(), row->control, change, notices);
    for (const Notice& notice : done.notices)
        notices.push_back(NoticeJson(MessageText(notice.message), notice.shown));
    if (!notices.empty())
        notices.back()["focus"] = row->name;
    Model() = done.model;
    return { { "notices", std::move(notices) }, { "view", ViewJson(Model()) } };
}

// Generate: the text for the settings shown, or why none is written.
json Generate()
{
    if (const std::optional<Message> refusal = GenerateRefusal(Model()))
        return { { "message", MessageText(*refusal) } };
    return { { "source", BuildSourceText(SettingsFor(Model())) }, { "copy", Model().copy } };
}

// The custom-frequency dialog's box: what it says about the text typed, and
// at OK whether the dialog may close.
json CheckCustomMhz(const std::string& text, bool closing)
{
    const std::optional<float> mhz = ParseSingleDecimal(text);
    if (!mhz)
        return { { "message", kEnterNumberMessage } };
    if (!closing && !IsCustomMhzAccepted(*mhz)) {
        return { { "message", kCustomMhzRangeMessage }, { "caption", kCustomMhzCaption }, { "icon", "stop" },
            { "text", "12" } };
    }
    return json::object();
}

// The configuration the model stands for, as orlet-gen would be asked for
// it, and whether every block in use shows what it gives.
json ConfigurationJson(const WindowModel& m)
{
    const Configuration c = ConfigurationOf(m);
    const auto trigger = [](const std::optional<TriggerMode>& t) -> json {
        if (!t)
            return nullptr;
        return *t == TriggerMode::Level ? "level" : "falling";
    };
    json timers = json::array();
    for (const TimerConfig& t : c.timers) {
        timers.push_back({ { "enabled", t.enabled }, { "counter", t.counter }, { "mode", t.mode }, { "value", t.value },
            { "gate", t.gate }, { "postscale", t.postscale }, { "clock", t.clock ? json(*t.clock) : json(nullptr) } });
    }
    return { { "crystalHz", c.crystalHz }, { "comments", c.comments }, { "int0", trigger(c.int0) },
        { "int1", trigger(c.int1) }, { "timers", std::move(timers) },
        { "baud", c.uartBaudIndex ? json(kBaudRates.at(std::size_t(*c.uartBaudIndex))) : json(nullptr) },
        { "doubleBaud", c.uartDoubleBaud }, { "uartInterrupt", c.uartInterrupt },
        { "exact", c.precision == Precision::Exact }, { "driftFree", c.driftFree }, { "chip", c.chip.key() },
        { "sixT", c.sixT }, { "uartTimer", c.uartTimer },
        { "vendorHeader", c.vendorHeader ? json(*c.vendorHeader) : json(nullptr) }, { "settled", IsSettled(m) },
        { "tmod", m.tmod } };
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

EMSCRIPTEN_KEEPALIVE const char* orlet_configuration()
{
    return Answer(ConfigurationJson(Model()));
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
    return Answer({ { "hex", hex } });
}
}
