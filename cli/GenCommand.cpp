#include "GenCommand.h"

#include "BaudReload.h"
#include "ConsoleWriter.h"
#include "Crystal.h"
#include "DecimalText.h"
#include "Explain.h"
#include "Gbk.h"
#include "OrletVersion.h"
#include "OutputFile.h"
#include "StandardStreams.h"
#include "TimerTiming.h"
#include "Utf8.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>

#include <array>
#include <functional>

namespace orlet {

namespace {

    // Every character, a leading U+FEFF too (QString::fromUtf8 drops it).
    QString fromUtf8(std::string_view text)
    {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return utf8.decode(QByteArrayView(text.data(), qsizetype(text.size())));
    }

    // Timer 2 has one mode: its options take no MODE.
    bool hasOneMode(const ConfigError& e)
    {
        const TimerRow* timer = TimerOf(e.chip.row(), e.timer);
        return timer != nullptr && timer->modes.size() == 1;
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

    QString latin1(std::string_view text)
    {
        return QString::fromLatin1(text.data(), qsizetype(text.size()));
    }

    QString chipTitle(Chip chip)
    {
        return latin1(chip->title);
    }

    // "a, b or c" ("a, b and c" with `word` "and"), as the help and error
    // texts list choices.
    QString listed(const QStringList& choices, const char* word = "or")
    {
        if (choices.size() < 2)
            return choices.join(QString());
        return choices.mid(0, choices.size() - 1).join(QLatin1String(", ")) + QLatin1Char(' ') + QLatin1String(word)
            + QLatin1Char(' ') + choices.constLast();
    }

    template <typename Has> QStringList chipKeyList(Has has)
    {
        QStringList keys;
        for (std::string_view key : KeysWhere(has))
            keys << latin1(key);
        return keys;
    }

    template <typename Has> QString chipKeys(Has has, const char* word = "or")
    {
        return listed(chipKeyList(has), word);
    }

    bool hasTimer2(const ChipRow& row)
    {
        return row.timers[2] != nullptr;
    }

    // The chips on which timer `timer` may count at `clock` clocks.
    QString chipsClocking(int timer, std::uint32_t clock)
    {
        return chipKeys([&](const ChipRow& row) { return FindClock(row, timer, clock) != nullptr; }, "and");
    }

    // orlet-gen's word for a clock choice: "1t", "12t".
    QString clockName(std::uint32_t clocksPerCount)
    {
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
        QStringList modes;
        for (const ModeRow& mode : timer.modes)
            modes << QString::number(mode.number);
        return QStringLiteral("--timer%1 3: mode 3 (timer 0 split into two 8-bit timers, timer 1 stopped) is not"
                              " generated; the %2 offers modes %3")
            .arg(e.timer)
            .arg(title, listed(modes, "and"));
    }

    // What the chip does not have, in words.
    QString chipTrapText(const ConfigError& e)
    {
        const QString title = chipTitle(e.chip);
        switch (e.chipError) {
        case ChipErrorCode::NoSuchTimer:
            if (e.timer != 2)
                return QStringLiteral("there is no timer %1").arg(e.timer);
            return QStringLiteral("the %1 has no timer 2; choose --chip %2").arg(title, chipKeys(hasTimer2));
        case ChipErrorCode::ModeNotOffered:
            return modeTrapText(e);
        case ChipErrorCode::ClockNotOffered:
            if (e.chip->offersSixT) {
                return QStringLiteral("--clock%1 %2: the %3 has no 1T timer clock (its AUXR holds only EXTRAM and"
                                      " ALEOFF); for double speed program it in 6T mode (--6t)")
                    .arg(e.timer)
                    .arg(clockName(e.clock), title);
            }
            return QStringLiteral("--clock%1 %2: the %3 counts every 12 clocks; 1T timers are on %4")
                .arg(e.timer)
                .arg(clockName(e.clock), title, chipsClocking(e.timer, e.clock));
        case ChipErrorCode::SixTNotOffered:
            return QStringLiteral("--6t: 6T mode is chosen when an STC89 is programmed; the %1 has none").arg(title);
        case ChipErrorCode::BaudSourceNotOffered:
            return QStringLiteral("--uart-timer 2: the %1 has no timer 2 to clock its serial port; choose --chip %2")
                .arg(title, chipKeys([](const ChipRow& row) { return BaudSourceOnTimer(row, 2) != nullptr; }));
        case ChipErrorCode::TimerBusy:
            return QStringLiteral("--timer2/--counter2 cannot be used with --uart-timer 2: timer 2 is the baud-rate"
                                  " generator");
        case ChipErrorCode::VendorHeaderNotAccepted:
            return QStringLiteral("--header: the %1 text declares no registers of its own for a vendor header to"
                                  " replace; choose --chip %2")
                .arg(title, chipKeys([](const ChipRow& row) { return row.acceptsVendorHeader; }));
        }
        return QStringLiteral("the %1 does not offer this").arg(title);
    }

    QString escapeControls(const QString& text);

    QString quotedHeader(const Configuration& config)
    {
        return QLatin1Char('"') + escapeControls(fromUtf8(config.vendorHeader.value_or(std::string())))
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

    // A refused configuration in words, with the window's message first
    // where the window would have raised one.
    QString refusalText(const ConfigError& e, const Configuration& config)
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
            return QStringLiteral("the crystal must be from 1 to 100 MHz");
        case ConfigErrorCode::CrystalNotReachable:
            return QStringLiteral("no custom frequency of the window gives exactly %1 Hz").arg(e.crystalHz);
        case ConfigErrorCode::TimerModeUnknown:
            return QStringLiteral("timer modes are 0, 1 and 2");
        case ConfigErrorCode::PostscaleOutOfRange:
            return QStringLiteral("a postscale is from 1 to %1").arg(kMaxPostscale);
        case ConfigErrorCode::Timer1WithSerialPort:
            return QStringLiteral("timer 1 is the baud-rate generator while the serial port is in use");
        case ConfigErrorCode::BaudRateUnknown:
            return QStringLiteral("unknown baud rate");
        case ConfigErrorCode::TimerOutOfRange:
            return QStringLiteral("%1: %2 accepts at most %3 %4, got %5")
                       .arg(fromUtf8(MessageText(e.message)), timerName(e))
                       .arg(e.limit)
                       .arg(e.counter ? "pulses" : "us")
                       .arg(e.value)
                + splitHint(e);
        case ConfigErrorCode::DriftFreeOutOfRange:
            return QStringLiteral("timer%1 mode %2 counts %3 cycles; drift-free timing takes %4 to %5 in this mode")
                .arg(e.timer)
                .arg(e.mode)
                .arg(e.value)
                .arg(e.minCount)
                .arg(e.maxCount);
        case ConfigErrorCode::BaudRateDoesNotFit:
            return QStringLiteral("%1: %2 bit/s does not fit this crystal %3")
                .arg(fromUtf8(MessageText(e.message)))
                .arg(e.rate)
                .arg(e.doubled ? "with doubling" : "without doubling");
        }
        return {};
    }

