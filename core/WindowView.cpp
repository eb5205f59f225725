#include "WindowView.h"

#include "WindowTexts.h"

#include <algorithm>

namespace orlet {

namespace {

    // The trigger lists hold their items in GBK order: low level, falling edge.
    const std::vector<std::string> kTriggerItems { "低电平", "下降沿" };

    void select(ControlView& list, std::vector<std::string> items, int index)
    {
        list.items = std::move(items);
        list.index = index >= 0 && index < int(list.items.size()) ? index : -1;
        list.text = list.index < 0 ? std::string() : list.items.at(std::size_t(list.index));
    }

    void tick(ControlView& box, bool checked, bool enabled = true)
    {
        box.checked = checked;
        box.enabled = enabled;
    }

    void caption(ControlView& box, std::string text, std::string tooltip = {})
    {
        box.accessibleName = text;
        box.text = std::move(text);
        box.tooltip = std::move(tooltip);
    }

    std::vector<std::string> crystalItems()
    {
        std::vector<std::string> items;
        for (const CrystalEntry& entry : kCrystals)
            items.emplace_back(entry.text);
        items.emplace_back(kCustomCrystalText);
        return items;
    }

    // The chip list shows the table's rows in their order.
    std::vector<std::string> chipItems()
    {
        std::vector<std::string> items;
        for (const ChipRow& row : ChipRows())
            items.emplace_back(row.title);
        return items;
    }

    int chipIndex(Chip chip)
    {
        const auto rows = ChipRows();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (&rows[i] == &chip.row())
                return int(i);
        }
        return -1;
    }

    std::vector<std::string> baudItems(const WindowModel& m)
    {
        std::vector<std::string> items;
        for (std::uint32_t rate : kBaudRates)
            items.push_back(std::to_string(rate));
        if (m.customBaud != 0)
            items.push_back(std::to_string(m.customBaud));
        items.emplace_back(kOtherBaudText);
        return items;
    }

    // The real rate from the first calculation on, kept while the port is
    // off as the reload and the error are; in red beyond the tolerance,
    // with what would fix it beside it.
    void viewRealRate(WindowView& v, const WindowModel& m)
    {
        ControlView& line = v[Control::BaudActual];
        ControlView& fixes = v[Control::BaudFixes];
        line.visible = m.baudRun && m.baudRun->baud.fits;
        line.enabled = m.useUart;
        fixes.visible = false;
        fixes.accessibleName = "波特率改正";
        if (!line.visible)
            return;
        const BaudCalculation& baud = m.baudRun->baud;
        line.text = RealRateLine(baud);
        line.warning = BeyondTolerance(baud);
        const std::vector<BaudFix> found = BaudFixesFor(m);
        if (found.empty())
            return;
        std::vector<std::string> items { kBaudFixesCaption };
        for (const BaudFix& fix : found)
            items.push_back(BaudFixText(fix));
        select(fixes, std::move(items), 0);
        fixes.visible = true;
        line.tooltip = BaudFixesTip(found);
        fixes.tooltip = line.tooltip;
    }

    // The window names timer 2's modes for the 8052 until a chip with timer
    // 2 renames them; where the chip has none they are not shown.
    Chip modesNamedBy(Chip chip, int timer)
    {
        return TimerOf(chip.row(), timer) != nullptr ? chip : ChipNamed("8052");
    }

    int modesListed(Chip chip, int timer)
    {
        return int(TimerOf(modesNamedBy(chip, timer).row(), timer)->modes.size());
    }

    // A timer's mode list: its modes as a timer, then as a counter.
    std::vector<std::string> modeItems(Chip chip, int timer)
    {
        const Chip named = modesNamedBy(chip, timer);
        const int modes = modesListed(chip, timer);
        std::vector<std::string> items;
        for (int counter = 0; counter < 2; ++counter) {
            for (int mode = 0; mode < modes; ++mode)
                items.push_back(ModeItemText(named, timer, 3 * counter + mode));
        }
        return items;
    }

    // The serial port takes its timer over: the timer's use box and block
    // are locked while the port is in use.
    bool lockedByUart(const WindowModel& m, int timer)
    {
        return m.useUart && m.uartTimer == timer;
    }

    std::string timerName(int timer)
    {
        return "定时器" + std::to_string(timer) + ' ';
    }

