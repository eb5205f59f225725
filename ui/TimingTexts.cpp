#include "TimingTexts.h"

#include <QStringList>

namespace {

// A period with the unit that keeps it short: 993.92us, 50.000ms, 1.0000s.
QString periodText(double us)
{
    if (us < 10000)
        return QString::asprintf("%.2fus", us);
    if (us < 1e6)
        return QString::asprintf("%.3fms", us / 1e3);
    return QString::asprintf("%.4fs", us / 1e6);
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

QString headerLine(const orlet::TimerDerivation& d)
{
    if (d.counter)
        return QString::asprintf("计数方式%d（%s），每 %u 个脉冲中断一次", d.mode, modeName(d.mode), d.value);
    return QString::asprintf("定时方式%d（%s），周期 %u us", d.mode, modeName(d.mode), d.value);
}

QString countLine(std::uint32_t crystalHz, const orlet::TimerDerivation& d)
{
    const auto count = static_cast<unsigned long long>(d.count);
    if (d.counter)
        return QString::asprintf("计数：n = %llu 个脉冲，与晶振无关", count);
    const unsigned long long formed = d.countRaised ? 0 : count;
    QString line = d.exact
        ? QString::asprintf("计数：按精确晶振四舍五入，n = ⌊%u×%u/12000000+0.5⌋ = %llu", crystalHz, d.value, formed)
        : QString::asprintf("计数：晶振按整数兆赫计（%u Hz 计为 %u MHz），n = ⌊%u×%u/12⌋ = %llu", crystalHz, d.wholeMhz,
            d.wholeMhz, d.value, formed);
    if (d.countRaised)
        line += QStringLiteral("，不足1个按1个计");
    line += QStringLiteral(" 个机器周期");
    if (d.exact && d.classicCount != d.count)
        line += QString::asprintf("（按整数兆赫为 %llu）", static_cast<unsigned long long>(d.classicCount));
    return line;
}

QString startLine(int timer, const orlet::TimerDerivation& d)
{
    const unsigned start = d.start % d.limit; // a count of 0 pulses starts from L, which wraps to 0
    const QString head
        = QString::asprintf("初值：%u − %llu = %u", d.limit, static_cast<unsigned long long>(d.count), d.start);
    const unsigned th = d.th, tl = d.tl;
    switch (d.mode) {
    case 0:
        return head
            + QString::asprintf("，TH%d = %u/32 = 0x%x，TL%d = %u%%32 = 0x%x", timer, start, th, timer, start, tl);
    case 1:
        return head + QString::asprintf(" = 0x%04x，TH%d = 0x%x，TL%d = 0x%x", start, timer, th, timer, tl);
    default:
        return head + QString::asprintf(" = 0x%02x，TH%d = TL%d = 0x%x", start, timer, timer, tl);
    }
}

QString realPeriodLine(std::uint32_t crystalHz, const orlet::TimerDerivation& d)
{
    QString line = QString::asprintf(
        "实际周期：%llu×12/%u Hz = %.4f us", static_cast<unsigned long long>(d.count), crystalHz, d.actualPeriodUs);
    if (d.periodErrorPercent)
        line += QString::asprintf("，误差 %+.4f%%", *d.periodErrorPercent);
    return line;
}

QString postscaleLine(const orlet::TimerDerivation& d)
{
    QString line = QString::asprintf("软件计数：每 %u 次中断执行一次用户代码", d.postscale);
    if (!d.counter)
        line += QString::asprintf("，整个周期 %u×%.4f = %.4f us", d.postscale, d.actualPeriodUs, d.wholePeriodUs);
    return line;
}

QString reloadLine(int timer, const orlet::TimerDerivation& d)
{
    if (d.mode == 2)
        return QStringLiteral("方式2由硬件自动重装，不另加机器周期");
    if (d.counter)
        return QString::asprintf("中断程序重装TH%d、TL%d，溢出到重装之间来的脉冲不计入", timer, timer);
    return QString::asprintf("中断程序重装TH%d、TL%d，每个周期另加几个机器周期（生成的程序实测为8个）", timer, timer);
}

} // namespace

QString RealPeriodText(const orlet::TimerTiming& timing)
{
    QString text = QStringLiteral("实际 ") + periodText(timing.wholePeriodUs);
    if (timing.errorPercent)
        text += QString::asprintf(" %+.2f%%", *timing.errorPercent);
    return text;
}

QString SplitHintText(const orlet::PostscaleSplit& split)
{
    return QString::asprintf("可用 %uus × %u", split.periodUs, split.postscale);
}

QString RangeHintText(const std::optional<orlet::PostscaleSplit>& split)
{
    return split ? SplitHintText(*split) : QStringLiteral("无法分解为整数微秒");
}

QString TimerDerivationTip(int timer, std::uint32_t crystalHz, const orlet::TimerDerivation& d)
{
    QStringList lines { headerLine(d), countLine(crystalHz, d), startLine(timer, d) };
    if (!d.counter)
        lines << realPeriodLine(crystalHz, d);
    if (d.postscale > 1)
        lines << postscaleLine(d);
    lines << reloadLine(timer, d);
    return lines.join(QLatin1Char('\n'));
}

QString TimerRangeTip(int timer, bool counter, int mode, std::uint32_t asked, const orlet::TimerReload& reload,
    const std::optional<orlet::PostscaleSplit>& split)
{
    const QString limit = counter
        ? QString::asprintf("计数方式%d最多计 %u 个脉冲，输入为 %u", mode, reload.corrected, asked)
        : QString::asprintf("定时方式%d在此晶振下最多 %u us，输入为 %u us", mode, reload.corrected, asked);
    QStringList lines { QString::fromStdString(reload.message), limit,
        QString::asprintf("TH%d、TL%d 置0，周期框改为 %u", timer, timer, reload.corrected) };
    if (split) {
        lines << QString::asprintf("用软件计数可达：周期框填 %u，× N 框填 %u", split->periodUs, split->postscale);
    } else if (!counter) {
        lines << QStringLiteral("此周期不能分解为整数微秒的多次中断");
    }
    return lines.join(QLatin1Char('\n'));
}

QString BaudDerivationTip(std::uint32_t crystalHz, const orlet::BaudDerivation& b)
{
    QStringList lines;
    lines << QString::asprintf(
        "%u bps，串口方式1，由定时器1方式2产生；%s", b.rate, b.k == 2 ? "加倍（SMOD=1，k=2）" : "不加倍（k=1）");
    if (b.exact) {
        lines << QString::asprintf(
            "x = k×f/(384×波特率) = %d×%u/(384×%u) = %.4f，按精确晶振", b.k, crystalHz, b.rate, b.x);
    } else {
        lines << QString::asprintf("q = ⌊%u/%u⌋ = %u，余数舍去", crystalHz, b.rate, b.q);
        lines << QString::asprintf("x = k×q/32/12 = %d×%u/384 = %.4f", b.k, b.q, b.x);
    }
    lines << QString::asprintf("n = x四舍五入 = %d，装入值 r = 256 − %d = %d = 0x%x，TH1 = TL1 = 0x%x", b.n, b.n,
        256 - b.n, unsigned { b.reload }, unsigned { b.reload });
    lines << QString::asprintf("实际波特率 = k×%u/(384×%d) = %.2f bps，与 %u bps 相差 %+.4f%%", crystalHz, b.n,
        b.actualBaud, b.rate, b.rateDeviationPercent);
    lines << QString::asprintf("显示的误差 1 − n/x = %s（正值：n 向下舍入，位时间偏短）", b.errorText.c_str());
    lines << QStringLiteral("方式2由硬件自动重装，不另加机器周期");
    return lines.join(QLatin1Char('\n'));
}
