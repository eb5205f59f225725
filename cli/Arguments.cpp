#include "Arguments.h"

#include "BaudAdvice.h"
#include "BaudReload.h"
#include "Crystal.h"
#include "DecimalText.h"
#include "Messages.h"
#include "OrletVersion.h"
#include "TimerTiming.h"
#include "Utf8.h"
#include "Wording.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

#include <array>
#include <cmath>

namespace orlet {

namespace {

    QString timerHelp(int timer)
    {
        return QStringLiteral("Use timer %1 as a timer in MODE %2 with a period in microseconds.")
            .arg(timer)
            .arg(DefaultChipModes());
    }

    QString counterHelp(int timer)
    {
        return QStringLiteral("Use timer %1 as a counter in MODE %2 counting PULSES.")
            .arg(timer)
            .arg(DefaultChipModes());
    }

    QString clockValues()
    {
        return ClockNames().join(QLatin1Char('|'));
    }

    struct Options {
        QCommandLineOption crystal { "crystal", CrystalHelp(), "MHZ", kCrystals[kDefaultCrystalIndex].text };
        QCommandLineOption comments { "comments", "Add the Chinese comments." };
        QCommandLineOption int0 { "int0", "Use INT0, triggered on a low level or a falling edge.", "level|falling" };
        QCommandLineOption int1 { "int1", "Use INT1, triggered on a low level or a falling edge.", "level|falling" };
        QCommandLineOption timer0 { "timer0", timerHelp(0), "MODE:MICROSECONDS" };
        QCommandLineOption counter0 { "counter0", counterHelp(0), "MODE:PULSES" };
        QCommandLineOption gate0 { "gate0", "Set GATE for timer 0: it runs (or counts) only while INT0 is high." };
        QCommandLineOption timer1 { "timer1", timerHelp(1), "MODE:MICROSECONDS" };
        QCommandLineOption counter1 { "counter1", counterHelp(1), "MODE:PULSES" };
        QCommandLineOption gate1 { "gate1", "Set GATE for timer 1: it runs (or counts) only while INT1 is high." };
        QCommandLineOption uart { "uart",
            QStringLiteral("Use the serial port (mode 1, timer 1 as baud-rate generator) at BAUD: %1, or any whole"
                           " rate the timer makes.")
                .arg(BaudRateList()),
            "BAUD" };
        QCommandLineOption maxBaudError { "max-baud-error",
            QStringLiteral("Refuse (exit %1) where the real baud rate deviates more than PERCENT from BAUD, instead of"
                           " warning beyond %2%.")
                .arg(kExitRefused)
                .arg(kBaudTolerancePercent),
            "PERCENT" };
        QCommandLineOption baudTable { "baud-table",
            "Print every listed baud rate as the serial port's timer makes it at the crystal (reload, real rate, "
            "deviation) instead of the source." };
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
        QCommandLineOption postscale0 { "postscale0", PostscaleHelp(0), "N" };
        QCommandLineOption postscale1 { "postscale1", PostscaleHelp(1), "N" };
        QCommandLineOption chip { "chip", ChipHelp(), "CHIP" };
        QCommandLineOption sixT { "6t", SixTHelp() };
        QCommandLineOption clock0 { "clock0",
            QStringLiteral(
                "Timer 0 counts every clock (1t) or every 12 clocks (12t); 1t on %1 only, its default there.")
                .arg(ChipsClocking(0, 1)),
            clockValues() };
        QCommandLineOption clock1 { "clock1", "Timer 1 counts at 1t or 12t, as --clock0.", clockValues() };
        QCommandLineOption clock2 { "clock2", "Timer 2 counts at 1t or 12t, as --clock0.", clockValues() };
        QCommandLineOption timer2 { "timer2", Timer2Help(), "MICROSECONDS" };
        QCommandLineOption counter2 { "counter2", "Use timer 2 as a counter of PULSES on its T2 pin.", "PULSES" };
        QCommandLineOption postscale2 { "postscale2", PostscaleHelp(2), "N" };
        QCommandLineOption uartTimer { "uart-timer", UartTimerHelp(), "1|2" };
        QCommandLineOption header { "header", HeaderHelp(), "NAME" };
        QCommandLineOption config { "config",
            "Take the settings from FILE, a settings file as the window saves it; the other options override "
            "its values.",
            "FILE" };
        QCommandLineOption saveConfig { "save-config", "Also write the settings to FILE, for --config and the window.",
            "FILE" };