    void nameTimerBlock(WindowView& v, const WindowModel& m, int timer)
    {
        const auto part = [&](TimerPart p) -> ControlView& { return v[TimerControl(timer, p)]; };
        const std::string n = std::to_string(timer);
        const TimerState& t = m.timer(timer);
        caption(part(TimerPart::Use), "使用TIMER" + n);
        caption(part(TimerPart::Gate), "GATE" + n);
        caption(
            part(TimerPart::Clock), "1T", "定时器" + n + "每个系统时钟计数一次（1T）；不选则每12个时钟计数一次（12T）");
        part(TimerPart::Clock).accessibleName = timerName(timer) + "1T";
        part(TimerPart::Mode).accessibleName = timerName(timer) + "工作方式";
        part(TimerPart::Period).accessibleName
            = timerName(timer) + (t.unit == "plus" ? "计数值(" : "定时时间(") + t.unit + ')';
        part(TimerPart::Postscale).accessibleName = timerName(timer) + "软件计数(×N)";
        part(TimerPart::Postscale).tooltip = "软件计数：每N次中断执行一次用户代码（1~65535）";
    }

    void viewTimer(WindowView& v, const WindowModel& m, int timer)
    {
        const auto part = [&](TimerPart p) -> ControlView& { return v[TimerControl(timer, p)]; };
        const TimerState& t = m.timer(timer);
        const TimerRow* row = TimerOf(m.chip.row(), timer);
        const bool shown = row != nullptr || timer < 2;
        const bool block = t.use && !lockedByUart(m, timer);
        // The block's controls follow its use box; the unit and the clock
        // box stay enabled.
        for (int p = 0; p < kTimerParts; ++p) {
            ControlView& c = part(TimerPart(p));
            c.visible = shown;
            c.enabled = block || TimerPart(p) == TimerPart::Unit || TimerPart(p) == TimerPart::Clock;
        }
        nameTimerBlock(v, m, timer);
        tick(part(TimerPart::Use), t.use, !lockedByUart(m, timer));
        select(part(TimerPart::Mode), modeItems(m.chip, timer), ModeListItem(m.chip, timer, t.modeIndex));
        // GATE follows its block, but not in a counter mode the list was set
        // to since the use box was ticked.
        tick(part(TimerPart::Gate), t.gate, block && t.gateEnabled);
        part(TimerPart::Gate).visible = shown && (row == nullptr || row->control == TimerControl::Tmod);
        part(TimerPart::Period).text = std::to_string(t.time);
        part(TimerPart::Unit).text = t.unit;
        part(TimerPart::Reload).text = t.reloadText;
        part(TimerPart::Postscale).text = std::to_string(t.postscale);
        tick(part(TimerPart::Clock), t.clock == 1);
        part(TimerPart::Clock).visible = shown && row != nullptr && row->clocks.size() > 1;
        if (const std::optional<TimerShown> described = DescribeTimer(m, timer)) {
            const TimerTexts texts = TimerTextsOf(*described);
            part(TimerPart::Actual).text = texts.line;
            part(TimerPart::Reload).tooltip = texts.tip;
        }
    }

    void viewOptions(WindowView& v, const WindowModel& m)
    {
        const ChipRow& row = m.chip.row();
        caption(v[Control::UseInt0], "INT0中断");
        tick(v[Control::UseInt0], m.useInt0);
        select(v[Control::Int0Trigger], kTriggerItems, m.trigger0);
        v[Control::Int0Trigger].enabled = m.useInt0;
        v[Control::Int0Trigger].accessibleName = "INT0 触发方式";
        caption(v[Control::UseInt1], "INT1中断");
        tick(v[Control::UseInt1], m.useInt1);
        select(v[Control::Int1Trigger], kTriggerItems, m.trigger1);
        v[Control::Int1Trigger].enabled = m.useInt1;
        v[Control::Int1Trigger].accessibleName = "INT1 触发方式";

        select(v[Control::CrystalList], crystalItems(), m.crystalIndex);
        v[Control::CrystalList].accessibleName = "晶振(MHz)";
        v[Control::CustomMhz].text = m.customMhzText;
        v[Control::CustomMhz].enabled = false; // it shows the custom frequency; the dialog asks for it
        v[Control::CustomMhz].accessibleName = "自定义晶振(MHz)";
        select(v[Control::ChipList], chipItems(), chipIndex(m.chip));
        v[Control::ChipList].tooltip = "芯片：定时器的时钟、方式和代码按所选芯片计算";
        v[Control::ChipList].accessibleName = "芯片";
        caption(v[Control::SixTCheck], "6T模式", "每个机器周期6个时钟：定时器和波特率都快一倍（下载程序时选择）");
        tick(v[Control::SixTCheck], m.sixT);
        v[Control::SixTCheck].visible = row.offersSixT;
        caption(v[Control::ExactCheck], "精确计算", "按晶振的精确频率计算计数值并四舍五入，不再只取整数MHz");
        tick(v[Control::ExactCheck], m.exact);
        caption(v[Control::DriftFreeCheck], "无累积误差",
            "方式0、1的中断程序把初值加到已计的数上：中断间隔正好是计数值，不随中断延迟变长");
        tick(v[Control::DriftFreeCheck], m.driftFree);
        v[Control::VendorHeader].text = m.vendorHeader;
        v[Control::VendorHeader].visible = row.acceptsVendorHeader;
        v[Control::VendorHeader].tooltip
            = "填入STC的头文件名（如 STC15F2K60S2.H）：代码包含它，不再声明AUXR等寄存器；空着则声明";
        v[Control::VendorHeader].accessibleName = "厂商头文件";
        caption(v[Control::CommentCheck], "注释");
        tick(v[Control::CommentCheck], m.comments);
        caption(v[Control::CopyCheck], "copy");
        tick(v[Control::CopyCheck], m.copy);
    }

