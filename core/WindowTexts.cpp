#include "WindowTexts.h"

#include "Messages.h"
#include "RoutineTiming.h"
#include "TextFormat.h"
#include "Tmod.h"

#include <cmath>
#include <vector>

namespace orlet {

namespace {

    using ull = unsigned long long;

    std::string joinLines(const std::vector<std::string>& lines)
    {
        std::string text;
        for (const std::string& line : lines) {
            if (!text.empty())
                text += '\n';
            text += line;
        }
        return text;
    }

    // A period with the unit that keeps it short: 993.92us, 50.000ms, 1.0000s.
    std::string periodText(double us)
    {
        if (us < 10000)
            return TextFormat("%.2fus", us);
        if (us < 1e6)
            return TextFormat("%.3fms", us / 1e3);
        return TextFormat("%.4fs", us / 1e6);
    }

    std::string secondsPerDay(double seconds)
    {
        return std::fabs(seconds) < 10 ? TextFormat("%+.1fs", seconds) : TextFormat("%+.0fs", seconds);
    }

    const char* counterName(CounterKind kind)
    {
        switch (kind) {
        case CounterKind::Bits13:
            return "13位";
        case CounterKind::Bits16:
            return "16位";
        case CounterKind::AutoReload8:
            break;
        case CounterKind::AutoReload16:
            return "16位自动重装";
        }
        return "8位自动重装";
    }

    std::string clockText(std::uint32_t clocksPerCount, bool sixT)
    {
        if (clocksPerCount == 1)
            return "每个时钟计数一次（1T）";
        if (sixT)
            return TextFormat("每 %u 个时钟计数一次（6T模式）", clocksPerCount);
        return TextFormat("每 %u 个时钟计数一次（12T）", clocksPerCount);
    }

    std::string latencyParts(const ReloadLatency& l)
    {
        std::string parts = TextFormat("调用与跳转 %u", l.entry);
        if (l.saves)
            parts += TextFormat("，保存ACC、PSW %u", l.saves);
        parts += TextFormat("，MOV THx %u", l.moves);
        if (l.loopWait)
            parts += TextFormat("，等主循环SJMP %u", l.loopWait);
        return parts;
    }

    std::string costText(const ChipSplitCost& cost)
    {
        std::string text = TextFormat("每秒 %.1f 次中断", cost.interruptsPerSecond);
        if (cost.cpuPercent)
            text += TextFormat("，占CPU约 %.2f%%", *cost.cpuPercent);
        return text;
    }

    // One timer's steps as the tooltip's lines: the classic arithmetic's in
    // machine cycles and TH0/TL0, the others' in counts and the chip's
    // registers. The limit and the CPU go into the real-period line and
    // --explain only.
    class TimerLines
    {
    public:
        explicit TimerLines(const TimerDerivation& d)
            : classic_(d.arithmetic == Arithmetic::Classic)
        {
        }

        std::vector<std::string> lines;

        void operator()(const step::Header& h)
        {
            if (classic_) {
                lines.push_back(h.counter
                        ? TextFormat("计数方式%d（%s），每 %u 个脉冲中断一次", h.mode, counterName(h.kind), h.value)
                        : TextFormat("定时方式%d（%s），周期 %u us", h.mode, counterName(h.kind), h.value));
            } else {
                lines.push_back(h.counter ? TextFormat("计数%s，每 %u 个脉冲中断一次", h.meaning, h.value)
                                          : TextFormat("定时%s，周期 %u us，%s", h.meaning, h.value,
                                              clockText(h.clocksPerCount, h.sixT).c_str()));
            }
        }

        void operator()(const step::Count& c)
        {
            switch (c.method) {
            case CountMethod::Pulses:
                lines.push_back(TextFormat("计数：n = %llu 个脉冲，与晶振无关", ull { c.count }));
                return;
            case CountMethod::ExactScaled:
                lines.push_back(TextFormat("计数：n = %u×%u/(%u×1000000) 四舍五入 = %llu", c.crystalHz, c.value,
                    c.clocksPerCount, ull { c.count }));
                return;
            case CountMethod::ExactHalfUp:
            case CountMethod::WholeMegahertz:
                break;
            }
            const ull formed = c.raised ? 0 : c.count;
            const bool exact = c.method == CountMethod::ExactHalfUp;
            std::string line = exact
                ? TextFormat("计数：按精确晶振四舍五入，n = ⌊%u×%u/12000000+0.5⌋ = %llu", c.crystalHz, c.value, formed)
                : TextFormat("计数：晶振按整数兆赫计（%u Hz 计为 %u MHz），n = ⌊%u×%u/12⌋ = %llu", c.crystalHz,
                    c.wholeMhz, c.wholeMhz, c.value, formed);
            if (c.raised)
                line += "，不足1个按1个计";
            line += " 个机器周期";
            if (exact && c.classicCount != c.count)
                line += TextFormat("（按整数兆赫为 %llu）", ull { c.classicCount });
            lines.push_back(line);
        }