    QStringList crystalTexts()
    {
        QStringList texts;
        for (const CrystalEntry& entry : kCrystals)
            texts << QLatin1String(entry.text);
        return texts;
    }

    QString baudRateList()
    {
        QStringList rates;
        for (const std::uint32_t rate : kBaudRates)
            rates << QString::number(rate);
        return listed(rates);
    }

    QString crystalHelp()
    {
        return QStringLiteral("Crystal in MHz: %1, or any other value from 1 to 100 (default %2).")
            .arg(crystalTexts().join(QLatin1String(", ")), QLatin1String(kCrystals[kDefaultCrystalIndex].text));
    }

    // Shows the control characters an argument may carry (a line feed, a
    // carriage return, an escape) as C escapes, so that an error stays one line.
    QString escapeControls(const QString& text)
    {
        QString result;
        result.reserve(text.size());
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            // Format characters (U+202E turns the rest of the line round) are
            // shown as escapes too, so that the line reads as it is.
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

    // "The chip: 8051 (default), 8052, ...": the table's keys, the default first.
    QString chipHelp()
    {
        QStringList keys;
        for (const ChipRow& row : ChipRows())
            keys << latin1(row.key) + (Chip(row).isDefault() ? QStringLiteral(" (default)") : QString());
        const QString classic
            = chipKeys([](const ChipRow& row) { return row.arithmetic == Arithmetic::Classic; }, "and");
        return QStringLiteral("The chip: %1. Chips other than the %2 count from the exact crystal.")
            .arg(listed(keys), classic);
    }

    struct Options {
        QCommandLineOption crystal { "crystal", crystalHelp(), "MHZ", kCrystals[kDefaultCrystalIndex].text };
        QCommandLineOption comments { "comments", "Add the Chinese comments." };
        QCommandLineOption int0 { "int0", "Use INT0, triggered on a low level or a falling edge.", "level|falling" };
        QCommandLineOption int1 { "int1", "Use INT1, triggered on a low level or a falling edge.", "level|falling" };
        QCommandLineOption timer0 { "timer0", "Use timer 0 as a timer in MODE 0, 1 or 2 with a period in microseconds.",
            "MODE:MICROSECONDS" };
        QCommandLineOption counter0 { "counter0", "Use timer 0 as a counter in MODE 0, 1 or 2 counting PULSES.",
            "MODE:PULSES" };
        QCommandLineOption gate0 { "gate0", "Set GATE for timer 0: it runs (or counts) only while INT0 is high." };
        QCommandLineOption timer1 { "timer1", "Use timer 1 as a timer in MODE 0, 1 or 2 with a period in microseconds.",
            "MODE:MICROSECONDS" };
        QCommandLineOption counter1 { "counter1", "Use timer 1 as a counter in MODE 0, 1 or 2 counting PULSES.",
            "MODE:PULSES" };
        QCommandLineOption gate1 { "gate1", "Set GATE for timer 1: it runs (or counts) only while INT1 is high." };
        QCommandLineOption uart { "uart",
            QStringLiteral("Use the serial port (mode 1, timer 1 as baud-rate generator) at BAUD: %1.")
                .arg(baudRateList()),
            "BAUD" };
        QCommandLineOption doubleBaud { "double-baud", "Double the baud rate (PCON|=0x80)." };
        QCommandLineOption uartInterrupt { "uart-interrupt", "Generate the serial interrupt routine." };
        QCommandLineOption encoding { "encoding", "Encoding of the source: gbk (default) or utf-8.", "gbk|utf-8",
            "gbk" };
        QCommandLineOption dialect { "dialect", "Compiler dialect: keil (default) or sdcc.", "keil|sdcc", "keil" };
        QCommandLineOption output { { "o", "output" }, "Write to FILE instead of standard output.", "FILE" };
        QCommandLineOption json { "json", "Print one JSON object with the computed values and the source." };
        QCommandLineOption explain { "explain",
            "Print how each value was computed (counts, reload bytes, real period and baud rate, errors) instead "
            "of the source." };
        QCommandLineOption exact { "exact",
            "Count from the exact crystal frequency, rounded to the nearest step, instead of whole megahertz." };
        QCommandLineOption driftFree { "drift-free",
            "Timers in modes 0 and 1 add the reload to the running count, so that the long-run period is exactly "
            "the count." };
        QCommandLineOption postscale0 { "postscale0",
            "Timer 0's interrupt routine runs your code on every Nth interrupt (1 to 65535; default 1).", "N" };
        QCommandLineOption postscale1 { "postscale1",
            "Timer 1's interrupt routine runs your code on every Nth interrupt (1 to 65535; default 1).", "N" };
        QCommandLineOption chip { "chip", chipHelp(), "CHIP" };
        QCommandLineOption sixT { "6t", "The STC89 is programmed in 6T mode: 6 clocks per machine cycle." };
        QCommandLineOption clock0 { "clock0",
            QStringLiteral(
                "Timer 0 counts every clock (1t) or every 12 clocks (12t); 1t on %1 only, its default there.")
                .arg(chipsClocking(0, 1)),
            "1t|12t" };
        QCommandLineOption clock1 { "clock1", "Timer 1 counts at 1t or 12t, as --clock0.", "1t|12t" };
        QCommandLineOption clock2 { "clock2", "Timer 2 counts at 1t or 12t, as --clock0.", "1t|12t" };
        QCommandLineOption timer2 { "timer2",
            QStringLiteral("Use timer 2 (not on the %1) as a 16-bit auto-reload timer with a period in microseconds.")
                .arg(chipKeys(std::not_fn(hasTimer2), "and")),
            "MICROSECONDS" };
        QCommandLineOption counter2 { "counter2", "Use timer 2 as a counter of PULSES on its T2 pin.", "PULSES" };
        QCommandLineOption postscale2 { "postscale2",
            "Timer 2's interrupt routine runs your code on every Nth interrupt (1 to 65535; default 1).", "N" };
        QCommandLineOption uartTimer { "uart-timer",
            QStringLiteral("The timer that clocks the serial port: 1 (default) or 2 (not on the %1); %2 run timer 1 in"
                           " its 16-bit auto-reload mode 0.")
                .arg(chipKeys(std::not_fn(hasTimer2), "and"),
                    chipKeys(
                        [](const ChipRow& row) {
                            const BaudSourceRow* source = BaudSourceOnTimer(row, 1);
                            return source != nullptr && source->source == BaudSource::Timer1Mode0;
                        },
                        "and")),
            "1|2" };
        QCommandLineOption header { "header",
            QStringLiteral("Include the vendor's header NAME instead of declaring the STC registers (%1).")
                .arg(chipKeyList([](const ChipRow& row) { return row.acceptsVendorHeader; }).join(QLatin1String(", "))),
            "NAME" };

        void addTo(QCommandLineParser& parser) const
        {
            parser.addOptions({ crystal, comments, int0, int1, timer0, counter0, gate0, timer1, counter1, gate1, uart,
                doubleBaud, uartInterrupt, encoding, dialect, output, json, explain, exact, postscale0, postscale1,
                driftFree, chip, sixT, clock0, clock1, clock2, timer2, counter2, postscale2, uartTimer, header });
        }
    };

    class ArgumentReader
    {
    public:
        explicit ArgumentReader(const QCommandLineParser& parser)
            : parser_(parser)
        {
        }

        bool failed() const { return !error_.isEmpty(); }
        QString error() const { return error_; }

        void fail(const QString& message)
        {
            if (error_.isEmpty())
                error_ = message;
        }

        // The one value of a single-valued option; repeating it is refused.
        QString single(const QCommandLineOption& option)
        {
            const QStringList values = parser_.values(option);
            if (values.size() > 1)
                fail(QStringLiteral("--%1 given more than once").arg(option.names().constLast()));
            return values.isEmpty() ? QString() : values.constLast();
        }

        std::optional<TriggerMode> trigger(const QCommandLineOption& option)
        {
            if (!parser_.isSet(option))
                return std::nullopt;
            const QString value = single(option);
            if (value == QLatin1String("level"))
                return TriggerMode::Level;
            if (value == QLatin1String("falling"))
                return TriggerMode::FallingEdge;
            fail(QStringLiteral("--%1 takes level or falling, got \"%2\"").arg(option.names().constLast(), value));
            return std::nullopt;
        }

        TimerConfig timer(int index, const QCommandLineOption& timerOption, const QCommandLineOption& counterOption,
            const QCommandLineOption& gateOption)
        {
            TimerConfig config;
            const bool asTimer = parser_.isSet(timerOption);
            const bool asCounter = parser_.isSet(counterOption);
            config.gate = parser_.isSet(gateOption);
            if (asTimer && asCounter) {
                fail(QStringLiteral("--timer%1 and --counter%1 exclude each other").arg(index));
                return config;
            }
            if (config.gate && !asTimer && !asCounter) {
                fail(QStringLiteral("--gate%1 needs --timer%1 or --counter%1").arg(index));
                return config;
            }
            if (!asTimer && !asCounter)
                return config;
            const QCommandLineOption& used = asTimer ? timerOption : counterOption;
            config.enabled = true;
            config.counter = asCounter;
            parseModeValue(used, single(used), config);
            return config;
        }

        Chip chip(const QCommandLineOption& option)
        {
            if (!parser_.isSet(option))
                return Chip();
            const QString text = single(option);
            if (const auto chip = FindChip(text.toStdString()))
                return *chip;
            fail(
                QStringLiteral("--chip takes %1, got \"%2\"").arg(chipKeys([](const ChipRow&) { return true; }), text));
            return Chip();
        }

        std::optional<std::uint32_t> clock(const QCommandLineOption& option)
        {
            if (!parser_.isSet(option))
                return std::nullopt;
            return choice(
                option, { std::pair { "1t", std::uint32_t { 1 } }, std::pair { "12t", std::uint32_t { 12 } } });
        }

        // --timer2 MICROSECONDS or --counter2 PULSES: timer 2's one mode.
        TimerConfig timer2(const QCommandLineOption& timerOption, const QCommandLineOption& counterOption)
        {
            TimerConfig config;
            const bool asTimer = parser_.isSet(timerOption);
            const bool asCounter = parser_.isSet(counterOption);
            if (asTimer && asCounter) {
                fail(QStringLiteral("--timer2 and --counter2 exclude each other"));
                return config;
            }
            if (!asTimer && !asCounter)
                return config;
            const QCommandLineOption& used = asTimer ? timerOption : counterOption;
            const QString text = single(used);
            const std::optional<std::uint32_t> value = wholeNumber(text);
            if (!value) {
                fail(QStringLiteral("--%1 \"%2\": a whole number from 0 to 4294967295")
                         .arg(used.names().constLast(), text));
                return config;
            }
            config.enabled = true;
            config.counter = asCounter;
            config.value = *value;
            return config;
        }

        int uartTimer(const QCommandLineOption& option, bool uart)
        {
            if (!parser_.isSet(option))
                return 1;
            const QString text = single(option);
            const std::optional<std::uint32_t> number = wholeNumber(text);
            const int timer = number == 2u ? 2 : 1;
            if (number != 1u && number != 2u)
                fail(QStringLiteral("--uart-timer takes 1 or 2, got \"%1\"").arg(text));
            if (!uart)
                fail(QStringLiteral("--uart-timer needs --uart"));
            return timer;
        }

        // Mode 3 is the chip's to refuse; at the 8051 it is refused as it always was.
        void allowModeThree(bool allowed) { modeThree_ = allowed; }

        // N of --postscaleN, for a timer that is in use.
        std::uint32_t postscale(int index, const QCommandLineOption& option, const TimerConfig& timer)
        {
            if (!parser_.isSet(option))
                return 1;
            const QString text = single(option);
            const std::optional<std::uint32_t> value = wholeNumber(text);
            if (!value || *value < 1 || *value > kMaxPostscale) {
                fail(QStringLiteral("--postscale%1 \"%2\": a whole number from 1 to 65535").arg(index).arg(text));
                return 1;
            }
            if (!timer.enabled)
                fail(QStringLiteral("--postscale%1 needs --timer%1 or --counter%1").arg(index));
            return *value;
        }

        std::uint32_t crystalHz(const QCommandLineOption& option)
        {
            const QString text = single(option);
            const auto hz = CrystalHzFromMhzText(text.toStdString());
            if (!hz) {
                fail(QStringLiteral("--crystal \"%1\": %2 (a number of MHz from 1 to 100)")
                         .arg(text, QString::fromUtf8(kCustomMhzRangeMessage).replace(QLatin1String("\r\n"), " ")));
                return kDefaultCrystalHz;
            }
            return *hz;
        }

        std::optional<int> baudIndex(const QCommandLineOption& option)
        {
            if (!parser_.isSet(option))
                return std::nullopt;
            const QString text = single(option);
            const std::optional<std::uint32_t> rate = wholeNumber(text);
            for (std::size_t i = 0; i < kBaudRates.size(); ++i) {
                if (rate == kBaudRates[i])
                    return int(i);
            }
            fail(QStringLiteral("--uart \"%1\" is not a rate of the list: %2").arg(text, baudRateList()));
            return std::nullopt;
        }

        template <typename T>
        T choice(const QCommandLineOption& option, std::initializer_list<std::pair<const char*, T>> choices)
        {
            const QString text = single(option);
            QStringList names;
            for (const auto& [name, value] : choices) {
                if (text == QLatin1String(name))
                    return value;
                names << QLatin1String(name);
            }
            fail(QStringLiteral("--%1 takes %2, got \"%3\"")
                     .arg(option.names().constLast(), names.join(QLatin1String(" or ")), text));
            return choices.begin()->second;
        }

    private:
        // Every number an option takes may have blanks around it, as in the
        // window's boxes, and nothing else.
        static QString withoutBlanks(const QString& text)
        {
            const std::string bytes = text.toStdString();
            return QString::fromStdString(std::string(TrimBlanks(bytes)));
        }

        static std::optional<std::uint32_t> wholeNumber(const QString& text)
        {
            return ParseUnsignedDecimal(text.toStdString());
        }

        void parseModeValue(const QCommandLineOption& option, const QString& text, TimerConfig& config)
        {
            static const QRegularExpression pattern(
                QRegularExpression::anchoredPattern(QStringLiteral("([0-3]):([0-9]+)")));
            const QString name = option.names().constLast();
            const auto match = pattern.match(withoutBlanks(text));
            if (!match.hasMatch() || (!modeThree_ && match.captured(1) == QLatin1String("3"))) {
                fail(QStringLiteral("--%1 \"%2\": expected MODE:%3 with MODE 0, 1 or 2 and a whole number")
                         .arg(name, text, config.counter ? QStringLiteral("PULSES") : QStringLiteral("MICROSECONDS")));
                return;
            }
            bool ok = false;
            const qulonglong value = match.captured(2).toULongLong(&ok);
            if (!ok || value > 4294967295ull) {
                fail(QStringLiteral("--%1 \"%2\": the value must be a whole number from 0 to 4294967295")
                         .arg(name, text));
                return;
            }
            config.mode = match.captured(1).toInt();
            config.value = static_cast<std::uint32_t>(value);
        }

        const QCommandLineParser& parser_;
        QString error_;
        bool modeThree_ = false;
    };

    // A parse error, --help, --version or a stray argument: what ends the
    // run before any option is read.
    std::optional<GenParseResult> earlyResult(QCommandLineParser& parser, const QStringList& args,
        const QCommandLineOption& help, const QCommandLineOption& version)
    {
        GenParseResult result;
        if (!parser.parse(args))
            result.error = escapeControls(parser.errorText());
        // --help-all adds Qt's own options, of which a command-line program
        // takes none: the same help.
        else if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
            result.earlyExit = parser.helpText();
        else if (parser.isSet(version))
            result.earlyExit = QStringLiteral("orlet-gen " ORLET_VERSION "\n");
        else if (!parser.positionalArguments().isEmpty())
            result.error = escapeControls(
                QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().constFirst()));
        else
            return std::nullopt;
        return result;
    }

