#include "TimingTexts.h"

#include "WindowTexts.h"

QString ModeItemText(orlet::Chip chip, int timer, int index)
{
    return QString::fromStdString(orlet::ModeItemText(chip, timer, index));
}

QString RealPeriodText(const orlet::TimerTiming& timing)
{
    return QString::fromStdString(orlet::RealPeriodLine(timing));
}

QString RangeHintText(const orlet::TimerTiming& timing, int mode)
{
    return QString::fromStdString(orlet::RangeHintLine(timing, mode));
}

QString DriftFreeLimitText(const orlet::TimerTiming& timing, int mode)
{
    return QString::fromStdString(orlet::DriftFreeLimitLine(timing, mode));
}

QString DriftFreeLimitTip(int timer, std::uint32_t crystalHz, const orlet::TimerDerivation& d)
{
    return QString::fromStdString(
        orlet::DriftFreeLimitNote(d.mode, d.count) + '\n' + orlet::TimerDerivationTip(timer, crystalHz, d));
}

QString TimerDerivationTip(int timer, std::uint32_t crystalHz, const orlet::TimerDerivation& d)
{
    return QString::fromStdString(orlet::TimerDerivationTip(timer, crystalHz, d));
}

QString TimerRangeTip(int timer, bool counter, int mode, std::uint32_t asked, const orlet::TimerReload& reload,
    const orlet::TimerTiming& timing, std::uint32_t crystalHz)
{
    return QString::fromStdString(orlet::TimerRangeTip(timer, counter, mode, asked, reload, timing, crystalHz));
}

QString BaudDerivationTip(std::uint32_t crystalHz, const orlet::BaudDerivation& b)
{
    return QString::fromStdString(orlet::BaudDerivationTip(crystalHz, b));
}

QString ChipRealPeriodText(const orlet::ChipTimerDerivation& d, std::uint32_t crystalHz)
{
    return QString::fromStdString(orlet::ChipRealPeriodLine(d, crystalHz));
}

QString ChipTimerTip(const orlet::ChipTimerDerivation& d, std::uint32_t crystalHz, bool sixT)
{
    return QString::fromStdString(orlet::ChipTimerDerivationTip(d, crystalHz, sixT));
}

QString ChipBaudTip(const orlet::ChipBaudDerivation& d)
{
    return QString::fromStdString(orlet::ChipBaudDerivationTip(d));
}

QString ChipRangeHintText(const orlet::ChipRangeError& range)
{
    return QString::fromStdString(orlet::ChipRangeHintLine(range));
}

QString ChipRangeTip(const orlet::ChipRangeError& range, orlet::Chip chip, std::uint32_t crystalHz, bool driftFree)
{
    return QString::fromStdString(orlet::ChipRangeTip(range, chip, crystalHz, driftFree));
}

QString ChipDriftFreeLimitText(const orlet::ChipDriftFreeLimit& limit)
{
    return QString::fromStdString(orlet::ChipDriftFreeLimitLine(limit));
}

QString ChipDriftFreeLimitNote(const orlet::ChipDriftFreeLimit& limit)
{
    return QString::fromStdString(orlet::ChipDriftFreeLimitNote(limit));
}