        void operator()(const step::Limit&) { }

        void operator()(const step::Start& s)
        {
            const ull n = s.count;
            const unsigned high = s.high, low = s.low;
            if (!classic_) {
                lines.push_back(TextFormat("初值 = %u − %llu = %u：%s = 0x%02x，%s = 0x%02x", s.limit, n, s.start,
                    s.highName, high, s.lowName, low));
                return;
            }
            const int t = s.timer;
            const unsigned start = s.start % s.limit; // a count of 0 pulses starts from L, which wraps to 0
            const std::string head = TextFormat("初值：%u − %llu = %u", s.limit, n, s.start);
            if (s.kind == CounterKind::Bits13)
                lines.push_back(
                    head + TextFormat("，TH%d = %u/32 = 0x%x，TL%d = %u%%32 = 0x%x", t, start, high, t, start, low));
            else if (s.kind == CounterKind::Bits16)
                lines.push_back(head + TextFormat(" = 0x%04x，TH%d = 0x%x，TL%d = 0x%x", start, t, high, t, low));
            else
                lines.push_back(head + TextFormat(" = 0x%02x，TH%d = TL%d = 0x%x", start, t, t, low));
        }

        void operator()(const step::Period& p)
        {
            std::string line = classic_ ? TextFormat("实际周期：%llu×%u/%u Hz = %.4f us", ull { p.count },
                                   p.clocksPerCount, p.crystalHz, p.actualUs)
                                        : TextFormat("计数周期 %.2f us", p.actualUs);
            if (p.errorPercent) {
                line += classic_ ? TextFormat("，误差 %+.4f%%", *p.errorPercent)
                                 : TextFormat("，与 %u us 相差 %+.4f%%", p.value, *p.errorPercent);
            }
            lines.push_back(line);
        }

        void operator()(const step::Pulses&) { }

        void operator()(const step::Postscale& p)
        {
            std::string line = TextFormat("软件计数：每 %u 次中断执行一次用户代码", p.postscale);
            if (classic_ && !p.counter)
                line += TextFormat("，整个周期 %u×%.4f = %.4f us", p.postscale, p.actualUs, p.wholeUs);
            lines.push_back(line);
        }

        void operator()(const step::Interrupt& i)
        {
            if (!classic_) {
                if (i.kind == ReloadKind::Hardware)
                    lines.push_back("硬件自动重装：中断程序不重装，周期不受中断延迟影响");
                else if (!i.interruptCycles)
                    lines.push_back("中断程序重装初值：1T内核的中断延迟不在此计算之内");
                else
                    lines.push_back(
                        TextFormat("中断程序重装初值：中断间隔 %llu 个机器周期", ull { *i.interruptCycles }));
                return;
            }
            const int t = i.timer;
            if (i.kind == ReloadKind::Hardware) {
                lines.push_back("方式2由硬件自动重装，不另加机器周期");
            } else if (i.counter) {
                lines.push_back(TextFormat("中断程序重装TH%d、TL%d，溢出到重装之间来的脉冲不计入", t, t));
            } else if (i.kind == ReloadKind::RunningAdd) {
                lines.push_back(TextFormat("中断程序停表，把初值和停表的 %u 个机器周期加到已计的数上（TL%d += 0x%x，"
                                           "TH%d += 0x%x及进位），中断间隔即 %llu 个机器周期，与中断延迟无关",
                    i.runningAdd.stoppedCycles, t, unsigned { i.runningAdd.low }, t, unsigned { i.runningAdd.high },
                    ull { i.count }));
            } else {
                lines.push_back(TextFormat("中断程序重装TH%d、TL%d，溢出后已计的数丢失：中断间隔 %llu + %u = %llu 个"
                                           "机器周期（%s）",
                    t, t, ull { i.count }, i.latency.total(), ull { i.interruptCycles.value_or(0) },
                    latencyParts(i.latency).c_str()));
            }
        }

