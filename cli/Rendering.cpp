#include "Rendering.h"

#include "BaudAdvice.h"
#include "Derivation.h"
#include "Explain.h"
#include "Gbk.h"
#include "SettingsFile.h"
#include "Wording.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace orlet {

namespace {

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

    QByteArray settingsFileOf(const GenRequest& request)
    {
        return QByteArray::fromStdString(WriteSettingsFile({ request.config, request.dialect }));
    }

    // The window's members (crystalHz, tmod, the bytes of timers 0 and 1,
    // the displays of the blocks in use), each timer's numbers, the serial
    // port's real rate and error (actualBaud, baudError: per cent, as shown)
    // and the real rate's deviation (baudDeviationPercent),
    // "exact" and "driftFree" where asked for, the settings as --config
    // reads them. Off the default chip also
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
                object.insert("reload" + n + "Text", FromUtf8(resolved.reloadTexts.at(std::size_t(timer))));
            if (const auto& derivation = d.timers.at(std::size_t(timer)))
                insertTimer(object, *derivation, request.postscaleGiven.at(std::size_t(timer)), defaultChip);
        }
        if (s.uartEnabled) {
            object.insert("baudReloadText", FromUtf8(resolved.baudReloadText));
            object.insert("baudErrorText", FromUtf8(resolved.baudErrorText));
            object.insert("actualBaud", d.baud->find<step::BaudRate>()->actualBaud);
            object.insert("baudDeviationPercent", d.baud->find<step::BaudRate>()->deviationPercent);
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
        object.insert("settings", QJsonDocument::fromJson(settingsFileOf(request)).object());
        if (!defaultChip) {
            object.insert("chip", Latin1(d.chip.key()));
            if (config.sixT)
                object.insert("sixT", true);
            if (const auto& header = config.vendorHeader)
                object.insert("header", FromUtf8(*header));
        }
        return object;
    }

    GenOutput written(QByteArray bytes)
    {
        GenOutput output;
        output.bytes = std::move(bytes);
        return output;
    }

    GenOutput refused(const QString& error, int exitStatus)
    {
        GenOutput output;
        output.error = error;
        output.exitStatus = exitStatus;
        return output;
    }

    GenOutput encodedSource(const GenRequest& request, const std::string& source)
    {
        if (request.encoding == TextEncoding::Utf8)
            return written(QByteArray::fromStdString(source));
        // The one text of the user's in the source; the rest is GBK by design.
        if (const auto& header = request.config.vendorHeader; header && !EncodeGbk(*header))
            return refused(HeaderWithoutGbkText(request.config), kExitRefused);
        if (std::optional<std::string> bytes = EncodeGbk(source))
            return written(QByteArray::fromStdString(*bytes));
        return refused(SourceWithoutGbkText(), kExitFailure);
    }

    // The JSON (with the explanation or the source in it), or the
    // explanation alone, or the source in its encoding.
    GenOutput outputOf(
        const GenRequest& request, QJsonObject json, const std::string& explanation, const std::string& source)
    {
        if (request.json) {
            if (request.explain)
                json.insert("explain", FromUtf8(explanation));
            else
                json.insert("source", FromUtf8(source));
            return written(QJsonDocument(json).toJson(QJsonDocument::Indented));
        }
        if (request.explain)
            return written(QByteArray::fromStdString(explanation));
        return encodedSource(request, source);
    }

    // The rows of --baud-table --json: rate, fits, and where it fits
    // reloadText, actualBaud, baudDeviationPercent and beyondTolerance.
    QJsonObject baudTableJson(const BaudTableResult& table, const Configuration& config)
    {
        QJsonArray rows;
        for (const BaudTableRow& row : table.rows) {
            const BaudCalculation& b = row.baud;
            QJsonObject object { { "rate", qint64(b.rate) }, { "fits", b.fits } };
            if (b.fits) {
                object.insert("reloadText", FromUtf8(b.reloadText));
                object.insert("actualBaud", b.actualBaud);
                object.insert("baudDeviationPercent", row.deviationPercent);
                object.insert("beyondTolerance", row.beyondTolerance);
            }
            rows.append(object);
        }
        const BaudSourceRow& source = *FindBaudSource(config.chip.row(), table.request.source);
        return QJsonObject { { "chip", Latin1(config.chip.key()) }, { "crystalHz", qint64(config.crystalHz) },
            { "uartTimer", source.timer }, { "doubled", table.request.smod && source.smodDoubles },
            { "clocksPerCount", qint64(table.rows.front().baud.clocksPerCount) }, { "rates", rows } };
    }

    GenOutput baudTableOutput(const GenRequest& request)
    {
        const BaudTableResult table = BaudTableFor(request.config);
        if (table.error)
            return refused(RefusalText(*table.error, request.config), kExitRefused);
        if (request.json)
            return written(QJsonDocument(baudTableJson(table, request.config)).toJson(QJsonDocument::Indented));
        return written(BaudTableText(table, request.config).toUtf8());
    }

    QStringList cpuShareWarnings(const Derivation& d)
    {
        QStringList warnings;
        for (const auto& timer : d.timers) {
            if (!timer)
                continue;
            if (const step::Cpu* cpu = timer->find<step::Cpu>())
                warnings << CpuShareWarning(timer->timer, cpu->share);
        }
        return warnings;
    }

} // namespace

GenOutput RenderGenOutput(const GenRequest& request)
{
    if (request.baudTable)
        return baudTableOutput(request);
    const ResolveResult resolved = ResolveConfiguration(request.config);
    if (!resolved.resolved)
        return refused(RefusalText(*resolved.error, request.config), kExitRefused);
    const std::string source = BuildSourceText(resolved.resolved->settings, request.dialect);
    const Derivation derivation = DeriveConfiguration(request.config, *resolved.resolved, request.dialect);
    // The derivation is ASCII but for a vendor header's name, so it reads the
    // same in every encoding.
    const std::string explanation = request.explain ? FormatDerivation(derivation) : std::string();
    QJsonObject json;
    if (request.json)
        json = jsonFor(request, *resolved.resolved, derivation);
    GenOutput output = outputOf(request, json, explanation, source);
    if (!output.error.isEmpty())
        return output;
    output.warnings = cpuShareWarnings(derivation);
    // A limit given refuses beyond it instead.
    const auto& baud = resolved.resolved->baud;
    if (baud && !request.config.maxBaudDeviationPercent && BeyondTolerance(*baud)) {
        output.warnings << BaudDeviationWarning(*baud, resolved.resolved->baudFixes, request.config.uartDoubleBaud);
    }
    if (!request.saveConfigPath.isEmpty())
        output.settingsFile = settingsFileOf(request);
    return output;
}

} // namespace orlet
