#include "SourceGenerator.h"

#include "Calculation.h"
#include "RoutineTiming.h"
#include "TextFormat.h"
#include "Tmod.h"

#include <cstdio>

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

    bool uartOnTimer1(const GeneratorSettings& s)
    {
        return s.uartEnabled && s.uartSource != BaudSource::Timer2;
    }

    StcAuxrChoice auxrChoiceOf(const GeneratorSettings& s)
    {
        StcAuxrChoice choice;
        choice.timer0Used = s.timer(0).enabled;
        choice.clock0 = s.timer(0).clock;
        choice.timer1Used = s.timer(1).enabled || uartOnTimer1(s);
        choice.clock1 = s.timer(1).clock;
        choice.timer2Used = s.timer(2).enabled || uartOnTimer2(s);
        choice.clock2 = s.timer(2).clock;
        choice.timer2Counter = s.timer(2).enabled && s.timer(2).counter;
        choice.uartFromTimer2 = uartOnTimer2(s);
        return choice;
    }

    // The AUXR bits one init function sets and clears: its timers' 1T/12T
    // choice (T0x12, T1x12, T2x12) and what else it asks for.
    struct AuxrChange {
        std::uint8_t set = 0;
        std::uint8_t clear = 0;

        // The bits that pick `timer`'s clock choice, where AUXR holds them.
        void clock(const GeneratorSettings& s, int timer)
        {
            const ClockChoice* choice = FindClock(s.chip.row(), timer, s.timer(timer).clock);
            if (choice == nullptr || choice->select.sfr == nullptr || std::string_view(choice->select.sfr) != "AUXR")
                return;
            set |= choice->select.value;
            clear |= static_cast<std::uint8_t>(choice->select.mask & ~choice->select.value);
        }
    };

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
            writeInclude();
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
            return std::move(text_);
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

        void writeInclude()
        {
            if (vendorHeaderNamed())
                text_ += "#include \"" + s_.vendorHeader + "\"\r\n";
            else
                writeDialectHeader();
            put("\r\n");
            // No register says 6T: a wrong programming option halves every rate.
            if (s_.sixT)
                put("//6T mode (6 clocks per machine cycle) is chosen when the STC89 is programmed (STC-ISP), not by a "
                    "register: every count here assumes it\r\n\r\n");
        }

        void writeDialectHeader()
        {
            const DialectHeader& header = HeaderFor(row_, dialect_);
            text_ += header.includeLine;
            put("\r\n");
            for (const SfrDeclaration& sfr : header.declarations) {
                if (usesSfr(sfr.name)) {
                    text_ += FormatSfrDeclaration(sfr, dialect_);
                    put("\r\n");
                }
            }
        }

        // The vendor's header declares every register of its chip.
        bool vendorHeaderNamed() const { return !s_.vendorHeader.empty() && row_.acceptsVendorHeader; }

        // The STC registers the text writes, which need declarations.
        bool usesSfr(std::string_view name) const
        {
            if (name == "AUXR")
                return anyTimer() || s_.uartEnabled;
            if (name == "IE2")
                return used(2);
            return used(2) || uartOnTimer2(s_); // T2H, T2L
        }

        void putAuxr(const AuxrChange& change)
        {
            char buffer[32];
            if (change.set != 0) {
                std::snprintf(buffer, sizeof buffer, " AUXR|=0x%02x;\r\n", unsigned { change.set });
                text_ += buffer;
            }
            if (change.clear != 0) {
                std::snprintf(buffer, sizeof buffer, " AUXR&=0x%02x;\r\n", unsigned(~change.clear & 0xFF));
                text_ += buffer;
            }
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

        // STC: the 1T/12T choice of the timers the function starts.
        void putTimerClocks()
        {
            AuxrChange change;
            for (int timer = 0; timer < kMaxTimers; ++timer) {
                if (!used(timer))
                    continue;
                change.clock(s_, timer);
                if (controlOf(s_, timer) == TimerControl::Auxr)
                    (s_.timer(timer).counter ? change.set : change.clear) |= kAuxrT2CT;
            }
            putAuxr(change);
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
            if (s_.uartSource == BaudSource::Timer2)
                writeInitUartTimer2();
            else if (s_.uartSource == BaudSource::Timer1Mode0)
                writeInitUartStcTimer1();
            else
                writeInitUartTimer1();
        }

        void writeUartEnd()
        {
            if (s_.uartInterrupt)
                put(" ES=1;\r\n");
            put("}\r\n\r\n");
        }

        // 8052: RCLK = TCLK = 1 and TR2; STC: S1ST2 with T2R.
        void writeInitUartTimer2()
        {
            comment("//UART init\r\n");
            put("void initUart(void)\r\n{\r\n SCON=0x50;\r\n");
            putTimer2Bytes(2);
            if (timer2InAuxr()) {
                AuxrChange change;
                change.clock(s_, 2);
                change.set |= kAuxrT2R | kAuxrS1st2;
                putAuxr(change);
            } else {
                char buffer[32];
                std::snprintf(buffer, sizeof buffer, " T2CON=0x%x;\r\n", unsigned { Timer2ConValue(true, false) });
                text_ += buffer;
            }
            writeUartEnd();
        }

        // STC: timer 1 in mode 0, its 16-bit auto-reload.
        void writeInitUartStcTimer1()
        {
            comment("//UART init\r\n");
            put("void initUart(void)\r\n{\r\n TMOD&=0x0f;\r\n SCON=0x50;\r\n");
            putBytes(" TL1=0x%x;\r\n TH1=0x%x;\r\n", s_.timer(1).tl, s_.timer(1).th);
            AuxrChange change;
            change.clock(s_, 1);
            change.clear |= kAuxrS1st2;
            putAuxr(change);
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

std::uint8_t AuxrAfterInit(const GeneratorSettings& settings)
{
    return TimersUseRegister(settings.chip.row(), "AUXR") ? StcAuxrValue(auxrChoiceOf(settings)) : 0;
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
