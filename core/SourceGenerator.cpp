#include "SourceGenerator.h"

#include "ChipTiming.h"
#include "RoutineTiming.h"
#include "Tmod.h"

#include <cstdio>

namespace orlet {

namespace {

    // Timer 2 set up and started in AUXR (STC), not in T2CON (8052).
    bool timer2InAuxr(const GeneratorSettings& s)
    {
        const TimerRow* timer2 = s.chip->timers[2];
        return timer2 != nullptr && timer2->control == TimerControl::Auxr;
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
        choice.timer0Used = s.timer0Enabled;
        choice.clock0 = s.clocks[0];
        choice.timer1Used = s.timer1Enabled || uartOnTimer1(s);
        choice.clock1 = s.clocks[1];
        choice.timer2Used = s.timer2Enabled || uartOnTimer2(s);
        choice.clock2 = s.clocks[2];
        choice.timer2Counter = s.timer2Enabled && s.timer2Counter;
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
            const ClockChoice* choice = FindClock(s.chip.row(), timer, s.clocks[static_cast<std::size_t>(timer)]);
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
            , stc_(timer2InAuxr(settings))
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
            if (s_.timer0Enabled)
                writeTimerRoutine(0);
            if (s_.timer1Enabled)
                writeTimerRoutine(1);
            if (s_.timer2Enabled)
                writeTimer2Routine();
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

        bool anyTimer() const { return s_.timer0Enabled || s_.timer1Enabled || s_.timer2Enabled; }

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
            const bool timer2 = s_.timer2Enabled || uartOnTimer2(s_);
            if (name == "AUXR")
                return anyTimer() || s_.uartEnabled;
            if (name == "IE2")
                return s_.timer2Enabled;
            return timer2; // T2H, T2L
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

        // 8052: RCAP2 and the counter itself, so that the first period is whole.
        void putTimer2Bytes()
        {
            if (stc_)
                putBytes(" T2L=0x%x;\r\n T2H=0x%x;\r\n", s_.tl2, s_.th2);
            else
                putBytes(" RCAP2H=0x%x;\r\n RCAP2L=0x%x;\r\n", s_.th2, s_.tl2);
            if (!stc_)
                putBytes(" TH2=0x%x;\r\n TL2=0x%x;\r\n", s_.th2, s_.tl2);
        }

        void writeInitTimer2()
        {
            if (!stc_) {
                char buffer[32];
                std::snprintf(buffer, sizeof buffer, " T2CON=0x%x;\r\n",
                    unsigned { Timer2ConValue(false, s_.timer2Counter, false) });
                text_ += buffer;
            }
            putTimer2Bytes();
        }

        // STC: the 1T/12T choice of the timers the function starts.
        void putTimerClocks()
        {
            AuxrChange change;
            if (s_.timer0Enabled)
                change.clock(s_, 0);
            if (s_.timer1Enabled)
                change.clock(s_, 1);
            if (s_.timer2Enabled) {
                change.clock(s_, 2);
                if (stc_)
                    (s_.timer2Counter ? change.set : change.clear) |= kAuxrT2CT;
            }
            putAuxr(change);
        }

        void writeInitTimer()
        {
            comment("//timer init\r\n");
            put("void initTimer(void)\r\n{\r\n");
            if (s_.timer0Enabled || s_.timer1Enabled) {
                char buffer[32];
                std::snprintf(buffer, sizeof buffer, " TMOD=0x%x;\r\n", unsigned { s_.tmod });
                text_ += buffer;
            }
            if (s_.timer0Enabled)
                putBytes(" TH0=0x%x;\r\n TL0=0x%x;\r\n", s_.th0, s_.tl0);
            if (s_.timer1Enabled)
                putBytes(" TH1=0x%x;\r\n TL1=0x%x;\r\n", s_.th1, s_.tl1);
            if (s_.timer2Enabled)
                writeInitTimer2();
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
            putTimer2Bytes();
            if (stc_) {
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
            putBytes(" TL1=0x%x;\r\n TH1=0x%x;\r\n", s_.tl1, s_.th1);
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
            putBytes(" TH1=0x%x;\r\n TL1=0x%x;\r\n TR1=1;\r\n", s_.th1, s_.tl1);
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
                putBytes(timer == 0 ? " TH0=0x%x;\r\n TL0=0x%x;\r\n" : " TH1=0x%x;\r\n TL1=0x%x;\r\n", th, tl);
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
        void writeTimerRoutine(int timer)
        {
            const bool autoReload = hardwareReload(timer);
            const unsigned postscale = timer == 0 ? s_.postscale0 : s_.postscale1;
            comment(timer == 0 ? "//timer0/counter0 interrupt\r\n" : "//timer1/counter1 interrupt\r\n");
            putHeader(timer == 0 ? "timer0" : "timer1", timer == 0 ? 1 : 3);
            putPostscaleCounter(postscale);
            if (!autoReload)
                putReload(timer, timer == 0 ? s_.th0 : s_.th1, timer == 0 ? s_.tl0 : s_.tl1);
            putPostscaleTest(postscale);
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
        void writeTimer2Routine()
        {
            const TimerRow& info = *row_.timers[2];
            comment("//timer2/counter2 interrupt\r\n");
            putHeader("timer2", info.interruptNumber);
            putPostscaleCounter(s_.postscale2);
            if (info.flagToClear != nullptr) {
                text_ += ' ';
                text_ += info.flagToClear;
                put("=0;\r\n");
            }
            putPostscaleTest(s_.postscale2);
            put(" //add your code here.\r\n}\r\n\r\n");
        }

        void writeTimer2Start()
        {
            text_ += FormatSetBit(row_.timers[2]->start);
            put("\r\n");
            text_ += FormatSetBit(row_.timers[2]->enable);
            put("\r\n");
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
            if (s_.timer0Enabled)
                put("TR0=1;\r\nET0=1;\r\n");
            if (s_.timer1Enabled)
                put("TR1=1;\r\nET1=1;\r\n");
            if (s_.timer2Enabled)
                writeTimer2Start();
            if (s_.int0Enabled || s_.int1Enabled || anyTimer() || s_.uartEnabled)
                put("//EA=1;\r\n");
            put("}");
        }

        const GeneratorSettings& s_;
        Dialect dialect_;
        const ChipRow& row_;
        bool stc_;
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
    return Timer2ConValue(false, settings.timer2Counter, settings.timer2Enabled);
}

std::string BuildSourceText(const GeneratorSettings& settings, Dialect dialect)
{
    return SourceWriter(settings, dialect).build();
}

} // namespace orlet
