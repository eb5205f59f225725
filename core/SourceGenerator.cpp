#include "SourceGenerator.h"

#include "Calculation.h"
#include "RoutineTiming.h"
#include "TextFormat.h"
#include "Tmod.h"

#include <cctype>
#include <cstdio>
#include <vector>

namespace orlet {

namespace {

    // The control of `timer` on the chip; Tmod where the chip lacks it.
    TimerControl controlOf(const GeneratorSettings& s, int timer)
    {
        const TimerRow* row = TimerOf(s.chip.row(), timer);
        return row == nullptr ? TimerControl::Tmod : row->control;
    }

    bool uartOnTimer2(const GeneratorSettings& s)
    {
        return s.uartEnabled && s.uartSource == BaudSource::Timer2;
    }

    // The serial port's source on the chip; nullptr while it is off.
    const BaudSourceRow* uartSourceOf(const GeneratorSettings& s)
    {
        return s.uartEnabled ? FindBaudSource(s.chip.row(), s.uartSource) : nullptr;
    }

    // The bits of the chip's own registers one init function sets and
    // clears: its timers' clock choices (T0x12 in AUXR, T0M in CKCON,
    // bT0_CLK in T2MOD ...) and what else it asks for, register by register
    // in the order they come.
    class SfrChanges
    {
    public:
        struct Change {
            std::string_view sfr;
            std::uint8_t set = 0;
            std::uint8_t clear = 0;
        };

        void select(const SfrBits& bits)
        {
            if (bits.sfr == nullptr)
                return;
            Change& c = of(bits.sfr);
            c.set |= bits.value;
            c.clear |= static_cast<std::uint8_t>(bits.mask & ~bits.value);
        }

        // The bits that pick `timer`'s clock choice, or the baud generator's.
        void clock(const GeneratorSettings& s, int timer)
        {
            if (const ClockChoice* choice = FindClock(s.chip.row(), timer, s.timer(timer).clock))
                select(choice->select);
        }

        void set(std::string_view sfr, std::uint8_t bits) { of(sfr).set |= bits; }
        void clear(std::string_view sfr, std::uint8_t bits) { of(sfr).clear |= bits; }

        const std::vector<Change>& changes() const { return changes_; }

    private:
        Change& of(std::string_view sfr)
        {
            for (Change& c : changes_) {
                if (c.sfr == sfr)
                    return c;
            }
            return changes_.emplace_back(Change { sfr });
        }

        std::vector<Change> changes_;
    };

    // Whether `name` stands in `text` as a word of its own.
    bool namesWord(const std::string& text, std::string_view name)
    {
        const auto identifier = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
        for (auto at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
            const auto end = at + name.size();
            if ((at == 0 || !identifier(text[at - 1])) && (end == text.size() || !identifier(text[end])))
                return true;
        }
        return false;
    }

    std::string megahertzText(std::uint32_t hz)
    {
        std::string text = TextFormat("%.4f", hz / 1e6);
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.')
            text.pop_back();
        return text;
    }

    class SourceWriter
    {
    public:
        SourceWriter(const GeneratorSettings& settings, Dialect dialect)
            : s_(settings)
            , dialect_(dialect)
            , row_(settings.chip.row())
        {
        }

        std::string build()
        {
            writeClockNote();
            if (dividesClock())
                writeInitClock();
            if (anyTimer())
                writeInitTimer();
            if (s_.uartEnabled)
                writeInitUart();
            if (s_.uartInterrupt)
                writeUartRoutine();
            for (int timer = 0; timer < kMaxTimers; ++timer) {
                if (!used(timer))
                    continue;
                if (controlOf(s_, timer) == TimerControl::Tmod)
                    writeTimerRoutine(timer);
                else
                    writeTimer2Routine(timer);
            }
            if (s_.int0Enabled)
                writeIntRoutine(0, s_.int0Trigger);
            if (s_.int1Enabled)
                writeIntRoutine(1, s_.int1Trigger);
            writeMain();
            std::string body = std::move(text_);
            text_.clear();
            writeInclude(body);
            return text_ + body;
        }

    private:
        void put(const char* literal) { text_ += literal; }

