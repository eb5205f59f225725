#include "UserChange.h"

namespace orlet {

namespace {

    Transition unchanged(WindowModel model)
    {
        return { std::move(model), {} };
    }

    Transition onTimerChange(const WindowModel& before, WindowModel m, TimerBlockPart block)
    {
        const int timer = block.timer;
        switch (block.part) {
        case TimerPart::Use:
            return OnUseTimer(std::move(m), timer);
        case TimerPart::Mode:
            return OnModeChange(std::move(m), timer);
        case TimerPart::Gate:
            return OnGate(std::move(m), timer);
        case TimerPart::Period:
            return UpdateTimerReload(std::move(m), timer);
        case TimerPart::Postscale:
            return OnPostscaleChange(std::move(m), timer, before.timer(timer).postscale);
        case TimerPart::Clock:
            return OnTimerClockChange(std::move(m), timer);
        default:
            return unchanged(std::move(m));
        }
    }

    void readTimerChange(WindowModel& m, const UserChange& change, TimerBlockPart block)
    {
        TimerState& t = m.timer(block.timer);
        switch (block.part) {
        case TimerPart::Use:
            t.use = change.checked;
            break;
        case TimerPart::Mode:
            t.modeIndex = ModeIndexOfListItem(m.chip, block.timer, change.item);
            break;
        case TimerPart::Gate:
            t.gate = change.checked;
            break;
        case TimerPart::Period:
            t.time = change.number.value_or(t.time);
            break;
        case TimerPart::Postscale:
            t.postscale = change.number.value_or(t.postscale);
            break;
        case TimerPart::Clock:
            t.clock = change.checked ? 1 : 12;
            break;
        default:
            break;
        }
    }

    Transition fixChosen(WindowModel m, int item)
    {
        const std::vector<BaudFix> fixes = BaudFixesFor(m);
        if (item < 1 || item > int(fixes.size()))
            return unchanged(std::move(m));
        return ApplyBaudFix(std::move(m), fixes.at(std::size_t(item - 1)));
    }

} // namespace

UserChange UserChange::Tick(Control control, bool checked)
{
    UserChange change;
    change.control = control;
    change.checked = checked;
    return change;
}

UserChange UserChange::Choice(Control control, int item, float customMhz)
{
    UserChange change;
    change.control = control;
    change.item = item;
    change.customMhz = customMhz;
    return change;
}

UserChange UserChange::OtherBaud(int item, std::uint32_t typedBaud)
{
    UserChange change = Choice(Control::BaudList, item);
    change.typedBaud = typedBaud;
    return change;
}

UserChange UserChange::Number(Control control, std::optional<std::uint32_t> number)
{
    UserChange change;
    change.control = control;
    change.number = number;
    return change;
}

UserChange UserChange::Text(Control control, std::string text)
{
    UserChange change;
    change.control = control;
    change.text = std::move(text);
    return change;
}

WindowModel WithUserChange(WindowModel m, const UserChange& change)
{
    if (const std::optional<TimerBlockPart> block = TimerBlockPartOf(change.control)) {
        readTimerChange(m, change, *block);
        return m;
    }
    switch (change.control) {
    case Control::UseInt0:
        m.useInt0 = change.checked;
        break;
    case Control::Int0Trigger:
        m.trigger0 = change.item;
        break;
    case Control::UseInt1:
        m.useInt1 = change.checked;
        break;
    case Control::Int1Trigger:
        m.trigger1 = change.item;
        break;
    case Control::CrystalList:
        m.crystalIndex = change.item;
        break;
    case Control::ChipList:
        if (change.item >= 0 && change.item < int(ChipRows().size()))
            m.chip = Chip(ChipRows()[std::size_t(change.item)]);
        break;
    case Control::SixTCheck:
        m.sixT = change.checked;
        break;
    case Control::ExactCheck:
        m.exact = change.checked;
        break;
    case Control::DriftFreeCheck:
        m.driftFree = change.checked;
        break;
    case Control::VendorHeader:
        // As typed: the core rule refuses blanks around it at Generate
        // rather than the window cutting them off unseen.
        m.vendorHeader = change.text;
        break;
    case Control::CommentCheck:
        m.comments = change.checked;
        break;
    case Control::CopyCheck:
        m.copy = change.checked;
        break;
    case Control::UseUart:
        m.useUart = change.checked;
        break;
    case Control::BaudList:
        // "其他…" is no rate: the list keeps its rate until one is typed.
        if (change.item != OtherBaudItem(m))
            m.baudIndex = change.item;
        break;
    case Control::DoubleBaud:
        m.doubleBaud = change.checked;
        break;
    case Control::UartInterrupt:
        m.uartInterrupt = change.checked;
        break;
    case Control::UartTimer2:
        m.uartTimer = change.checked ? 2 : 1;
        break;
    default:
        break;
    }
    return m;
}

Transition OnUserChange(const WindowModel& before, const UserChange& change)
{
    WindowModel m = WithUserChange(before, change);
    if (const std::optional<TimerBlockPart> block = TimerBlockPartOf(change.control))
        return onTimerChange(before, std::move(m), *block);
    switch (change.control) {
    case Control::CrystalList:
        return OnCrystalChange(std::move(m), change.customMhz);
    case Control::ChipList:
        return OnChipChange(std::move(m));
    case Control::SixTCheck:
        return OnSixTChange(std::move(m));
    case Control::ExactCheck:
        return OnExactChange(std::move(m));
    case Control::DriftFreeCheck:
        return OnDriftFreeChange(std::move(m));
    case Control::UseUart:
        return OnUseUart(std::move(m));
    case Control::BaudList:
        if (change.item == OtherBaudItem(before))
            return change.typedBaud != 0 ? OnCustomBaud(std::move(m), change.typedBaud) : unchanged(std::move(m));
        return UpdateBaudReload(std::move(m));
    case Control::BaudFixes:
        return fixChosen(std::move(m), change.item);
    case Control::DoubleBaud:
        return OnDoubleBaud(std::move(m));
    case Control::UartTimer2:
        return OnUartTimerChange(std::move(m));
    default:
        return unchanged(std::move(m));
    }
}

} // namespace orlet