        void addTo(QCommandLineParser& parser) const
        {
            parser.addOptions({ crystal, comments, int0, int1, timer0, counter0, gate0, timer1, counter1, gate1, uart,
                doubleBaud, uartInterrupt, encoding, dialect, output, json, explain, exact, postscale0, postscale1,
                driftFree, chip, sixT, clock0, clock1, clock2, timer2, counter2, postscale2, uartTimer, header,
                maxBaudError, baudTable, config, saveConfig });
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

        std::optional<TriggerMode> trigger(const QCommandLineOption& option, std::optional<TriggerMode> base)
        {
            if (!parser_.isSet(option))
                return base;
            const QString value = single(option);
            if (value == QLatin1String("level"))
                return TriggerMode::Level;
            if (value == QLatin1String("falling"))
                return TriggerMode::FallingEdge;
            fail(QStringLiteral("--%1 takes level or falling, got \"%2\"").arg(option.names().constLast(), value));
            return std::nullopt;
        }

        // The block `base` (the settings file's) holds, with what the options say.
        TimerConfig timer(int index, const QCommandLineOption& timerOption, const QCommandLineOption& counterOption,
            const QCommandLineOption& gateOption, TimerConfig config)
        {
            const bool asTimer = parser_.isSet(timerOption);
            const bool asCounter = parser_.isSet(counterOption);
            if (asTimer && asCounter) {
                fail(QStringLiteral("--timer%1 and --counter%1 exclude each other").arg(index));
                return config;
            }
            if (asTimer || asCounter) {
                const QCommandLineOption& used = asTimer ? timerOption : counterOption;
                config.enabled = true;
                config.counter = asCounter;
                parseModeValue(used, single(used), config);
            }
            if (parser_.isSet(gateOption)) {
                config.gate = true;
                if (!config.enabled)
                    fail(QStringLiteral("--gate%1 needs --timer%1 or --counter%1").arg(index));
            }
            return config;
        }

        Chip chip(const QCommandLineOption& option, Chip base)
        {
            if (!parser_.isSet(option))
                return base;
            const QString text = single(option);
            if (const auto chip = FindChip(text.toStdString()))
                return *chip;
            fail(
                QStringLiteral("--chip takes %1, got \"%2\"").arg(ChipKeys([](const ChipRow&) { return true; }), text));
            return Chip();
        }

        // The clock choices of every row: "1t" or "12t".
        std::optional<std::uint32_t> clock(const QCommandLineOption& option)
        {
            if (!parser_.isSet(option))
                return std::nullopt;
            const QString text = single(option);
            for (const ClockChoice& choice : ClockChoices()) {
                if (text == Latin1(choice.name))
                    return choice.clocksPerCount;
            }
            fail(QStringLiteral("--%1 takes %2, got \"%3\"")
                     .arg(option.names().constLast(), ClockNames().join(QLatin1String(" or ")), text));
            return std::nullopt;
        }

        // --timer2 MICROSECONDS or --counter2 PULSES: timer 2's one mode.
        TimerConfig timer2(
            const QCommandLineOption& timerOption, const QCommandLineOption& counterOption, TimerConfig config)
        {
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
                fail(QStringLiteral("--%1 \"%2\": a whole number %3")
                         .arg(used.names().constLast(), text, WholeNumberRange()));
                return config;
            }
            config.enabled = true;
            config.counter = asCounter;
            config.value = *value;
            return config;
        }

        // `uart`: the serial port is in use, or its rates are asked for.
        int uartTimer(const QCommandLineOption& option, bool uart, int base)
        {
            if (!parser_.isSet(option))
                return base;
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
                return timer.postscale;
            const QString text = single(option);
            const std::optional<std::uint32_t> value = wholeNumber(text);
            if (!value || *value < 1 || *value > kMaxPostscale) {
                fail(QStringLiteral("--postscale%1 \"%2\": a whole number %3").arg(index).arg(text, PostscaleRange()));
                return 1;
            }
            if (!timer.enabled)
                fail(QStringLiteral("--postscale%1 needs --timer%1 or --counter%1").arg(index));
            return *value;
        }

        // The custom frequency as given, for the settings file.
        void crystal(const QCommandLineOption& option, Configuration& config)
        {
            if (!parser_.isSet(option))
                return;
            const QString text = single(option);
            const std::optional<CrystalChoice> crystal = CrystalFromMhzText(text.toStdString());
            if (!crystal) {
                fail(QStringLiteral("--crystal \"%1\": %2 (a number of MHz %3)")
                         .arg(text, QString::fromUtf8(kCustomMhzRangeMessage).replace(QLatin1String("\r\n"), " "),
                             CrystalRange()));
                return;
            }
            config.crystalHz = crystal->hz;
            config.customMhz = crystal->customMhz;
        }