    // 6T, the timer clocks, timer 2, the serial port's timer and the vendor's header.
    void readChipOptions(
        ArgumentReader& read, const QCommandLineParser& parser, const Options& options, Configuration& config)
    {
        config.sixT = parser.isSet(options.sixT);
        const std::array clocks { read.clock(options.clock0), read.clock(options.clock1), read.clock(options.clock2) };
        config.timer(2) = read.timer2(options.timer2, options.counter2);
        for (std::size_t timer = 0; timer < clocks.size(); ++timer)
            config.timers.at(timer).clock = clocks.at(timer);
        config.uartTimer = read.uartTimer(options.uartTimer, config.uartBaudIndex.has_value());
        if (parser.isSet(options.header))
            config.vendorHeader = read.single(options.header).toStdString();
    }

    // The peripherals, the crystal and the precision: what the window shows.
    void readConfiguration(
        ArgumentReader& read, const QCommandLineParser& parser, const Options& options, GenRequest& request)
    {
        Configuration& config = request.config;
        config.crystalHz = read.crystalHz(options.crystal);
        config.chip = read.chip(options.chip);
        read.allowModeThree(!config.chip.isDefault());
        config.comments = parser.isSet(options.comments);
        config.int0 = read.trigger(options.int0);
        config.int1 = read.trigger(options.int1);
        config.timer(0) = read.timer(0, options.timer0, options.counter0, options.gate0);
        config.timer(1) = read.timer(1, options.timer1, options.counter1, options.gate1);
        config.uartBaudIndex = read.baudIndex(options.uart);
        readChipOptions(read, parser, options, config);
        if (parser.isSet(options.postscale1) && config.uartBaudIndex && config.uartTimer == 1)
            read.fail(QStringLiteral("--postscale1 cannot be used with --uart: timer 1 is the baud-rate generator"));
        const QCommandLineOption* postscales[] = { &options.postscale0, &options.postscale1, &options.postscale2 };
        for (int timer = 0; timer < 3; ++timer)
            config.timer(timer).postscale = read.postscale(timer, *postscales[timer], config.timer(timer));
        request.postscaleGiven
            = { parser.isSet(options.postscale0), parser.isSet(options.postscale1), parser.isSet(options.postscale2) };
        config.precision = parser.isSet(options.exact) ? Precision::Exact : Precision::Classic;
        config.driftFree = parser.isSet(options.driftFree);
        config.uartDoubleBaud = parser.isSet(options.doubleBaud);
        config.uartInterrupt = parser.isSet(options.uartInterrupt);
    }