        void comment(const char* literal)
        {
            if (s_.comments)
                text_ += literal;
        }

        void putBytes(const char* format, unsigned high, unsigned low)
        {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, format, high, low);
            text_ += buffer;
        }

        void putHeader(const char* name, int vector)
        {
            char buffer[64];
            if (dialect_ == Dialect::Sdcc)
                std::snprintf(buffer, sizeof buffer, "void %s(void) __interrupt(%d)\r\n{\r\n", name, vector);
            else
                std::snprintf(buffer, sizeof buffer, "void %s(void) interrupt %d\r\n{\r\n", name, vector);
            text_ += buffer;
        }

        // A timer in use that the chip has.
        bool used(int timer) const { return s_.timer(timer).enabled && TimerOf(row_, timer) != nullptr; }

        bool anyTimer() const
        {
            for (int timer = 0; timer < kMaxTimers; ++timer) {
                if (used(timer))
                    return true;
            }
            return false;
        }

        bool anyTmodTimer() const
        {
            for (int timer = 0; timer < kMaxTimers; ++timer) {
                if (used(timer) && controlOf(s_, timer) == TimerControl::Tmod)
                    return true;
            }
            return false;
        }

        bool timer2InAuxr() const { return controlOf(s_, 2) == TimerControl::Auxr; }

        void writeInclude(const std::string& body)
        {
            if (vendorHeaderNamed())
                text_ += "#include \"" + s_.vendorHeader + "\"\r\n";
            else
                writeDialectHeader(body);
            put("\r\n");
            // No register says 6T: a wrong programming option halves every rate.
            if (s_.sixT)
                put("//6T mode (6 clocks per machine cycle) is chosen when the STC89 is programmed (STC-ISP), not by a "
                    "register: every count here assumes it\r\n\r\n");
        }

        // The include line, and the registers the text writes that its header lacks.
        void writeDialectHeader(const std::string& body)
        {
            const DialectHeader& header = HeaderFor(row_, dialect_);
            text_ += header.includeLine;
            put("\r\n");
            for (const SfrDeclaration& sfr : header.declarations) {
                if (namesWord(body, sfr.name)) {
                    text_ += FormatSfrDeclaration(sfr, dialect_);
                    put("\r\n");
                }
            }
        }

        // The vendor's header declares every register of its chip.
        bool vendorHeaderNamed() const { return !s_.vendorHeader.empty() && row_.acceptsVendorHeader; }

        void putChanges(const SfrChanges& changes)
        {
            for (const SfrChanges::Change& c : changes.changes()) {
                const std::string sfr(c.sfr);
                if (c.set != 0)
                    text_ += TextFormat(" %s|=0x%02x;\r\n", sfr.c_str(), unsigned { c.set });
                if (c.clear != 0)
                    text_ += TextFormat(" %s&=0x%02x;\r\n", sfr.c_str(), unsigned(~c.clear & 0xFF));
            }
        }

        // An internal oscillator no code here sets, or a system clock the
        // chip's divider does not make: what every count assumes.
        void writeClockNote()
        {
            const InternalClock* internal = s_.internalClock ? FindInternalClock(row_, s_.crystalHz) : nullptr;
            if (internal != nullptr && internal->setUp != nullptr) {
                text_ += TextFormat("//internal oscillator at %s MHz: %s\r\n\r\n", megahertzText(s_.crystalHz).c_str(),
                    internal->setUp);
            } else if (row_.systemClock.sfr != nullptr && s_.crystalHz != 0 && !dividesClock()) {
                text_ += TextFormat("//the clock divider makes no %s MHz system clock from the internal %s MHz: set"
                                    " the clock up yourself before this code runs\r\n\r\n",
                    megahertzText(s_.crystalHz).c_str(), megahertzText(row_.systemClock.settings.back().hz).c_str());
            }
        }

        bool dividesClock() const { return FindClockDivider(row_, s_.crystalHz) != nullptr; }

