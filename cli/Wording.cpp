#include "Wording.h"

#include "BaudAdvice.h"
#include "BaudReload.h"
#include "Crystal.h"
#include "DecimalText.h"
#include "RoutineTiming.h"

#include <QStringDecoder>

#include <algorithm>
#include <functional>

namespace orlet {

namespace {

    // Timer 2 has one mode: its options take no MODE.
    bool hasOneMode(const ConfigError& e)
    {
        const TimerRow* timer = TimerOf(e.chip.row(), e.timer);
        return timer != nullptr && timer->modes.size() == 1;
    }

    bool hasTimer2(const ChipRow& row)
    {
        return TimerOf(row, 2) != nullptr;
    }

    QString chipTitle(Chip chip)
    {
        return Latin1(chip->title);
    }

    // The titles of the chips for which `has` holds: "STC89".
    template <typename Has> QString chipTitles(Has has)
    {
        QStringList titles;
        for (const ChipRow& row : ChipRows()) {
            if (has(row))
                titles << Latin1(row.title);
        }
        return Listed(titles);
    }

    QString modeNumbers(const TimerRow& timer, const char* word)
    {
        QStringList modes;
        for (const ModeRow& mode : timer.modes)
            modes << QString::number(mode.number);
        return Listed(modes, word);
    }

    // "; use --timer0 1:62500 --postscale0 16": the split the software
    // counter offers for a period too long for the mode.
    QString splitFlags(const ConfigError& e, const PostscaleSplit& split)
    {
        if (hasOneMode(e))
            return QStringLiteral("--timer2 %1 --postscale2 %2").arg(split.periodUs).arg(split.postscale);
        return QStringLiteral("--timer%1 %2:%3 --postscale%1 %4")
            .arg(e.timer)
            .arg(split.mode < 0 ? e.mode : split.mode)
            .arg(split.periodUs)
            .arg(split.postscale);
    }

    QString splitCost(const ConfigError& e, const PostscaleSplit& split)
    {
        const ChipSplitCost cost = SplitCostOf(e.chip, e.range->request, split, e.crystalHz, e.driftFree);
        if (!cost.cpuPercent)
            return QString::asprintf("%.4g interrupts/s", cost.interruptsPerSecond);
        return QString::asprintf(
            "%.4g interrupts/s, about %.2f%% of the CPU", cost.interruptsPerSecond, *cost.cpuPercent);
    }

    // "; use --timer0 2:250 --postscale0 4000 (...) or --timer0 1:62500
    // --postscale0 16 (...)": the split the hardware reload keeps exact
    // first, with what each costs. The classic arithmetic counts machine
    // cycles, the others the timer's counts.
    QString splitHint(const ConfigError& e)
    {
        QString hint;
        if (!e.range)
            return hint;
        if (const auto& hardware = e.range->hardwareSplit) {
            hint = QStringLiteral("; use %1 (exact with the hardware reload: %2 x %3 = %4 %5; %6)")
                       .arg(splitFlags(e, *hardware))
                       .arg(hardware->cycles)
                       .arg(hardware->postscale)
                       .arg(hardware->cycles * hardware->postscale)
                       .arg(e.chip->arithmetic == Arithmetic::Classic ? "cycles" : "counts")
                       .arg(splitCost(e, *hardware));
        }
        if (const auto& other = e.range->split)
            hint += (hint.isEmpty() ? QStringLiteral("; use ") : QStringLiteral(" or ")) + splitFlags(e, *other)
                + QStringLiteral(" (%1)").arg(splitCost(e, *other));
        return hint;
    }

    // "timer0 mode 1", "counter1 mode 2"; timer 2 has one mode: "timer2".
    QString timerName(const ConfigError& e)
    {
        const QString name = QStringLiteral("%1%2").arg(e.counter ? "counter" : "timer").arg(e.timer);
        if (hasOneMode(e))
            return name;
        return name + QStringLiteral(" mode %1").arg(e.mode);
    }

    // orlet-gen's word for a clock choice: "1t", "12t".
    QString clockName(std::uint32_t clocksPerCount)
    {
        for (const ClockChoice& choice : ClockChoices()) {
            if (choice.clocksPerCount == clocksPerCount)
                return Latin1(choice.name);
        }
        return QStringLiteral("%1t").arg(clocksPerCount);
    }