    // What is written and where: encoding, dialect, -o, --json, --explain.
    void readOutputOptions(
        ArgumentReader& read, const QCommandLineParser& parser, const Options& options, GenRequest& request)
    {
        request.encoding = read.choice(options.encoding,
            { std::pair { "gbk", TextEncoding::Gbk }, std::pair { "utf-8", TextEncoding::Utf8 },
                std::pair { "utf8", TextEncoding::Utf8 } });
        request.dialect = read.choice(
            options.dialect, { std::pair { "keil", Dialect::Keil }, std::pair { "sdcc", Dialect::Sdcc } });
        if (parser.isSet(options.output)) {
            const QString path = read.single(options.output);
            if (path.isEmpty())
                read.fail(QStringLiteral("-o takes a file name (\"-\" for standard output), got an empty one"));
            else if (path != QLatin1String("-"))
                request.outputPath = path;
        }
        request.json = parser.isSet(options.json);
        request.explain = parser.isSet(options.explain);
    }

    QJsonValue orNull(const std::optional<double>& value)
    {
        return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
    }

    // One timer's numbers: cycles0 (its counts), actualPeriod0Us,
    // periodError0 (per cent, null for a period of 0), interruptCycles0 (the
    // counts from one interrupt to the next, the routine's latency included;
    // null where it is not counted), driftPpm0 and driftSecondsPerDay0 (null
    // where there is none); pulses0 for a counter. For --postscale0:
    // postscale0 and wholePeriod0Us, and on the default chip
    // wholePeriodError0 (per cent against postscale times the period asked).
    void insertTimer(QJsonObject& object, const TimerDerivation& t, bool postscaleGiven, bool defaultChip)
    {
        const QString n = QString::number(t.timer);
        const step::Count& count = *t.find<step::Count>();
        if (postscaleGiven)
            object.insert("postscale" + n, qint64(t.postscale));
        if (t.counter) {
            object.insert("pulses" + n, qint64(count.count));
            return;
        }
        const step::Period& period = *t.find<step::Period>();
        const step::Interrupt& interrupt = *t.find<step::Interrupt>();
        const step::Drift* drift = t.find<step::Drift>();
        object.insert("cycles" + n, qint64(count.count));
        object.insert("actualPeriod" + n + "Us", period.actualUs);
        object.insert("periodError" + n, orNull(period.errorPercent));
        object.insert("interruptCycles" + n,
            interrupt.interruptCycles ? QJsonValue(qint64(*interrupt.interruptCycles)) : QJsonValue(QJsonValue::Null));
        object.insert("driftPpm" + n, drift ? QJsonValue(drift->drift.ppm) : QJsonValue(QJsonValue::Null));
        object.insert(
            "driftSecondsPerDay" + n, drift ? QJsonValue(drift->drift.secondsPerDay) : QJsonValue(QJsonValue::Null));
        if (postscaleGiven) {
            object.insert("wholePeriod" + n + "Us", period.wholeUs);
            if (defaultChip)
                object.insert("wholePeriodError" + n, orNull(period.errorPercent));
        }
        // Drift-free: the split the hardware reload of mode 2 keeps exact as
        // well, with periodUs, postscale and cycles (per interrupt).
        if (const step::HardwareSplit* hardware = t.find<step::HardwareSplit>()) {
            const PostscaleSplit& split = hardware->split;
            object.insert("hardwareSplit" + n,
                QJsonObject { { "periodUs", qint64(split.periodUs) }, { "postscale", qint64(split.postscale) },
                    { "cycles", qint64(split.cycles) } });
        }
    }