        // The CH552 runs at 6 MHz after reset: its divider is written
        // inside the timed window its unlock opens.
        void writeInitClock()
        {
            const SystemClockRegister& clock = row_.systemClock;
            comment("//system clock init\r\n");
            put("void initClock(void)\r\n{\r\n");
            text_ += TextFormat(" %s=0x55;\r\n %s=0xaa;\r\n", clock.unlock, clock.unlock);
            text_ += TextFormat(" %s=(%s&0x%02x)|0x%x;\r\n", clock.sfr, clock.sfr, unsigned(~clock.mask & 0xFF),
                unsigned { FindClockDivider(row_, s_.crystalHz)->value });
            text_ += TextFormat(" %s=0x0;\r\n", clock.unlock);
            put("}\r\n\r\n");
        }

        // STC: T2L first, then T2H. 8052: RCAP2 and the counter itself, so
        // that the first period is whole.
        void putTimer2Bytes(int timer)
        {
            const TimerRow& row = *TimerOf(row_, timer);
            const TimerSettings& t = s_.timer(timer);
            if (row.control == TimerControl::Auxr) {
                text_ += TextFormat(
                    " %s=0x%x;\r\n %s=0x%x;\r\n", row.reloadLow, unsigned { t.tl }, row.reloadHigh, unsigned { t.th });
                return;
            }
            text_ += TextFormat(
                " %s=0x%x;\r\n %s=0x%x;\r\n", row.reloadHigh, unsigned { t.th }, row.reloadLow, unsigned { t.tl });
            text_ += TextFormat(" TH%d=0x%x;\r\n TL%d=0x%x;\r\n", timer, unsigned { t.th }, timer, unsigned { t.tl });
        }

        void writeInitTimer2(int timer)
        {
            if (controlOf(s_, timer) == TimerControl::T2con)
                text_ += TextFormat(
                    " T2CON=0x%x;\r\n", unsigned { Timer2ConValue(false, s_.timer(timer).counter, false) });
            putTimer2Bytes(timer);
        }

        // The clock choices of the timers the function starts (STC: 1T/12T
        // in AUXR).
        void putTimerClocks()
        {
            SfrChanges changes;
            for (int timer = 0; timer < kMaxTimers; ++timer) {
                if (!used(timer))
                    continue;
                changes.clock(s_, timer);
                if (controlOf(s_, timer) == TimerControl::Auxr) {
                    if (s_.timer(timer).counter)
                        changes.set("AUXR", kAuxrT2CT);
                    else
                        changes.clear("AUXR", kAuxrT2CT);
                }
            }
            putChanges(changes);
        }

        void writeInitTimer()
        {
            comment("//timer init\r\n");
            put("void initTimer(void)\r\n{\r\n");
            if (anyTmodTimer())
                text_ += TextFormat(" TMOD=0x%x;\r\n", unsigned { s_.tmod });
            for (int timer = 0; timer < kMaxTimers; ++timer) {
                if (!used(timer))
                    continue;
                const TimerSettings& t = s_.timer(timer);
                if (controlOf(s_, timer) == TimerControl::Tmod)
                    text_ += TextFormat(
                        " TH%d=0x%x;\r\n TL%d=0x%x;\r\n", timer, unsigned { t.th }, timer, unsigned { t.tl });
                else
                    writeInitTimer2(timer);
            }
            putTimerClocks();
            put("}\r\n\r\n");
        }

        void writeInitUart()
        {
            const BaudSourceRow& source = *uartSourceOf(s_);
            if (source.source == BaudSource::Timer2 && !timer2InAuxr())
                writeInitUartTimer2();
            else if (source.source == BaudSource::Timer1Mode0)
                writeInitUartStcTimer1();
            else if (source.source == BaudSource::Timer1Mode2)
                writeInitUartTimer1();
            else
                writeInitUartGenerator(source);
        }

        void writeUartEnd()
        {
            if (s_.uartInterrupt)
                put(" ES=1;\r\n");
            put("}\r\n\r\n");
        }

