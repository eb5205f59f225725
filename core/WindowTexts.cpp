#include "WindowTexts.h"

#include "ChipTiming.h"
#include "Messages.h"
#include "RoutineTiming.h"
#include "TextFormat.h"
#include "Tmod.h"

#include <cmath>
#include <vector>

namespace orlet {

namespace {

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

    const char* modeName(int mode)
    {
        switch (mode) {
        case 0:
            return "13位";
        case 1:
            return "16位";
        default:
            return "8位自动重装";
        }
    }

    std::string headerLine(const TimerDerivation& d)
    {
        if (d.counter)
            return TextFormat("计数方式%d（%s），每 %u 个脉冲中断一次", d.mode, modeName(d.mode), d.value);
        return TextFormat("定时方式%d（%s），周期 %u us", d.mode, modeName(d.mode), d.value);
    }

    std::string countLine(std::uint32_t crystalHz, const TimerDerivation& d)
    {
        const auto count = static_cast<unsigned long long>(d.count);
        if (d.counter)
            return TextFormat("计数：n = %llu 个脉冲，与晶振无关", count);
        const unsigned long long formed = d.countRaised ? 0 : count;
        std::string line = d.exact
            ? TextFormat("计数：按精确晶振四舍五入，n = ⌊%u×%u/12000000+0.5⌋ = %llu", crystalHz, d.value, formed)
            : TextFormat("计数：晶振按整数兆赫计（%u Hz 计为 %u MHz），n = ⌊%u×%u/12⌋ = %llu", crystalHz, d.wholeMhz,
                d.wholeMhz, d.value, formed);
        if (d.countRaised)
            line += "，不足1个按1个计";
        line += " 个机器周期";
        if (d.exact && d.classicCount != d.count)
            line += TextFormat("（按整数兆赫为 %llu）", static_cast<unsigned long long>(d.classicCount));
        return line;
    }

    std::string startLine(int timer, const TimerDerivation& d)
    {
        const unsigned start = d.start % d.limit; // a count of 0 pulses starts from L, which wraps to 0
        const std::string head
            = TextFormat("初值：%u − %llu = %u", d.limit, static_cast<unsigned long long>(d.count), d.start);
        const unsigned th = d.th, tl = d.tl;
        switch (d.mode) {
        case 0:
            return head + TextFormat("，TH%d = %u/32 = 0x%x，TL%d = %u%%32 = 0x%x", timer, start, th, timer, start, tl);
        case 1:
            return head + TextFormat(" = 0x%04x，TH%d = 0x%x，TL%d = 0x%x", start, timer, th, timer, tl);
        default:
            return head + TextFormat(" = 0x%02x，TH%d = TL%d = 0x%x", start, timer, timer, tl);
        }
    }

    std::string realPeriodLine(std::uint32_t crystalHz, const TimerDerivation& d)
    {
        std::string line = TextFormat(
            "实际周期：%llu×12/%u Hz = %.4f us", static_cast<unsigned long long>(d.count), crystalHz, d.actualPeriodUs);
        if (d.periodErrorPercent)
            line += TextFormat("，误差 %+.4f%%", *d.periodErrorPercent);
        return line;
    }