    QString modeTrapText(const ConfigError& e)
    {
        const QString title = chipTitle(e.chip);
        const TimerRow& timer = *TimerOf(e.chip.row(), e.timer);
        if (timer.modes.size() == 1)
            return QStringLiteral("timer %1 of the %2 has one mode, the 16-bit auto-reload").arg(e.timer).arg(title);
        if (timer.modeThree == ModeThree::NonMaskableReload) {
            return QStringLiteral("--timer%1 3: mode 3 makes timer 0 of the %2 a non-maskable 16-bit auto-reload timer"
                                  " (and stops timer 1); it is not generated: mode 0 is the same 16-bit auto-reload"
                                  " with a maskable interrupt")
                .arg(e.timer)
                .arg(title);
        }
        return QStringLiteral("--timer%1 3: mode 3 (timer 0 split into two 8-bit timers, timer 1 stopped) is not"
                              " generated; the %2 offers modes %3")
            .arg(e.timer)
            .arg(title, modeNumbers(timer, "and"));
    }

    QString clockTrapText(const ConfigError& e)
    {
        const QString title = chipTitle(e.chip);
        if (e.chip->offersSixT) {
            return QStringLiteral("--clock%1 %2: the %3 has no 1T timer clock (its AUXR holds only EXTRAM and"
                                  " ALEOFF); for double speed program it in 6T mode (--6t)")
                .arg(e.timer)
                .arg(clockName(e.clock), title);
        }
        return QStringLiteral("--clock%1 %2: the %3 counts every 12 clocks; 1T timers are on %4")
            .arg(e.timer)
            .arg(clockName(e.clock), title, ChipsClocking(e.timer, e.clock));
    }

    // What the chip does not have, in words.
    QString chipTrapText(const ConfigError& e)
    {
        const QString title = chipTitle(e.chip);
        switch (e.chipError) {
        case ChipErrorCode::NoSuchTimer:
            if (e.timer != 2)
                return QStringLiteral("there is no timer %1").arg(e.timer);
            return QStringLiteral("the %1 has no timer 2; choose --chip %2").arg(title, ChipKeys(hasTimer2));
        case ChipErrorCode::ModeNotOffered:
            return modeTrapText(e);
        case ChipErrorCode::ClockNotOffered:
            return clockTrapText(e);
        case ChipErrorCode::SixTNotOffered:
            return QStringLiteral("--6t: 6T mode is chosen when an %1 is programmed; the %2 has none")
                .arg(chipTitles([](const ChipRow& row) { return row.offersSixT; }), title);
        case ChipErrorCode::BaudSourceNotOffered:
            return QStringLiteral("--uart-timer 2: the %1 has no timer 2 to clock its serial port; choose --chip %2")
                .arg(title, ChipKeys([](const ChipRow& row) { return BaudSourceOnTimer(row, 2) != nullptr; }));
        case ChipErrorCode::TimerBusy:
            return QStringLiteral("--timer2/--counter2 cannot be used with --uart-timer 2: timer 2 is the baud-rate"
                                  " generator");
        case ChipErrorCode::VendorHeaderNotAccepted:
            return QStringLiteral("--header: the %1 text declares no registers of its own for a vendor header to"
                                  " replace; choose --chip %2")
                .arg(title, ChipKeys([](const ChipRow& row) { return row.acceptsVendorHeader; }));
        }
        return QStringLiteral("the %1 does not offer this").arg(title);
    }

    QString quotedHeader(const Configuration& config)
    {
        return QLatin1Char('"') + EscapeControls(FromUtf8(config.vendorHeader.value_or(std::string())))
            + QLatin1Char('"');
    }

    // "'<'" for a bracket or a quote, "U+000A" for what cannot be shown.
    QString characterName(char32_t c)
    {
        if (c > 0x20 && c < 0x7F)
            return QLatin1Char('\'') + QChar(char16_t(c)) + QLatin1Char('\'');
        return QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
    }