        // 8052: RCLK = TCLK = 1 and TR2, after the clock choice where the
        // chip has one (the CH552's T2MOD).
        void writeInitUartTimer2()
        {
            comment("//UART init\r\n");
            put("void initUart(void)\r\n{\r\n SCON=0x50;\r\n");
            putTimer2Bytes(2);
            SfrChanges clock;
            clock.clock(s_, 2);
            putChanges(clock);
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, " T2CON=0x%x;\r\n", unsigned { Timer2ConValue(true, false) });
            text_ += buffer;
            writeUartEnd();
        }

        // A generator that routes itself to the port with bits of its own:
        // STC's timer 2 (T2R, S1ST2), STC12's BRT (BRTR, S1BRS), the
        // N76E003's timer 3 (BRCK, TR3). The reload goes in while it stands.
        void writeInitUartGenerator(const BaudSourceRow& source)
        {
            comment("//UART init\r\n");
            put("void initUart(void)\r\n{\r\n SCON=0x50;\r\n");
            if ((s_.uartDoubleBaud && source.smodDoubles) || source.setsSmod)
                put(" PCON|=0x80;\r\n");
            const TimerSettings& bytes = s_.timer(source.timer);
            if (source.reloadLow != nullptr)
                text_ += TextFormat(" %s=0x%x;\r\n %s=0x%x;\r\n", source.reloadLow, unsigned { bytes.tl },
                    source.reloadHigh, unsigned { bytes.th });
            else
                text_ += TextFormat(" %s=0x%x;\r\n", source.reloadHigh, unsigned { bytes.th });
            SfrChanges changes;
            changes.clock(s_, source.timer);
            changes.select(source.start);
            putChanges(changes);
            writeUartEnd();
        }

        // STC: timer 1 in mode 0, its 16-bit auto-reload.
        void writeInitUartStcTimer1()
        {
            comment("//UART init\r\n");
            put("void initUart(void)\r\n{\r\n TMOD&=0x0f;\r\n SCON=0x50;\r\n");
            putBytes(" TL1=0x%x;\r\n TH1=0x%x;\r\n", s_.timer(1).tl, s_.timer(1).th);
            SfrChanges changes;
            changes.clock(s_, 1);
            changes.clear("AUXR", kAuxrS1st2);
            putChanges(changes);
            put(" TR1=1;\r\n");
            writeUartEnd();
        }

        void writeInitUartTimer1()
        {
            comment("//UART init\r\n");
            put("void initUart(void)\r\n{\r\n TMOD|=0x20;\r\n");
            put(" SCON=0x50;\r\n");
            if (s_.uartDoubleBaud)
                put(" PCON|=0x80;\r\n");
            // The CH552's T2MOD picks timer 1's clock; the 8051 has no choice.
            SfrChanges clock;
            clock.clock(s_, 1);
            putChanges(clock);
            putBytes(" TH1=0x%x;\r\n TL1=0x%x;\r\n TR1=1;\r\n", s_.timer(1).th, s_.timer(1).tl);
            if (s_.uartInterrupt)
                put(" ES=1;\r\n");
            put("}\r\n\r\n");
        }

        void writeUartRoutine()
        {
            comment("//uart interrupt\r\n");
            putHeader("uart", 4);
            put("if(RI)\r\n{\r\n    RI=0;\r\n//add your code here.\r\n\r\n}\r\n");
            put("else\r\n    TI=0;\r\n}\r\n");
        }

        // The counter is declared first and counted after the reload, so the
        // reload stays the routine's first statement.
        void putPostscaleCounter(unsigned postscale)
        {
            if (postscale > 1)
                put(postscale > 255 ? " static unsigned int count=0;\r\n" : " static unsigned char count=0;\r\n");
        }

        void putPostscaleTest(unsigned postscale)
        {
            if (postscale <= 1)
                return;
            char buffer[96];
            std::snprintf(buffer, sizeof buffer, " if(++count<%u)", postscale);
            text_ += buffer;
            if (s_.comments) {
                std::snprintf(buffer, sizeof buffer, "     //每%u次中断执行一次下面的代码", postscale);
                text_ += buffer;
            }
            put("\r\n  return;\r\n count=0;\r\n");
        }