    void viewSerialPort(WindowView& v, const WindowModel& m)
    {
        caption(v[Control::UseUart], "使用串口");
        tick(v[Control::UseUart], m.useUart);
        select(v[Control::BaudList], baudItems(m), m.baudIndex);
        v[Control::BaudList].accessibleName = "波特率(bps)";
        caption(v[Control::DoubleBaud], "加倍(PCON|=0x80)");
        tick(v[Control::DoubleBaud], m.doubleBaud, m.useUart && SmodDoublesRate(m));
        caption(v[Control::UartInterrupt], "使用中断");
        v[Control::UartInterrupt].accessibleName = "串口 使用中断";
        tick(v[Control::UartInterrupt], m.uartInterrupt);
        caption(v[Control::UartTimer2], "用定时器2产生波特率", "串口的波特率由定时器2产生，定时器1可另作他用");
        tick(v[Control::UartTimer2], m.uartTimer == 2);
        v[Control::UartTimer2].visible = BaudSourceOnTimer(m.chip.row(), 2) != nullptr;
        v[Control::BaudReload].text = m.baudReloadText;
        v[Control::BaudError].text = m.baudErrorText;
        const std::optional<BaudDerivation> baud = DescribeBaud(m);
        for (Control c : { Control::BaudList, Control::UartInterrupt, Control::UartTimer2, Control::BaudReload,
                 Control::BaudError }) {
            v[c].enabled = m.useUart;
            if (KindOf(c) == ControlKind::Display && baud)
                v[c].tooltip = BaudTip(*baud);
        }
        if (m.useUart)
            v[Control::BaudList].tooltip = BaudTableTip(BaudTable(m.chip, m.crystalHz, BaudRequestOf(m)));
        viewRealRate(v, m);
    }

} // namespace

std::optional<TimerBlockPart> TimerBlockPartOf(Control control)
{
    const int offset = static_cast<int>(control) - static_cast<int>(Control::TimerBlocks);
    if (offset < 0)
        return std::nullopt;
    return TimerBlockPart { offset / kTimerParts, TimerPart(offset % kTimerParts) };
}

ControlKind KindOf(Control control)
{
    if (const std::optional<TimerBlockPart> block = TimerBlockPartOf(control)) {
        switch (block->part) {
        case TimerPart::Mode:
            return ControlKind::List;
        case TimerPart::Period:
        case TimerPart::Postscale:
            return ControlKind::Number;
        case TimerPart::Unit:
        case TimerPart::Reload:
        case TimerPart::Actual:
            return ControlKind::Display;
        default:
            return ControlKind::Box;
        }
    }
    switch (control) {
    case Control::Int0Trigger:
    case Control::Int1Trigger:
    case Control::CrystalList:
    case Control::ChipList:
    case Control::BaudList:
    case Control::BaudFixes:
        return ControlKind::List;
    case Control::VendorHeader:
        return ControlKind::Text;
    case Control::CustomMhz:
    case Control::BaudReload:
    case Control::BaudError:
    case Control::BaudActual:
        return ControlKind::Display;
    default:
        return ControlKind::Box;
    }
}

int OtherBaudItem(const WindowModel& model)
{
    return kCustomBaudIndex + (model.customBaud != 0 ? 1 : 0);
}

int ModeListItem(Chip chip, int timer, int modeIndex)
{
    const ModeListEntry entry = ModeListEntryAt(modeIndex);
    return (entry.counter ? modesListed(chip, timer) : 0) + entry.mode;
}

int ModeIndexOfListItem(Chip chip, int timer, int item)
{
    const int modes = modesListed(chip, timer);
    item = std::max(item, 0);
    return item < modes ? item : 3 + item - modes;
}

WindowView ViewOf(const WindowModel& m)
{
    WindowView v;
    viewOptions(v, m);
    viewSerialPort(v, m);
    for (int timer = 0; timer < kTimerBlocks; ++timer)
        viewTimer(v, m, timer);
    v.timer2BlockShown = m.chip->timers[2] != nullptr;
    const TimerRow& timer2 = *TimerOf(modesNamedBy(m.chip, 2).row(), 2);
    v.timer2ReloadCaption = std::string(timer2.reloadHigh) + ',' + timer2.reloadLow;
    return v;
}

} // namespace orlet