    QString headerProblemText(const HeaderNameProblem& problem, const Configuration& config)
    {
        const QString name = quotedHeader(config);
        switch (problem.fault) {
        case HeaderNameFault::Empty:
            return QStringLiteral("--header takes a file name, got an empty one");
        case HeaderNameFault::TooLong:
            return QStringLiteral("--header %1: the name has %2 bytes; the include line takes at most %3")
                .arg(name)
                .arg(config.vendorHeader->size())
                .arg(kMaxVendorHeaderBytes);
        case HeaderNameFault::MalformedUtf8:
            return QStringLiteral("--header: the name is not UTF-8 (at byte %1)").arg(problem.offset);
        case HeaderNameFault::SpaceAtEnd:
            return QStringLiteral("--header %1: the name %2 with a space, which would be part of the file's name")
                .arg(name, problem.offset == 0 ? QStringLiteral("starts") : QStringLiteral("ends"));
        case HeaderNameFault::ForbiddenCharacter:
            break;
        }
        return QStringLiteral("--header %1: the name holds %2; a header name holds no '\"', '<', '>', control,"
                              " invisible or direction-changing character, line end or space other than U+0020")
            .arg(name, characterName(problem.character));
    }

    QString rangeText(const ConfigError& e)
    {
        return QStringLiteral("%1: %2 accepts at most %3 %4, got %5")
                   .arg(FromUtf8(MessageText(e.message)), timerName(e))
                   .arg(e.limit)
                   .arg(e.counter ? "pulses" : "us")
                   .arg(e.value)
            + splitHint(e);
    }

    QString bitsPerSecond(double rate)
    {
        return QString::asprintf("%.2f bit/s", rate);
    }

    QString deviation(double percent)
    {
        return Latin1(DeviationText(percent));
    }

    // The real rate against the one asked for.
    QString realRate(const BaudCalculation& baud)
    {
        return QStringLiteral("the serial port runs at %1 for the %2 bit/s asked, %3 off")
            .arg(bitsPerSecond(baud.actualBaud))
            .arg(baud.rate)
            .arg(deviation(BaudDeviationPercent(baud)));
    }

    QString fixesText(const std::vector<BaudFix>& fixes, bool doubled)
    {
        if (fixes.empty())
            return QStringLiteral("; no other doubling, timer, clock, crystal or listed rate brings it within");
        QStringList named;
        for (const BaudFix& fix : fixes)
            named << BaudFixText(fix, doubled);
        return QStringLiteral("; fixes, best first: ") + named.join(QLatin1String("; "));
    }

    QString unreachableRateText(const ConfigError& e)
    {
        const QString doubling = e.doubled ? QStringLiteral("with doubling") : QStringLiteral("without doubling");
        if (!e.reachable) {
            return QStringLiteral("--uart %1: timer %2 makes no rate at this crystal %3")
                .arg(e.rate)
                .arg(e.uartTimer)
                .arg(doubling);
        }
        Message message { MessageCode::BaudOutOfReach };
        message.lowest = e.reachable->lowest;
        message.highest = e.reachable->highest;
        return QStringLiteral("%1: --uart %2 is out of reach: timer %3 makes %4 to %5 bit/s at this crystal %6")
            .arg(FromUtf8(MessageText(message)))
            .arg(e.rate)
            .arg(e.uartTimer)
            .arg(e.reachable->lowest)
            .arg(e.reachable->highest)
            .arg(doubling);
    }

    QString range(std::uint32_t low, std::uint32_t high)
    {
        return QStringLiteral("from %1 to %2").arg(low).arg(high);
    }

} // namespace

QString FromUtf8(std::string_view text)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return utf8.decode(QByteArrayView(text.data(), qsizetype(text.size())));
}

QString Latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

QString Listed(const QStringList& choices, const char* word)
{
    if (choices.size() < 2)
        return choices.join(QString());
    return choices.mid(0, choices.size() - 1).join(QLatin1String(", ")) + QLatin1Char(' ') + QLatin1String(word)
        + QLatin1Char(' ') + choices.constLast();
}

QString EscapeControls(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool breaksLine = c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line
            || c.category() == QChar::Separator_Paragraph || c.category() == QChar::Other_Format;
        if (!breaksLine)
            result += c;
        else if (u == u'\n')
            result += QLatin1String("\\n");
        else if (u == u'\r')
            result += QLatin1String("\\r");
        else if (u == u'\t')
            result += QLatin1String("\\t");
        else if (u < 0x100)
            result += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            result += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
    }
    return result;
}

namespace {