    std::string postscaleLine(const TimerDerivation& d)
    {
        std::string line = TextFormat("软件计数：每 %u 次中断执行一次用户代码", d.postscale);
        if (!d.counter)
            line += TextFormat("，整个周期 %u×%.4f = %.4f us", d.postscale, d.actualPeriodUs, d.wholePeriodUs);
        return line;
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

    std::string reloadLine(int timer, const TimerDerivation& d)
    {
        if (d.mode == 2)
            return "方式2由硬件自动重装，不另加机器周期";
        if (d.counter)
            return TextFormat("中断程序重装TH%d、TL%d，溢出到重装之间来的脉冲不计入", timer, timer);
        if (d.runningAdd) {
            return TextFormat("中断程序停表，把初值和停表的 %u 个机器周期加到已计的数上（TL%d += 0x%x，TH%d += 0x%x"
                              "及进位），中断间隔即 %llu 个机器周期，与中断延迟无关",
                d.runningAdd->stoppedCycles, timer, unsigned { d.runningAdd->low }, timer,
                unsigned { d.runningAdd->high }, static_cast<unsigned long long>(d.count));
        }
        return TextFormat("中断程序重装TH%d、TL%d，溢出后已计的数丢失：中断间隔 %llu + %u = %llu 个机器周期（%s）",
            timer, timer, static_cast<unsigned long long>(d.count), d.latency.total(),
            static_cast<unsigned long long>(d.interruptCycles), latencyParts(d.latency).c_str());
    }

    std::string driftLine(const TimerDerivation& d)
    {
        return TextFormat("累积误差：%+.1f ppm，每天 %s", d.drift->ppm, secondsPerDay(d.drift->secondsPerDay).c_str());
    }

    std::string costText(const PostscaleSplit& split, int mode, std::uint32_t crystalHz, bool driftFree)
    {
        const SplitCost cost = CostOf(split, mode, crystalHz, driftFree);
        return TextFormat("每秒 %.1f 次中断，占CPU约 %.2f%%", cost.interruptsPerSecond, cost.cpuPercent);
    }

    std::string hardwareSplitLine(const PostscaleSplit& h, int mode, std::uint32_t crystalHz)
    {
        return TextFormat("方式2硬件重装无累积误差：周期框填 %u（%llu 个机器周期），× N 框填 %u（%s）", h.periodUs,
            static_cast<unsigned long long>(h.cycles), h.postscale, costText(h, mode, crystalHz, false).c_str());
    }

    // The split of the timer's own mode adds nothing new when the hardware
    // split is the same one.
    bool sameSplit(const PostscaleSplit& hardware, const std::optional<PostscaleSplit>& other, int mode)
    {
        return mode == 2 && other && other->periodUs == hardware.periodUs && other->postscale == hardware.postscale;
    }

} // namespace

std::string RealPeriodLine(const TimerTiming& timing)
{
    const std::optional<CpuShare>& share = timing.cpuShare;
    // A period the routine cannot keep has no real figure to show.
    if (share && !share->periodKept())
        return "占CPU约 100%，周期无法保持";
    std::string text = "实际 " + periodText(timing.interruptPeriodUs * timing.postscale);
    if (timing.drift)
        text += TextFormat(" %+.2f%%", timing.drift->ppm / 1e4);
    // The share takes the place of the drift a day (the tooltip keeps
    // that), so that the line still fits its two rows.
    if (share)
        text += TextFormat(" 占CPU约 %u%%", share->percent());
    else if (timing.drift && timing.drift->ppm != 0)
        text += " 每天 " + secondsPerDay(timing.drift->secondsPerDay);
    return text;
}

std::string RangeHintLine(const TimerTiming& timing, int mode)
{
    const auto& hardware = timing.hardwareSplit;
    const auto& other = timing.split;
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

std::string DriftFreeLimitLine(const TimerTiming& timing, int mode)
{
    if (const auto& hardware = timing.hardwareSplit)
        return TextFormat("无累积误差 可用 方式2 %uus × %u", hardware->periodUs, hardware->postscale);
    return TextFormat("无累积误差须%llu~%llu周期", static_cast<unsigned long long>(kMinRunningAddCycles),
        static_cast<unsigned long long>(MaxRunningAddCycles(mode)));
}

std::string DriftFreeLimitNote(int mode, std::uint64_t count)
{
    return MessageText({ MessageCode::DriftFreeOutOfRange, mode })
        + TextFormat("，此为 %llu；“生成”不写代码", static_cast<unsigned long long>(count));
}

std::string TimerDerivationTip(int timer, std::uint32_t crystalHz, const TimerDerivation& d)
{
    std::vector<std::string> lines { headerLine(d), countLine(crystalHz, d), startLine(timer, d) };
    if (!d.counter)
        lines.push_back(realPeriodLine(crystalHz, d));
    if (d.postscale > 1)
        lines.push_back(postscaleLine(d));
    lines.push_back(reloadLine(timer, d));
    if (!d.counter && d.drift)
        lines.push_back(driftLine(d));
    if (d.hardwareSplit)
        lines.push_back(hardwareSplitLine(*d.hardwareSplit, d.mode, crystalHz));
    return joinLines(lines);
}

std::string TimerRangeTip(int timer, bool counter, int mode, std::uint32_t asked, const TimerReload& reload,
    const TimerTiming& timing, std::uint32_t crystalHz)
{
    const std::string limit = counter
        ? TextFormat("计数方式%d最多计 %u 个脉冲，输入为 %u", mode, reload.corrected, asked)
        : TextFormat("定时方式%d在此晶振下最多 %u us，输入为 %u us", mode, reload.corrected, asked);
    std::vector<std::string> lines { reload.message, limit,
        TextFormat("TH%d、TL%d 置0，周期框改为 %u", timer, timer, reload.corrected) };
    if (counter)
        return joinLines(lines);
    if (timing.hardwareSplit)
        lines.push_back(hardwareSplitLine(*timing.hardwareSplit, mode, crystalHz));
    if (timing.split && !(timing.hardwareSplit && sameSplit(*timing.hardwareSplit, timing.split, mode))) {
        lines.push_back(TextFormat("用软件计数可达：周期框填 %u，× N 框填 %u（%s）", timing.split->periodUs,
            timing.split->postscale, costText(*timing.split, mode, crystalHz, timing.driftFree).c_str()));
    }
    if (!timing.split && !timing.hardwareSplit)
        lines.push_back("此周期不能分解为整数微秒的多次中断");
    return joinLines(lines);
}

std::string BaudDerivationTip(std::uint32_t crystalHz, const BaudDerivation& b)
{
    std::vector<std::string> lines;
    lines.push_back(TextFormat(
        "%u bps，串口方式1，由定时器1方式2产生；%s", b.rate, b.k == 2 ? "加倍（SMOD=1，k=2）" : "不加倍（k=1）"));
    if (b.exact) {
        lines.push_back(
            TextFormat("x = k×f/(384×波特率) = %d×%u/(384×%u) = %.4f，按精确晶振", b.k, crystalHz, b.rate, b.x));
    } else {
        lines.push_back(TextFormat("q = ⌊%u/%u⌋ = %u，余数舍去", crystalHz, b.rate, b.q));
        lines.push_back(TextFormat("x = k×q/32/12 = %d×%u/384 = %.4f", b.k, b.q, b.x));
    }
    lines.push_back(TextFormat("n = x四舍五入 = %d，装入值 r = 256 − %d = %d = 0x%x，TH1 = TL1 = 0x%x", b.n, b.n,
        256 - b.n, unsigned { b.reload }, unsigned { b.reload }));
    lines.push_back(TextFormat("实际波特率 = k×%u/(384×%d) = %.2f bps，与 %u bps 相差 %+.4f%%", crystalHz, b.n,
        b.actualBaud, b.rate, b.rateDeviationPercent));
    lines.push_back(TextFormat("显示的误差 1 − n/x = %s（正值：n 向下舍入，位时间偏短）", b.errorText.c_str()));
    lines.push_back("方式2由硬件自动重装，不另加机器周期");
    return joinLines(lines);
}

std::string ModeItemText(Chip chip, int timer, int index)
{
    const ModeListEntry entry = ModeListEntryAt(index);
    const std::string kind = entry.counter ? "计数" : "定时";
    const ModeRow* mode = FindTimerMode(chip.row(), timer, entry.mode);
    return kind + (mode ? mode->listWord : "");
}

namespace {

    std::string clockText(std::uint32_t clocksPerCount, bool sixT)
    {
        if (clocksPerCount == 1)
            return "每个时钟计数一次（1T）";
        if (sixT)
            return TextFormat("每 %u 个时钟计数一次（6T模式）", clocksPerCount);
        return TextFormat("每 %u 个时钟计数一次（12T）", clocksPerCount);
    }

    std::string chipStartLine(const ChipTimerDerivation& d)
    {
        const auto n = static_cast<unsigned long long>(d.count);
        return TextFormat("初值 = %u − %llu = %u：%s = 0x%02x，%s = 0x%02x", d.limit, n, d.start, d.highName,
            unsigned { d.high }, d.lowName, unsigned { d.low });
    }

    double interruptPeriodUs(const ChipTimerDerivation& d, std::uint32_t crystalHz)
    {
        return static_cast<double>(*d.interruptCycles) * d.clocksPerCount * 1e6 / crystalHz;
    }

} // namespace

std::string ChipRealPeriodLine(const ChipTimerDerivation& d, std::uint32_t crystalHz)
{
    if (!d.interruptCycles)
        return "计数 " + periodText(d.wholePeriodUs) + " 另加重装延迟";
    TimerTiming timing;
    timing.postscale = d.postscale;
    timing.interruptPeriodUs = interruptPeriodUs(d, crystalHz);
    timing.drift = d.drift;
    timing.cpuShare = d.cpuShare;
    return RealPeriodLine(timing);
}

std::string ChipTimerDerivationTip(const ChipTimerDerivation& d, std::uint32_t crystalHz, bool sixT)
{
    const auto n = static_cast<unsigned long long>(d.count);
    std::vector<std::string> lines;
    if (d.counter) {
        lines.push_back(TextFormat("计数%s，每 %u 个脉冲中断一次", d.meaning, d.value));
        lines.push_back(TextFormat("计数：n = %llu 个脉冲，与晶振无关", n));
    } else {
        lines.push_back(
            TextFormat("定时%s，周期 %u us，%s", d.meaning, d.value, clockText(d.clocksPerCount, sixT).c_str()));
        lines.push_back(
            TextFormat("计数：n = %u×%u/(%u×1000000) 四舍五入 = %llu", crystalHz, d.value, d.clocksPerCount, n));
    }
    lines.push_back(chipStartLine(d));
    if (!d.counter) {
        std::string real = TextFormat("计数周期 %.2f us", d.actualPeriodUs);
        if (d.periodErrorPercent)
            real += TextFormat("，与 %u us 相差 %+.4f%%", d.value, *d.periodErrorPercent);
        lines.push_back(real);
    }
    if (d.postscale > 1)
        lines.push_back(TextFormat("软件计数：每 %u 次中断执行一次用户代码", d.postscale));
    if (d.hardwareReload)
        lines.push_back("硬件自动重装：中断程序不重装，周期不受中断延迟影响");
    else if (!d.interruptCycles)
        lines.push_back("中断程序重装初值：1T内核的中断延迟不在此计算之内");
    else if (!d.counter)
        lines.push_back(TextFormat(
            "中断程序重装初值：中断间隔 %llu 个机器周期", static_cast<unsigned long long>(*d.interruptCycles)));
    if (!d.counter && d.drift)
        lines.push_back(
            TextFormat("累积误差：%+.1f ppm，每天 %s", d.drift->ppm, secondsPerDay(d.drift->secondsPerDay).c_str()));
    return joinLines(lines);
}

std::string ChipBaudDerivationTip(const ChipBaudDerivation& d)
{
    const BaudSourceRow& source = *d.source;
    const ChipBaud& baud = d.baud;
    const std::uint32_t rate = d.rate;
    std::vector<std::string> lines;
    lines.push_back(TextFormat("%u bps，串口方式1，由定时器%d产生", rate, source.timer));
    lines.push_back(BaudFormula(source, baud.clocksPerCount));
    if (source.limit == 256)
        lines.push_back(TextFormat("装入值 = 256 − %u = 0x%02x", baud.count, unsigned { baud.low }));
    else
        lines.push_back(TextFormat("装入值 = 65536 − %u = 0x%04x", baud.count, baud.reload));
    lines.push_back(TextFormat("实际波特率 %.2f bps，误差 %+.4f%%", baud.actualBaud, baud.errorPercent));
    return joinLines(lines);
}

namespace {

    // How the window names a timer's mode on the chip: "方式2" on the classic
    // timers 0 and 1, what it does elsewhere ("16位自动重装").
    std::string modeWords(Chip chip, int timer, int mode)
    {
        return FindTimerMode(chip.row(), timer, mode)->listWord;
    }

    std::string chipCostText(
        Chip chip, const ChipRangeError& range, const PostscaleSplit& split, std::uint32_t crystalHz, bool driftFree)
    {
        const ChipSplitCost cost = ChipCostOf(chip, range, split, crystalHz, driftFree);
        std::string text = TextFormat("每秒 %.1f 次中断", cost.interruptsPerSecond);
        if (cost.cpuPercent)
            text += TextFormat("，占CPU约 %.2f%%", *cost.cpuPercent);
        return text;
    }

} // namespace

std::string ChipRangeHintLine(const ChipRangeError& range)
{
    TimerTiming timing;
    timing.hardwareSplit = range.hardwareSplit;
    timing.split = range.split;
    return RangeHintLine(timing, range.request.mode);
}

std::string ChipRangeTip(const ChipRangeError& range, Chip chip, std::uint32_t crystalHz, bool driftFree)
{
    const ChipTimerRequest& r = range.request;
    const std::string mode = ModeItemText(chip, r.timer, r.mode + (r.counter ? 3 : 0));
    std::vector<std::string> lines { MessageText(range.message),
        r.counter ? TextFormat("%s最多计 %u 个脉冲，输入为 %u", mode.c_str(), range.longest, r.value)
                  : TextFormat("%s在此晶振下最多 %u us，输入为 %u us", mode.c_str(), range.longest, r.value),
        TextFormat("周期框改为 %u，初值按此计算", range.longest) };
    if (r.counter)
        return joinLines(lines);
    if (const auto& h = range.hardwareSplit) {
        lines.push_back(TextFormat("%s硬件重装无累积误差：周期框填 %u（%llu 个计数），× N 框填 %u（%s）",
            modeWords(chip, r.timer, h->mode).c_str(), h->periodUs, static_cast<unsigned long long>(h->cycles),
            h->postscale, chipCostText(chip, range, *h, crystalHz, false).c_str()));
    }
    if (const auto& other = range.split) {
        lines.push_back(TextFormat("用软件计数可达：周期框填 %u，× N 框填 %u（%s）", other->periodUs, other->postscale,
            chipCostText(chip, range, *other, crystalHz, driftFree).c_str()));
    }
    if (!range.split && !range.hardwareSplit)
        lines.push_back("此周期不能分解为整数微秒的多次中断");
    return joinLines(lines);
}

std::string ChipDriftFreeLimitLine(const ChipDriftFreeLimit& limit)
{
    if (limit.refusal.code == MessageCode::DriftFreeNeedsHardwareReload)
        return "无累积误差须16位自动重装";
    TimerTiming timing;
    timing.hardwareSplit = limit.hardwareSplit;
    return DriftFreeLimitLine(timing, limit.mode);
}

std::string ChipDriftFreeLimitNote(const ChipDriftFreeLimit& limit)
{
    if (limit.refusal.code == MessageCode::DriftFreeOutOfRange)
        return DriftFreeLimitNote(limit.mode, limit.count);
    return MessageText(limit.refusal) + "；“生成”不写代码";
}

} // namespace orlet