    // The window's members (crystalHz, tmod, the bytes of timers 0 and 1,
    // the displays of the blocks in use), each timer's numbers, the serial
    // port's real rate and error (actualBaud, baudError: per cent, as shown),
    // "exact" and "driftFree" where asked for. Off the default chip also
    // "chip", "sixT" and "header" where given, the bytes of the other timers
    // in use (th2/tl2: RCAP2H/RCAP2L or T2H/T2L), what the init code leaves
    // in T2CON or AUXR, and the serial port's timer.
    QJsonObject jsonFor(const GenRequest& request, const ResolvedConfiguration& resolved, const Derivation& d)
    {
        const Configuration& config = request.config;
        const GeneratorSettings& s = resolved.settings;
        const bool defaultChip = config.chip.isDefault();
        QJsonObject object { { "crystalHz", qint64(config.crystalHz) }, { "tmod", s.tmod } };
        for (int timer = 0; timer < kMaxTimers; ++timer) {
            const TimerRow* row = TimerOf(config.chip.row(), timer);
            if (row == nullptr)
                continue;
            const TimerSettings& t = s.timer(timer);
            const bool clocksUart = s.uartEnabled && FindBaudSource(config.chip.row(), s.uartSource)->timer == timer;
            const QString n = QString::number(timer);
            if (row->control == TimerControl::Tmod || t.enabled || clocksUart) {
                object.insert("th" + n, t.th);
                object.insert("tl" + n, t.tl);
            }
            if (t.enabled)
                object.insert("reload" + n + "Text", fromUtf8(resolved.reloadTexts.at(std::size_t(timer))));
            if (const auto& derivation = d.timers.at(std::size_t(timer)))
                insertTimer(object, *derivation, request.postscaleGiven.at(std::size_t(timer)), defaultChip);
        }
        if (s.uartEnabled) {
            object.insert("baudReloadText", fromUtf8(resolved.baudReloadText));
            object.insert("baudErrorText", fromUtf8(resolved.baudErrorText));
            object.insert("actualBaud", d.baud->find<step::BaudRate>()->actualBaud);
            object.insert("baudError", d.baud->find<step::BaudError>()->errorShown);
            if (!defaultChip)
                object.insert("uartTimer", d.baud->find<step::BaudSource>()->timer);
        }
        if (config.precision == Precision::Exact)
            object.insert("exact", true);
        if (config.driftFree)
            object.insert("driftFree", true);
        if (d.t2con)
            object.insert("t2con", *d.t2con);
        if (d.auxr)
            object.insert("auxr", *d.auxr);
        if (!defaultChip) {
            object.insert("chip", latin1(d.chip.key()));
            if (config.sixT)
                object.insert("sixT", true);
            if (const auto& header = config.vendorHeader)
                object.insert("header", fromUtf8(*header));
        }
        return object;
    }