    QString settingsValueWords(SettingsValue kind)
    {
        switch (kind) {
        case SettingsValue::Object:
            return QStringLiteral("an object ({...})");
        case SettingsValue::Boolean:
            return QStringLiteral("true or false");
        case SettingsValue::Text:
            return QStringLiteral("a text (\"...\")");
        case SettingsValue::WholeNumber:
            break;
        case SettingsValue::Megahertz:
            return QStringLiteral("a number of MHz %1 as a text, such as \"11.0592\"").arg(CrystalRange());
        }
        return QStringLiteral("a whole number %1").arg(WholeNumberRange());
    }

} // namespace

QString SettingsErrorWords(const SettingsError& e)
{
    const QString key = QStringLiteral("\"%1\"").arg(FromUtf8(e.key));
    const QString value = FromUtf8(e.value);
    QStringList choices;
    for (const std::string& choice : e.choices)
        choices << FromUtf8(choice);
    switch (e.fault) {
    case SettingsFault::NotJson:
        return QStringLiteral("not JSON: line %1, column %2: %3").arg(e.line).arg(e.column).arg(FromUtf8(e.detail));
    case SettingsFault::NotSettings:
        return QStringLiteral("not an Orlet settings file: no \"orlet\" member");
    case SettingsFault::NewerFormat:
        return QStringLiteral("written by a newer Orlet in format %1; this one reads format %2")
            .arg(e.format)
            .arg(kSettingsFormat);
    case SettingsFault::DuplicateKey:
        return QStringLiteral("%1 is given twice").arg(key);
    case SettingsFault::UnknownKey:
        return QStringLiteral("unknown member %1; the members there are %2").arg(key, Listed(choices, "and"));
    case SettingsFault::WrongType:
        if (e.key.empty())
            return QStringLiteral("the file must hold one object ({...})");
        return QStringLiteral("%1 must be %2, not %3").arg(key, settingsValueWords(e.expected), value);
    case SettingsFault::MissingKey:
        return QStringLiteral("%1 is missing").arg(key);
    case SettingsFault::Exclusive:
        return QStringLiteral("%1 and \"%2\" exclude each other").arg(key, FromUtf8(e.other));
    case SettingsFault::UnknownValue:
        return QStringLiteral("%1 cannot be %2; it takes %3").arg(key, value, Listed(choices));
    case SettingsFault::OutOfRange:
        return QStringLiteral("%1 %2 is out of range: %3").arg(key, value, settingsValueWords(e.expected));
    case SettingsFault::Refused:
        break;
    }
    return QStringLiteral("%1: %2").arg(key, RefusalText(*e.refusal, Configuration()));
}

QString RefusalText(const ConfigError& e, const Configuration& config)
{
    switch (e.code) {
    case ConfigErrorCode::VendorHeaderUnsafe:
        return headerProblemText(e.headerProblem, config);
    case ConfigErrorCode::ChipTrap:
        return chipTrapText(e);
    case ConfigErrorCode::DoubleBaudWithoutEffect:
        return QStringLiteral("--double-baud: PCON.SMOD does not reach the baud rate timer %1 makes on the %2;"
                              " leave it out")
            .arg(e.uartTimer)
            .arg(chipTitle(e.chip));
    case ConfigErrorCode::DriftFreeNeedsHardwareReload:
        return QStringLiteral("--drift-free: timer%1 mode 1 reloads in its routine on the %2's 1T core; use mode"
                              " 0, the 16-bit auto-reload the chip does in hardware")
            .arg(e.timer)
            .arg(chipTitle(e.chip));
    case ConfigErrorCode::CrystalOutOfRange:
        return QStringLiteral("the crystal must be %1 MHz").arg(CrystalRange());
    case ConfigErrorCode::CrystalNotReachable:
        return QStringLiteral("no custom frequency of the window gives exactly %1 Hz").arg(e.crystalHz);
    case ConfigErrorCode::TimerModeUnknown:
        return QStringLiteral("timer modes are %1").arg(DefaultChipModes("and"));
    case ConfigErrorCode::PostscaleOutOfRange:
        return QStringLiteral("a postscale is %1").arg(PostscaleRange());
    case ConfigErrorCode::Timer1WithSerialPort:
        return QStringLiteral("timer 1 is the baud-rate generator while the serial port is in use");
    case ConfigErrorCode::BaudRateUnknown:
        return QStringLiteral("unknown baud rate");
    case ConfigErrorCode::TimerOutOfRange:
        return rangeText(e);
    case ConfigErrorCode::DriftFreeOutOfRange:
        return QStringLiteral("timer%1 mode %2 counts %3 cycles; drift-free timing takes %4 to %5 in this mode")
            .arg(e.timer)
            .arg(e.mode)
            .arg(e.value)
            .arg(e.minCount)
            .arg(e.maxCount);
    case ConfigErrorCode::BaudRateDoesNotFit:
        return QStringLiteral("%1: %2 bit/s does not fit this crystal %3")
            .arg(FromUtf8(MessageText(e.message)))
            .arg(e.rate)
            .arg(e.doubled ? "with doubling" : "without doubling");
    case ConfigErrorCode::BaudRateUnreachable:
        return unreachableRateText(e);
    case ConfigErrorCode::BaudDeviationTooLarge:
        return QStringLiteral("--max-baud-error %1: %2%3")
            .arg(e.maxDeviationPercent)
            .arg(realRate(*e.baud), fixesText(e.baudFixes, e.doubled));
    }
    return {};
}