        void operator()(const step::Cpu&) { }

        void operator()(const step::Drift& d)
        {
            lines.push_back(
                TextFormat("累积误差：%+.1f ppm，每天 %s", d.drift.ppm, secondsPerDay(d.drift.secondsPerDay).c_str()));
        }

        void operator()(const step::HardwareSplit& h)
        {
            lines.push_back(
                TextFormat("方式2硬件重装无累积误差：周期框填 %u（%llu 个机器周期），× N 框填 %u（每秒 %.1f "
                           "次中断，占CPU约 %.2f%%）",
                    h.split.periodUs, ull { h.split.cycles }, h.split.postscale, h.cost.interruptsPerSecond,
                    h.cost.cpuPercent));
        }

    private:
        bool classic_;
    };

    class BaudLines
    {
    public:
        explicit BaudLines(const BaudDerivation& d)
            : d_(d)
            , classic_(d.arithmetic == Arithmetic::Classic)
        {
        }

        std::vector<std::string> lines;

        void operator()(const step::BaudSource& s)
        {
            if (classic_) {
                lines.push_back(TextFormat("%u bps，串口方式1，由定时器%d方式2产生；%s", s.rate, s.timer,
                    s.k == 2 ? "加倍（SMOD=1，k=2）" : "不加倍（k=1）"));
                return;
            }
            lines.push_back(TextFormat("%u bps，串口方式1，由定时器%d产生", s.rate, s.timer));
            lines.push_back(BaudFormula(*s.row, s.clocksPerCount));
        }

        void operator()(const step::BaudCount& c)
        {
            if (!classic_)
                return;
            if (c.fromQuotient) {
                lines.push_back(TextFormat("q = ⌊%u/%u⌋ = %u，余数舍去", c.crystalHz, c.rate, c.q));
                lines.push_back(TextFormat("x = k×q/32/12 = %d×%u/384 = %.4f", c.k, c.q, c.x));
            } else {
                lines.push_back(TextFormat(
                    "x = k×f/(384×波特率) = %d×%u/(384×%u) = %.4f，按精确晶振", c.k, c.crystalHz, c.rate, c.x));
            }
        }

        void operator()(const step::BaudReload& r)
        {
            if (classic_) {
                lines.push_back(TextFormat("n = x四舍五入 = %u，装入值 r = 256 − %u = %u = 0x%x，TH1 = TL1 = 0x%x", r.n,
                    r.n, r.reload, unsigned { r.low }, unsigned { r.low }));
            } else if (r.limit == 256) {
                lines.push_back(TextFormat("装入值 = 256 − %u = 0x%02x", r.n, unsigned { r.low }));
            } else {
                lines.push_back(TextFormat("装入值 = 65536 − %u = 0x%04x", r.n, r.reload));
            }
        }

        void operator()(const step::BaudRate& r)
        {
            if (classic_) {
                lines.push_back(TextFormat("实际波特率 = k×%u/(384×%u) = %.2f bps，与 %u bps 相差 %+.4f%%", r.crystalHz,
                    r.n, r.actualBaud, r.rate, r.deviationPercent));
            }
        }

        void operator()(const step::BaudError& e)
        {
            if (!classic_) {
                lines.push_back(TextFormat(
                    "实际波特率 %.2f bps，误差 %+.4f%%", d_.find<step::BaudRate>()->actualBaud, e.errorPercent));
                return;
            }
            lines.push_back(TextFormat("显示的误差 1 − n/x = %s（正值：n 向下舍入，位时间偏短）",
                TextFormat("%.4f%%", e.errorPercent).c_str()));
            lines.push_back("方式2由硬件自动重装，不另加机器周期");
        }

    private:
        const BaudDerivation& d_;
        bool classic_;
    };