        // The reload statements of a timer routine in modes 0 and 1.
        void putReload(int timer, std::uint8_t th, std::uint8_t tl)
        {
            if (!s_.driftFree || TimerCountsIn(s_.tmod, timer)) {
                text_ += TextFormat(" TH%d=0x%x;\r\n TL%d=0x%x;\r\n", timer, unsigned { th }, timer, unsigned { tl });
                return;
            }
            // Stopped, the timer keeps what it has counted since the overflow;
            // the reload and the cycles it stands still are added to that.
            const int mode = TimerModeIn(s_.tmod, timer);
            const RunningCountAdd add = RunningCountAddFor(mode, th, tl, dialect_);
            char buffer[160];
            std::snprintf(buffer, sizeof buffer, " TR%d=0;\r\n", timer);
            text_ += buffer;
            for (unsigned i = 0; i < add.extraStops; ++i)
                text_ += buffer;
            if (mode == 0) {
                std::snprintf(buffer, sizeof buffer, " TL%d|=0xe0;\r\n", timer);
                text_ += buffer;
            }
            std::snprintf(buffer, sizeof buffer, " TL%d+=0x%x;", timer, unsigned { add.low });
            text_ += buffer;
            if (s_.comments) {
                std::snprintf(
                    buffer, sizeof buffer, "     //重装值加停止的%u个机器周期，加到已计的数上", add.stoppedCycles);
                text_ += buffer;
            }
            std::snprintf(buffer, sizeof buffer, "\r\n TH%d+=0x%x+(TL%d<0x%x);\r\n TR%d=1;\r\n", timer,
                unsigned { add.high }, timer, unsigned { add.low }, timer);
            text_ += buffer;
        }

        // Timer 0 puts an empty line before its closing brace and, in mode
        // 2, none after it; timer 1 never has the first and always the second.
        void writeRoutineHead(int timer)
        {
            if (s_.comments)
                text_ += TextFormat("//timer%d/counter%d interrupt\r\n", timer, timer);
            putHeader(TextFormat("timer%d", timer).c_str(), TimerOf(row_, timer)->interruptNumber);
            putPostscaleCounter(s_.timer(timer).postscale);
        }

        void writeTimerRoutine(int timer)
        {
            const bool autoReload = hardwareReload(timer);
            const TimerSettings& t = s_.timer(timer);
            writeRoutineHead(timer);
            if (!autoReload)
                putReload(timer, t.th, t.tl);
            putPostscaleTest(t.postscale);
            put(" //add your code here.\r\n");
            if (timer == 0)
                put(autoReload ? "\r\n}\r\n" : "\r\n}\r\n\r\n");
            else
                put("}\r\n\r\n");
        }

        bool hardwareReload(int timer) const
        {
            const ModeRow* offered = FindTimerMode(row_, timer, TimerModeIn(s_.tmod, timer));
            return offered != nullptr && ReloadsInHardware(offered->counter);
        }

        // Timer 2 reloads itself; the 8052 leaves TF2 for the routine to clear.
        void writeTimer2Routine(int timer)
        {
            const TimerRow& row = *TimerOf(row_, timer);
            writeRoutineHead(timer);
            if (row.flagToClear != nullptr)
                text_ += TextFormat(" %s=0;\r\n", row.flagToClear);
            putPostscaleTest(s_.timer(timer).postscale);
            put(" //add your code here.\r\n}\r\n\r\n");
        }

        // "TR0=1;" and "ET0=1;", or "AUXR|=0x10;" and "IE2|=0x04;".
        void writeTimerStart(int timer)
        {
            const TimerRow& row = *TimerOf(row_, timer);
            text_ += FormatSetBit(row.start) + "\r\n" + FormatSetBit(row.enable) + "\r\n";
        }

        void writeIntRoutine(int input, TriggerMode trigger)
        {
            comment(input == 0 ? "//int0 interrupt\r\n" : "//int1 interrupt\r\n");
            putHeader(input == 0 ? "int0" : "int1", input == 0 ? 0 : 2);
            if (trigger == TriggerMode::Level)
                put(input == 0 ? " IE0=0;\r\n" : " IE1=0;\r\n");
            comment(" //add your code here\r\n\r\n");
            put("\r\n}\r\n\r\n");
        }