    // Source, JSON and the derivation in UTF-8 are text a console can show
    // as such; GBK goes out as bytes.
    bool isUtf8Text(const GenRequest& request)
    {
        return request.json || request.explain || request.encoding == TextEncoding::Utf8;
    }

    // UTF-8 text for a standard stream: a Windows console gets it through its
    // wide-character API, anything else the bytes.
    WriteFailure writeText(StandardStream stream, const QByteArray& utf8)
    {
        const ConsoleWriter console(
            stream == StandardStream::Error ? ConsoleWriter::Stream::Error : ConsoleWriter::Stream::Output);
        if (!console.isConsole())
            return WriteStandardStream(stream, utf8);
        if (console.write(utf8))
            return std::nullopt;
        return QStringLiteral("cannot write to the console");
    }

} // namespace

namespace {

    GenOutput encodedSource(const GenRequest& request, const std::string& source)
    {
        if (request.encoding == TextEncoding::Utf8)
            return { QByteArray::fromStdString(source), {} };
        // The one text of the user's in the source; the rest is GBK by design.
        if (const auto& header = request.config.vendorHeader; header && !EncodeGbk(*header))
            return { {},
                QStringLiteral("--header %1: the name has no GBK form; use --encoding utf-8 or another name")
                    .arg(quotedHeader(request.config)),
                kExitRefused };
        if (std::optional<std::string> bytes = EncodeGbk(source))
            return { QByteArray::fromStdString(*bytes), {} };
        return { {}, QStringLiteral("the source holds text with no GBK form: use --encoding utf-8"), kExitFailure };
    }