    // The split the hardware reload keeps exact first, then the other one,
    // or that there is none.
    std::string splitHint(
        const std::optional<PostscaleSplit>& hardware, const std::optional<PostscaleSplit>& other, int mode)
    {
        if (!hardware) {
            return other ? TextFormat("可用 %uus × %u", other->periodUs, other->postscale)
                         : std::string("无法分解为整数微秒");
        }
        if (hardware->mode == mode)
            return TextFormat("可用 %uus × %u", hardware->periodUs, hardware->postscale);
        std::string text = TextFormat("可用 方式%d %uus × %u", hardware->mode, hardware->periodUs, hardware->postscale);
        if (other)
            text += TextFormat(" 或 %uus × %u", other->periodUs, other->postscale);
        return text;
    }

    // After a range error: the message, the limit, how the value was put
    // right and the splits that reach the period, with what each costs.
    std::string rangeTip(const RangeError& range, const TimerShown& shown)
    {
        const TimerRequest& r = range.request;
        const bool classic = shown.chip->arithmetic == Arithmetic::Classic;
        const std::string mode = ModeItemText(shown.chip, r.timer, r.mode + (r.counter ? 3 : 0));
        std::vector<std::string> lines { MessageText(range.message),
            r.counter ? TextFormat("%s最多计 %u 个脉冲，输入为 %u", mode.c_str(), range.longest, r.value)
                      : TextFormat("%s在此晶振下最多 %u us，输入为 %u us", mode.c_str(), range.longest, r.value),
            // The classic arithmetic computes nothing from the corrected value.
            classic ? TextFormat("TH%d、TL%d 置0，周期框改为 %u", r.timer, r.timer, range.longest)
                    : TextFormat("周期框改为 %u，初值按此计算", range.longest) };
        if (r.counter)
            return joinLines(lines);
        if (const auto& h = range.hardwareSplit) {
            lines.push_back(TextFormat("%s硬件重装无累积误差：周期框填 %u（%llu 个%s），× N 框填 %u（%s）",
                FindTimerMode(shown.chip.row(), r.timer, h->mode)->listWord, h->periodUs, ull { h->cycles },
                classic ? "机器周期" : "计数", h->postscale,
                costText(SplitCostOf(shown.chip, r, *h, shown.crystalHz, false)).c_str()));
        }
        if (const auto& other = range.split) {
            lines.push_back(
                TextFormat("用软件计数可达：周期框填 %u，× N 框填 %u（%s）", other->periodUs, other->postscale,
                    costText(SplitCostOf(shown.chip, r, *other, shown.crystalHz, shown.driftFree)).c_str()));
        }
        if (!range.split && !range.hardwareSplit)
            lines.push_back("此周期不能分解为整数微秒的多次中断");
        return joinLines(lines);
    }

    std::string driftFreeLimitLine(const DriftFreeLimit& limit)
    {
        if (limit.refusal.code == MessageCode::DriftFreeNeedsHardwareReload)
            return "无累积误差须16位自动重装";
        if (const auto& hardware = limit.hardwareSplit)
            return TextFormat("无累积误差 可用 方式2 %uus × %u", hardware->periodUs, hardware->postscale);
        return TextFormat(
            "无累积误差须%llu~%llu周期", ull { kMinRunningAddCycles }, ull { MaxRunningAddCycles(limit.mode) });
    }