        void writeTriggerLine(int input, TriggerMode trigger)
        {
            const bool edge = trigger == TriggerMode::FallingEdge;
            if (input == 0) {
                put(edge ? "IT0=1;" : "IT0=0;");
                comment(edge ? "     //INT0下降沿中断" : "     //INT0低电平中断");
            } else {
                put(edge ? "IT1=1;" : "IT1=0;");
                comment(edge ? "     //INT1下降沿中断" : "     //INT1低电平中断");
            }
            put("\r\n");
        }

        void writeMain()
        {
            comment("//the main fun\r\n");
            put("void main(void)\r\n");
            put("{\r\n");
            if (dividesClock())
                put("initClock();\r\n");
            if (s_.int0Enabled) {
                writeTriggerLine(0, s_.int0Trigger);
                put("EX0=1;");
                comment("     //允许INT0中断");
                put("\r\n");
            }
            if (s_.int1Enabled) {
                writeTriggerLine(1, s_.int1Trigger);
                put("EX1=1;");
                comment("     //允许INT1中断");
                put("\r\n");
            }
            if (anyTimer())
                put("initTimer();\r\n");
            if (s_.uartEnabled)
                put("initUart();\r\n");
            for (int timer = 0; timer < kMaxTimers; ++timer) {
                if (used(timer))
                    writeTimerStart(timer);
            }
            if (s_.int0Enabled || s_.int1Enabled || anyTimer() || s_.uartEnabled)
                put("//EA=1;\r\n");
            put("}");
        }

        const GeneratorSettings& s_;
        Dialect dialect_;
        const ChipRow& row_;
        std::string text_;
    };

} // namespace

namespace {

    // What the init code and main() leave in the chip's own set-up registers.
    SfrChanges changesAfterInit(const GeneratorSettings& settings)
    {
        const ChipRow& row = settings.chip.row();
        const BaudSourceRow* uart = uartSourceOf(settings);
        SfrChanges changes;
        for (int slot = 0; slot < kMaxTimers; ++slot) {
            const TimerRow* timer = TimerOf(row, slot);
            const bool timerUsed = timer != nullptr && settings.timer(slot).enabled;
            const bool clocksUart = uart != nullptr && uart->timer == slot;
            if (!timerUsed && !clocksUart)
                continue;
            changes.clock(settings, slot);
            // main() starts a timer whose start bit is in the register (STC's T2R).
            if (timerUsed && timer->control == TimerControl::Auxr) {
                changes.set(timer->start.sfr, timer->start.mask);
                if (settings.timer(slot).counter)
                    changes.set("AUXR", kAuxrT2CT);
            }
            if (clocksUart)
                changes.select(uart->start);
        }
        return changes;
    }

} // namespace

std::uint8_t RegisterAfterInit(const GeneratorSettings& settings, std::string_view sfr)
{
    const SfrChanges changes = changesAfterInit(settings);
    std::uint8_t value = 0;
    for (const SfrChanges::Change& c : changes.changes()) {
        if (c.sfr == sfr)
            value = static_cast<std::uint8_t>((value & ~c.clear) | c.set);
    }
    return value;
}

std::vector<std::string_view> RegistersSetUp(const GeneratorSettings& settings)
{
    const SfrChanges changes = changesAfterInit(settings);
    std::vector<std::string_view> names;
    for (const SfrChanges::Change& c : changes.changes())
        names.push_back(c.sfr);
    return names;
}

std::uint8_t AuxrAfterInit(const GeneratorSettings& settings)
{
    return TimersUseRegister(settings.chip.row(), "AUXR") ? RegisterAfterInit(settings, "AUXR") : 0;
}

std::uint8_t T2conAfterInit(const GeneratorSettings& settings)
{
    if (!TimersUseRegister(settings.chip.row(), "T2CON"))
        return 0;
    if (uartOnTimer2(settings))
        return Timer2ConValue(true, false);
    return Timer2ConValue(false, settings.timer(2).counter, settings.timer(2).enabled);
}

std::string BuildSourceText(const GeneratorSettings& settings, Dialect dialect)
{
    return SourceWriter(settings, dialect).build();
}

} // namespace orlet