    // The JSON (with the explanation or the source in it), or the
    // explanation alone, or the source in its encoding.
    GenOutput outputOf(
        const GenRequest& request, QJsonObject json, const std::string& explanation, const std::string& source)
    {
        if (request.json) {
            if (request.explain)
                json.insert("explain", fromUtf8(explanation));
            else
                json.insert("source", fromUtf8(source));
            return { QJsonDocument(json).toJson(QJsonDocument::Indented), {} };
        }
        if (request.explain)
            return { QByteArray::fromStdString(explanation), {} };
        return encodedSource(request, source);
    }

    QString cpuShareWarning(int timer, const CpuShare& share)
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

    QStringList cpuShareWarnings(const Derivation& d)
    {
        QStringList warnings;
        for (const auto& timer : d.timers) {
            if (!timer)
                continue;
            if (const step::Cpu* cpu = timer->find<step::Cpu>())
                warnings << cpuShareWarning(timer->timer, cpu->share);
        }
        return warnings;
    }

} // namespace

GenParseResult ParseGenArguments(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes 8051 C start-up code for timers, external interrupts "
                                                    "and the serial port, as the Orlet window does."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const Options options;
    options.addTo(parser);
    if (std::optional<GenParseResult> early = earlyResult(parser, args, help, version))
        return *early;

    // The first refusal wins, so the options are read in this order.
    ArgumentReader read(parser);
    GenRequest request;
    readConfiguration(read, parser, options, request);
    readOutputOptions(read, parser, options, request);
    if (Timer1ClashesWithSerialPort(request.config))
        read.fail(QStringLiteral("--timer1/--counter1 cannot be used with --uart: timer 1 is the baud-rate generator"));

    GenParseResult result;
    if (read.failed())
        result.error = escapeControls(read.error());
    else
        result.request = request;
    return result;
}

GenOutput RenderGenOutput(const GenRequest& request)
{
    const ResolveResult resolved = ResolveConfiguration(request.config);
    if (!resolved.resolved)
        return { {}, refusalText(*resolved.error, request.config), kExitRefused };
    const std::string source = BuildSourceText(resolved.resolved->settings, request.dialect);
    const Derivation derivation = DeriveConfiguration(request.config, *resolved.resolved, request.dialect);
    // The derivation is ASCII but for a vendor header's name, so it reads the
    // same in every encoding.
    const std::string explanation = request.explain ? FormatDerivation(derivation) : std::string();
    QJsonObject json;
    if (request.json)
        json = jsonFor(request, *resolved.resolved, derivation);
    return outputOf(request, json, explanation, source);
}

QStringList GenWarnings(const GenRequest& request)
{
    const ResolveResult resolved = ResolveConfiguration(request.config);
    if (!resolved.resolved)
        return {};
    return cpuShareWarnings(DeriveConfiguration(request.config, *resolved.resolved, request.dialect));
}

int FailGenCommand(const QString& message, int status)
{
    // With standard error closed too, the status alone tells.
    (void)writeText(StandardStream::Error, "orlet-gen: " + escapeControls(message).toUtf8() + '\n');
    return status;
}

#ifndef Q_OS_WIN
namespace {

