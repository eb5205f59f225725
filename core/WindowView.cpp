#include "WindowView.h"

#include "WindowTexts.h"

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

    std::vector<std::string> crystalItems()
    {
        std::vector<std::string> items;
        for (const CrystalEntry& entry : kCrystals)
            items.emplace_back(entry.text);
        items.emplace_back(kCustomCrystalText);
        return items;
    }

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

    std::vector<std::string> baudItems()
    {
        std::vector<std::string> items;
        for (std::uint32_t rate : kBaudRates)
            items.push_back(std::to_string(rate));
        return items;
    }

    // A timer's mode list: its modes as a timer, then as a counter. The
    // window names timer 2's for the 8052 until a chip with timer 2 renames
    // them; where the chip has none they are not shown.
    std::vector<std::string> modeItems(Chip chip, int timer)
    {
        const TimerRow* row = TimerOf(chip.row(), timer);
        const Chip named = row != nullptr ? chip : ChipNamed("8052");
        const int modes = int(TimerOf(named.row(), timer)->modes.size());
        std::vector<std::string> items;
        for (int counter = 0; counter < 2; ++counter) {
            for (int mode = 0; mode < modes; ++mode)
                items.push_back(ModeItemText(named, timer, 3 * counter + mode));
        }
        return items;
    }

    int modeItem(int modeIndex, int modes)
    {
        const ModeListEntry entry = ModeListEntryAt(modeIndex);
        return (entry.counter ? modes : 0) + entry.mode;
    }

    // The serial port takes its timer over: the timer's use box and block
    // are locked while the port is in use.
    bool lockedByUart(const WindowModel& m, int timer)
    {
        return m.useUart && m.uartTimer == timer;
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
        tick(part(TimerPart::Use), t.use, !lockedByUart(m, timer));
        const std::vector<std::string> modes = modeItems(m.chip, timer);
        select(part(TimerPart::Mode), modes, modeItem(t.modeIndex, int(modes.size()) / 2));
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
        part(TimerPart::Use).enabled = !lockedByUart(m, timer);
        if (const std::optional<TimerShown> described = DescribeTimer(m, timer)) {
            const TimerTexts texts = TimerTextsOf(*described);
            part(TimerPart::Actual).text = texts.line;
            part(TimerPart::Reload).tooltip = texts.tip;
        } else {
            part(TimerPart::Reload).tooltip = std::string();
        }
    }

} // namespace

WindowView ViewOf(const WindowModel& m)
{
    WindowView v;
    const ChipRow& row = m.chip.row();
    tick(v[Control::UseInt0], m.useInt0);
    select(v[Control::Int0Trigger], kTriggerItems, m.trigger0);
    v[Control::Int0Trigger].enabled = m.useInt0;
    tick(v[Control::UseInt1], m.useInt1);
    select(v[Control::Int1Trigger], kTriggerItems, m.trigger1);
    v[Control::Int1Trigger].enabled = m.useInt1;

    select(v[Control::CrystalList], crystalItems(), m.crystalIndex);
    v[Control::CustomMhz].text = m.customMhzText;
    v[Control::CustomMhz].enabled = false; // it shows the custom frequency; the dialog asks for it
    select(v[Control::ChipList], chipItems(), chipIndex(m.chip));
    tick(v[Control::SixTCheck], m.sixT);
    v[Control::SixTCheck].visible = row.offersSixT;
    tick(v[Control::ExactCheck], m.exact);
    tick(v[Control::DriftFreeCheck], m.driftFree);
    v[Control::VendorHeader].text = m.vendorHeader;
    v[Control::VendorHeader].visible = row.acceptsVendorHeader;
    tick(v[Control::CommentCheck], m.comments);
    tick(v[Control::CopyCheck], m.copy);

    tick(v[Control::UseUart], m.useUart);
    select(v[Control::BaudList], baudItems(), m.baudIndex);
    tick(v[Control::DoubleBaud], m.doubleBaud, m.useUart && SmodDoublesRate(m));
    tick(v[Control::UartInterrupt], m.uartInterrupt);
    tick(v[Control::UartTimer2], m.uartTimer == 2);
    v[Control::UartTimer2].visible = BaudSourceOnTimer(row, 2) != nullptr;
    v[Control::BaudReload].text = m.baudReloadText;
    v[Control::BaudError].text = m.baudErrorText;
    const std::optional<BaudDerivation> baud = DescribeBaud(m);
    for (Control c :
        { Control::BaudList, Control::UartInterrupt, Control::UartTimer2, Control::BaudReload, Control::BaudError }) {
        v[c].enabled = m.useUart;
        if (c == Control::BaudReload || c == Control::BaudError)
            v[c].tooltip = baud ? BaudTip(*baud) : std::string();
    }

    for (int timer = 0; timer < kTimerBlocks; ++timer)
        viewTimer(v, m, timer);
    v.timer2BlockShown = row.timers[2] != nullptr;
    if (const TimerRow* timer2 = row.timers[2])
        v.timer2ReloadCaption = std::string(timer2->reloadHigh) + ',' + timer2->reloadLow;
    return v;
}

} // namespace orlet