        // A listed rate by its index, any other whole rate as the list's
        // custom entry; the core refuses one the timer cannot make.
        std::optional<int> baudIndex(
            const QCommandLineOption& option, std::optional<int> base, std::uint32_t& customRate)
        {
            if (!parser_.isSet(option))
                return base;
            const QString text = single(option);
            const std::optional<std::uint32_t> rate = wholeNumber(text);
            if (!rate || *rate == 0) {
                fail(QStringLiteral("--uart \"%1\" is not a rate of the list: %2").arg(text, BaudRateList()));
                return std::nullopt;
            }
            const int index = BaudIndexOf(*rate);
            if (index == kCustomBaudIndex)
                customRate = *rate;
            return index;
        }

        std::optional<double> percent(const QCommandLineOption& option, bool uart)
        {
            if (!parser_.isSet(option))
                return std::nullopt;
            const QString text = single(option);
            bool ok = false;
            const double value = withoutBlanks(text).toDouble(&ok);
            if (!ok || !(value >= 0) || !std::isfinite(value))
                fail(QStringLiteral("--max-baud-error \"%1\": a number of per cent, 0 or more").arg(text));
            else if (!uart)
                fail(QStringLiteral("--max-baud-error needs --uart"));
            return value;
        }

        template <typename T>
        T choice(const QCommandLineOption& option, std::initializer_list<std::pair<const char*, T>> choices, T base)
        {
            if (!parser_.isSet(option))
                return base;
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
                fail(QStringLiteral("--%1 \"%2\": expected MODE:%3 with MODE %4 and a whole number")
                         .arg(name, text, config.counter ? QStringLiteral("PULSES") : QStringLiteral("MICROSECONDS"),
                             DefaultChipModes()));
                return;
            }
            const std::optional<std::uint32_t> value = wholeNumber(match.captured(2));
            if (!value) {
                fail(QStringLiteral("--%1 \"%2\": the value must be a whole number %3")
                         .arg(name, text, WholeNumberRange()));
                return;
            }
            config.mode = match.captured(1).toInt();
            config.value = *value;
        }

        const QCommandLineParser& parser_;
        QString error_;
        bool modeThree_ = false;
    };