    // "caf\xe9.h": the bytes that are no UTF-8 as \xHH, the rest as it is.
    QString shownBytes(std::string_view bytes)
    {
        QString shown;
        while (const std::optional<std::size_t> bad = FindMalformedUtf8(bytes)) {
            shown += fromUtf8(bytes.substr(0, *bad))
                + QStringLiteral("\\x%1").arg(uint(static_cast<unsigned char>(bytes[*bad])), 2, 16, QLatin1Char('0'));
            bytes.remove_prefix(*bad + 1);
        }
        return shown + fromUtf8(bytes);
    }

} // namespace
#endif

GenArguments ReadGenArguments(int argc, const char* const* argv)
{
#ifdef Q_OS_WIN
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return { QCoreApplication::arguments(), {} };
#else
    GenArguments read;
    for (int i = 0; i < argc; ++i) {
        const std::string_view bytes(argv[i]);
        if (const std::optional<std::size_t> bad = FindMalformedUtf8(bytes); bad && i > 0) {
            read.error = QStringLiteral("argument %1, \"%2\", is not UTF-8 (at byte %3); orlet-gen reads its"
                                        " arguments as UTF-8")
                             .arg(i)
                             .arg(shownBytes(bytes))
                             .arg(*bad);
            return read;
        }
        read.args << fromUtf8(bytes);
    }
    return read;
#endif
}

int RunGenCommand(const QStringList& args)
{
    const GenParseResult parsed = ParseGenArguments(args);
    if (!parsed.earlyExit.isEmpty()) {
        if (const WriteFailure failure = writeText(StandardStream::Output, parsed.earlyExit.toUtf8()))
            return FailGenCommand(*failure, kExitFailure);
        return kExitSuccess;
    }
    if (!parsed.request)
        return FailGenCommand(parsed.error, kExitRefused);
    const GenOutput output = RenderGenOutput(*parsed.request);
    if (!output.error.isEmpty())
        return FailGenCommand(output.error, output.exitStatus);
    const QString& path = parsed.request->outputPath;
    WriteFailure failure;
    if (!path.isEmpty())
        failure = WriteOutputFile(path, output.bytes);
    else if (isUtf8Text(*parsed.request))
        failure = writeText(StandardStream::Output, output.bytes);
    else
        failure = WriteStandardStream(StandardStream::Output, output.bytes);
    if (failure)
        return FailGenCommand(*failure, kExitFailure);
    for (const QString& warning : GenWarnings(*parsed.request))
        (void)writeText(StandardStream::Error, "orlet-gen: " + warning.toUtf8() + '\n');
    return kExitSuccess;
}

} // namespace orlet