QString HeaderWithoutGbkText(const Configuration& config)
{
    return QStringLiteral("--header %1: the name has no GBK form; use --encoding utf-8 or another name")
        .arg(quotedHeader(config));
}

QString SourceWithoutGbkText()
{
    return QStringLiteral("the source holds text with no GBK form: use --encoding utf-8");
}

QString CpuShareWarning(int timer, const CpuShare& share)
{
    if (!share.periodKept()) {
        return QStringLiteral("warning: timer %1's interrupt routine takes %2 machine cycles and its period is %3:"
                              " the period cannot be kept, and main() runs at most one instruction between"
                              " interrupts; choose a longer period")
            .arg(timer)
            .arg(share.routineCycles())
            .arg(share.interruptCycles);
    }
    return QStringLiteral("warning: timer %1's interrupt routine takes about %2% of the CPU (%3 of every %4"
                          " machine cycles)")
        .arg(timer)
        .arg(share.percent())
        .arg(share.routineCycles())
        .arg(share.interruptCycles);
}

QString DefaultChipModes(const char* word)
{
    return modeNumbers(*TimerOf(Chip().row(), 0), word);
}

QStringList ClockNames()
{
    QStringList names;
    for (const ClockChoice& choice : ClockChoices())
        names << Latin1(choice.name);
    return names;
}

QString ChipsClocking(int timer, std::uint32_t clock)
{
    return ChipKeys([&](const ChipRow& row) { return FindClock(row, timer, clock) != nullptr; }, "and");
}

QString CrystalHelp()
{
    QStringList crystals;
    for (const CrystalEntry& entry : kCrystals)
        crystals << QLatin1String(entry.text);
    return QStringLiteral("Crystal in MHz: %1, or any other value %2 (default %3).")
        .arg(crystals.join(QLatin1String(", ")), CrystalRange(), QLatin1String(kCrystals[kDefaultCrystalIndex].text));
}

// "The chip: 8051 (default), 8052, ...": the table's keys, the default first.
QString ChipHelp()
{
    QStringList keys;
    for (const ChipRow& row : ChipRows())
        keys << Latin1(row.key) + (Chip(row).isDefault() ? QStringLiteral(" (default)") : QString());
    const QString classic = ChipKeys([](const ChipRow& row) { return row.arithmetic == Arithmetic::Classic; }, "and");
    return QStringLiteral("The chip: %1. Chips other than the %2 count from the exact crystal.")
        .arg(Listed(keys), classic);
}

QString BaudRateList()
{
    QStringList rates;
    for (const std::uint32_t rate : kBaudRates)
        rates << QString::number(rate);
    return Listed(rates);
}

QString PostscaleHelp(int timer)
{
    return QStringLiteral("Timer %1's interrupt routine runs your code on every Nth interrupt (1 to %2; default 1).")
        .arg(timer)
        .arg(kMaxPostscale);
}

QString SixTHelp()
{
    return QStringLiteral("The %1 is programmed in 6T mode: 6 clocks per machine cycle.")
        .arg(chipTitles([](const ChipRow& row) { return row.offersSixT; }));
}

QString Timer2Help()
{
    return QStringLiteral("Use timer 2 (not on the %1) as a 16-bit auto-reload timer with a period in microseconds.")
        .arg(ChipKeys(std::not_fn(hasTimer2), "and"));
}