    // The settings of the file --config names, as the other options' base.
    std::optional<QString> readSettings(const QString& path, GenRequest& request)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot read \"%1\": %2").arg(path, file.errorString());
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return QStringLiteral("cannot read \"%1\": %2").arg(path, file.errorString());
        const SettingsRead read = ReadSettingsFile(std::string_view(bytes.constData(), std::size_t(bytes.size())));
        if (read.error)
            return QStringLiteral("%1: %2").arg(path, SettingsErrorWords(*read.error));
        request.config = read.settings->config;
        request.dialect = read.settings->dialect;
        return std::nullopt;
    }

    // A parse error, --help, --version or a stray argument: what ends the
    // run before any option is read.
    std::optional<GenParseResult> earlyResult(QCommandLineParser& parser, const QStringList& args,
        const QCommandLineOption& help, const QCommandLineOption& version)
    {
        GenParseResult result;
        if (!parser.parse(args))
            result.error = EscapeControls(parser.errorText());
        // --help-all adds Qt's own options, of which a command-line program
        // takes none: the same help.
        else if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
            result.earlyExit = parser.helpText();
        else if (parser.isSet(version))
            result.earlyExit = QStringLiteral("orlet-gen " ORLET_VERSION "\n");
        else if (!parser.positionalArguments().isEmpty())
            result.error = EscapeControls(
                QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().constFirst()));
        else
            return std::nullopt;
        return result;
    }

    // 6T, the timer clocks, timer 2, the serial port's timer and the vendor's header.
    void readChipOptions(
        ArgumentReader& read, const QCommandLineParser& parser, const Options& options, Configuration& config)
    {
        config.sixT = config.sixT || parser.isSet(options.sixT);
        const std::array clocks { &options.clock0, &options.clock1, &options.clock2 };
        std::array<std::optional<std::uint32_t>, clocks.size()> chosen;
        for (std::size_t timer = 0; timer < clocks.size(); ++timer)
            chosen.at(timer) = read.clock(*clocks.at(timer));
        config.timer(2) = read.timer2(options.timer2, options.counter2, config.timer(2));
        for (std::size_t timer = 0; timer < clocks.size(); ++timer) {
            if (chosen.at(timer))
                config.timers.at(timer).clock = chosen.at(timer);
        }
        config.uartTimer = read.uartTimer(
            options.uartTimer, config.uartBaudIndex.has_value() || parser.isSet(options.baudTable), config.uartTimer);
        if (parser.isSet(options.header))
            config.vendorHeader = read.single(options.header).toStdString();
    }

    // The peripherals, the crystal and the precision: what the window shows.
    void readConfiguration(
        ArgumentReader& read, const QCommandLineParser& parser, const Options& options, GenRequest& request)
    {
        Configuration& config = request.config;
        read.crystal(options.crystal, config);
        config.chip = read.chip(options.chip, config.chip);
        read.allowModeThree(!config.chip.isDefault());
        config.comments = config.comments || parser.isSet(options.comments);
        config.int0 = read.trigger(options.int0, config.int0);
        config.int1 = read.trigger(options.int1, config.int1);
        config.timer(0) = read.timer(0, options.timer0, options.counter0, options.gate0, config.timer(0));
        config.timer(1) = read.timer(1, options.timer1, options.counter1, options.gate1, config.timer(1));
        config.uartBaudIndex = read.baudIndex(options.uart, config.uartBaudIndex, config.uartCustomBaud);
        config.maxBaudDeviationPercent = read.percent(options.maxBaudError, config.uartBaudIndex.has_value());
        readChipOptions(read, parser, options, config);
        if (parser.isSet(options.postscale1) && config.uartBaudIndex && config.uartTimer == 1)
            read.fail(QStringLiteral("--postscale1 cannot be used with --uart: timer 1 is the baud-rate generator"));
        const std::array postscales { &options.postscale0, &options.postscale1, &options.postscale2 };
        for (std::size_t timer = 0; timer < postscales.size(); ++timer) {
            TimerConfig& t = config.timers.at(timer);
            t.postscale = read.postscale(int(timer), *postscales.at(timer), t);
            // A file's software counter shows as the option would.
            request.postscaleGiven.at(timer) = parser.isSet(*postscales.at(timer)) || (t.enabled && t.postscale != 1);
        }
        if (parser.isSet(options.exact))
            config.precision = Precision::Exact;
        config.driftFree = config.driftFree || parser.isSet(options.driftFree);
        config.uartDoubleBaud = config.uartDoubleBaud || parser.isSet(options.doubleBaud);
        config.uartInterrupt = config.uartInterrupt || parser.isSet(options.uartInterrupt);
    }

    // What is written and where: encoding, dialect, -o, --json, --explain.
    void readOutputOptions(
        ArgumentReader& read, const QCommandLineParser& parser, const Options& options, GenRequest& request)
    {
        request.encoding = read.choice(options.encoding,
            { std::pair { "gbk", TextEncoding::Gbk }, std::pair { "utf-8", TextEncoding::Utf8 },
                std::pair { "utf8", TextEncoding::Utf8 } },
            TextEncoding::Gbk);
        request.dialect = read.choice(options.dialect,
            { std::pair { "keil", Dialect::Keil }, std::pair { "sdcc", Dialect::Sdcc } }, request.dialect);
        if (parser.isSet(options.output)) {
            const QString path = read.single(options.output);
            if (path.isEmpty())
                read.fail(QStringLiteral("-o takes a file name (\"-\" for standard output), got an empty one"));
            else if (path != QLatin1String("-"))
                request.outputPath = path;
        }
        if (parser.isSet(options.saveConfig)) {
            request.saveConfigPath = read.single(options.saveConfig);
            if (request.saveConfigPath.isEmpty())
                read.fail(QStringLiteral("--save-config takes a file name, got an empty one"));
        }
        request.json = parser.isSet(options.json);
        request.explain = parser.isSet(options.explain);
        request.baudTable = parser.isSet(options.baudTable);
        if (request.baudTable && request.explain)
            read.fail(QStringLiteral("--baud-table and --explain exclude each other"));
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
    if (parser.isSet(options.config)) {
        const QString path = read.single(options.config);
        if (const std::optional<QString> refused = readSettings(path, request))
            return { std::nullopt, EscapeControls(*refused), {} };
    }
    readConfiguration(read, parser, options, request);
    readOutputOptions(read, parser, options, request);
    if (Timer1ClashesWithSerialPort(request.config))
        read.fail(QStringLiteral("--timer1/--counter1 cannot be used with --uart: timer 1 is the baud-rate generator"));

    GenParseResult result;
    if (read.failed())
        result.error = EscapeControls(read.error());
    else
        result.request = request;
    return result;
}

#ifndef Q_OS_WIN
namespace {

    // "caf\xe9.h": the bytes that are no UTF-8 as \xHH, the rest as it is.
    QString shownBytes(std::string_view bytes)
    {
        QString shown;
        while (const std::optional<std::size_t> bad = FindMalformedUtf8(bytes)) {
            shown += FromUtf8(bytes.substr(0, *bad))
                + QStringLiteral("\\x%1").arg(uint(static_cast<unsigned char>(bytes[*bad])), 2, 16, QLatin1Char('0'));
            bytes.remove_prefix(*bad + 1);
        }
        return shown + FromUtf8(bytes);
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
        read.args << FromUtf8(bytes);
    }
    return read;
#endif
}

} // namespace orlet