    // The first line of the reload tooltip then: why, and that Generate
    // writes nothing.
    std::string driftFreeLimitNote(const DriftFreeLimit& limit)
    {
        if (limit.refusal.code == MessageCode::DriftFreeOutOfRange)
            return MessageText(limit.refusal) + TextFormat("，此为 %llu；“生成”不写代码", ull { limit.count });
        return MessageText(limit.refusal) + "；“生成”不写代码";
    }

} // namespace

std::string ModeItemText(Chip chip, int timer, int index)
{
    const ModeListEntry entry = ModeListEntryAt(index);
    const std::string kind = entry.counter ? "计数" : "定时";
    const ModeRow* mode = FindTimerMode(chip.row(), timer, entry.mode);
    return kind + (mode ? mode->listWord : "");
}

std::string TimerTip(const TimerDerivation& d)
{
    TimerLines lines(d);
    for (const TimerStep& s : d.steps)
        std::visit(lines, s);
    return joinLines(lines.lines);
}

std::string RealPeriodLine(const TimerDerivation& d)
{
    const step::Period* period = d.find<step::Period>();
    const step::Interrupt* interrupt = d.find<step::Interrupt>();
    if (period == nullptr)
        return {};
    // Where the routine reloads on a 1T core no cycle count describes it: the
    // line gives the counted period and says the reload's latency comes on top.
    if (!interrupt->interruptCycles)
        return "计数 " + periodText(period->wholeUs) + " 另加重装延迟";
    const step::Cpu* cpu = d.find<step::Cpu>();
    const step::Drift* drift = d.find<step::Drift>();
    // A period the routine cannot keep has no real figure to show.
    if (cpu && !cpu->share.periodKept())
        return "占CPU约 100%，周期无法保持";
    const double interruptUs
        = static_cast<double>(*interrupt->interruptCycles) * period->clocksPerCount * 1e6 / period->crystalHz;
    std::string text = "实际 " + periodText(interruptUs * period->postscale);
    if (drift)
        text += TextFormat(" %+.2f%%", drift->drift.ppm / 1e4);
    // The share takes the place of the drift a day (the tooltip keeps that),
    // so that the line still fits its two rows.
    if (cpu)
        text += TextFormat(" 占CPU约 %u%%", cpu->share.percent());
    else if (drift && drift->drift.ppm != 0)
        text += " 每天 " + secondsPerDay(drift->drift.secondsPerDay);
    return text;
}

TimerTexts TimerTextsOf(const TimerShown& shown)
{
    const std::string tip = shown.derivation ? TimerTip(*shown.derivation) : std::string();
    if (const auto& range = shown.range) {
        const std::string hint = splitHint(range->hardwareSplit, range->split, range->request.mode);
        return { range->request.counter ? std::string() : hint,
            rangeTip(*range, shown) + (tip.empty() ? "" : "\n" + tip) };
    }
    if (const auto& limit = shown.driftFreeLimit)
        return { driftFreeLimitLine(*limit), driftFreeLimitNote(*limit) + "\n" + tip };
    return { RealPeriodLine(*shown.derivation), tip };
}

std::string BaudTip(const BaudDerivation& d)
{
    BaudLines lines(d);
    for (const BaudStep& s : d.steps)
        std::visit(lines, s);
    return joinLines(lines.lines);
}

namespace {

    std::string rateText(double rate)
    {
        return TextFormat("%.2fbps", rate);
    }

    std::string fixChange(const BaudFix& fix)
    {
        switch (fix.kind) {
        case BaudFixKind::Doubling:
            return fix.doubled ? "加倍" : "不加倍";
        case BaudFixKind::Source:
            return TextFormat("用定时器%d", fix.uartTimer);
        case BaudFixKind::Clock:
            return TextFormat("定时器%d用%uT", fix.timer, fix.clock);
        case BaudFixKind::Crystal:
            return "晶振" + fix.crystalMhz + "MHz";
        case BaudFixKind::Rate:
            return TextFormat("改用%ubps", fix.result.rate);
        }
        return {};
    }

} // namespace

std::string RealRateLine(const BaudCalculation& baud)
{
    return "实际 " + rateText(baud.actualBaud) + " " + DeviationText(BaudDeviationPercent(baud));
}

std::string BaudFixText(const BaudFix& fix)
{
    return fixChange(fix) + " " + rateText(fix.result.actualBaud) + " " + DeviationText(fix.deviationPercent);
}

std::string BaudFixesTip(const std::vector<BaudFix>& fixes)
{
    std::vector<std::string> lines { TextFormat(
        "超出±%g%%：接收端在每位的中间采样，两端合计只容得下几个百分点的偏差。可以：", kBaudTolerancePercent) };
    for (const BaudFix& fix : fixes)
        lines.push_back(BaudFixText(fix));
    return joinLines(lines);
}

std::string BaudTableTip(const std::vector<BaudTableRow>& rows)
{
    std::vector<std::string> lines { "波特率：装入值，实际波特率，偏差" };
    for (const BaudTableRow& row : rows) {
        const BaudCalculation& b = row.baud;
        if (!b.fits) {
            lines.push_back(TextFormat("%u：无法产生", b.rate));
            continue;
        }
        const std::string mark = row.beyondTolerance ? TextFormat("（超出±%g%%）", kBaudTolerancePercent) : "";
        lines.push_back(TextFormat("%u：%s，%s，%s%s", b.rate, b.reloadText.c_str(), rateText(b.actualBaud).c_str(),
            DeviationText(row.deviationPercent).c_str(), mark.c_str()));
    }
    return joinLines(lines);
}

} // namespace orlet