QString UartTimerHelp()
{
    const auto runsTimer1InMode0 = [](const ChipRow& row) {
        const BaudSourceRow* source = BaudSourceOnTimer(row, 1);
        return source != nullptr && source->source == BaudSource::Timer1Mode0;
    };
    return QStringLiteral("The timer that clocks the serial port: 1 (default) or 2 (not on the %1); %2 run timer 1 in"
                          " its 16-bit auto-reload mode 0.")
        .arg(ChipKeys(std::not_fn(hasTimer2), "and"), ChipKeys(runsTimer1InMode0, "and"));
}

QString HeaderHelp()
{
    return QStringLiteral("Include the vendor's header NAME instead of declaring the STC registers (%1).")
        .arg(ChipKeyList([](const ChipRow& row) { return row.acceptsVendorHeader; }).join(QLatin1String(", ")));
}

QString PostscaleRange()
{
    return range(1, kMaxPostscale);
}

QString WholeNumberRange()
{
    return range(0, kMaxUnsignedDecimal);
}

QString CrystalRange()
{
    return range(kMinCustomMhz, kMaxCustomMhz);
}

QString BaudFixText(const BaudFix& fix, bool doubled)
{
    QString flags;
    switch (fix.kind) {
    case BaudFixKind::Doubling:
        flags = fix.doubled ? QStringLiteral("--double-baud") : QStringLiteral("without --double-baud");
        break;
    case BaudFixKind::Source:
        flags = QStringLiteral("--uart-timer %1").arg(fix.uartTimer);
        break;
    case BaudFixKind::Clock:
        flags = QStringLiteral("--clock%1 %2").arg(fix.timer).arg(clockName(fix.clock));
        break;
    case BaudFixKind::Crystal:
        flags = QStringLiteral("--crystal ") + Latin1(fix.crystalMhz);
        break;
    case BaudFixKind::Rate:
        flags = QStringLiteral("--uart %1").arg(fix.result.rate);
        break;
    }
    // A source that PCON.SMOD does not reach takes the doubling away.
    if (fix.kind != BaudFixKind::Doubling && doubled && !fix.doubled)
        flags += QStringLiteral(" without --double-baud");
    return QStringLiteral("%1 (%2, %3)")
        .arg(flags, bitsPerSecond(fix.result.actualBaud), deviation(fix.deviationPercent));
}

QString BaudDeviationWarning(const BaudCalculation& baud, const std::vector<BaudFix>& fixes, bool doubled)
{
    return QStringLiteral("warning: %1, beyond the +/-%2% a receiver tolerates%3")
        .arg(realRate(baud))
        .arg(kBaudTolerancePercent)
        .arg(fixesText(fixes, doubled));
}

QString BaudTableText(const BaudTableResult& table, const Configuration& config)
{
    const BaudRequest& r = table.request;
    const BaudSourceRow& source = *FindBaudSource(config.chip.row(), r.source);
    // The clock where the timer has a choice of them.
    const bool clockChosen = TimerOf(config.chip.row(), source.timer)->clocks.size() > 1;
    const QString clock
        = clockChosen ? QStringLiteral(" at %1").arg(clockName(table.rows.front().baud.clocksPerCount)) : QString();
    QString text = QStringLiteral("Baud rates of the %1 at %2 MHz from timer %3%4, %5 (* beyond +/-%6%):\n")
                       .arg(chipTitle(config.chip))
                       .arg(config.crystalHz / 1e6, 0, 'g', 9)
                       .arg(source.timer)
                       .arg(clock)
                       .arg(r.smod && source.smodDoubles ? "doubled" : "not doubled")
                       .arg(kBaudTolerancePercent);
    text += QStringLiteral("  rate  reload      real rate  deviation\n");
    for (const BaudTableRow& row : table.rows) {
        const BaudCalculation& b = row.baud;
        if (!b.fits) {
            text += QString::asprintf("%6u  out of reach\n", b.rate);
            continue;
        }
        text += QString::asprintf("%6u  %-8s %12.2f  %s%s\n", b.rate, b.reloadText.c_str(), b.actualBaud,
            DeviationText(row.deviationPercent).c_str(), row.beyondTolerance ? " *" : "");
    }
    return text;
}

} // namespace orlet
