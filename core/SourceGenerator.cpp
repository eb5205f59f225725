#include "SourceGenerator.h"

#include "RoutineTiming.h"
#include "Tmod.h"

#include <cstdio>

namespace orlet {

namespace {

    class SourceWriter
    {
    public:
        SourceWriter(const GeneratorSettings& settings, Dialect dialect)
            : s_(settings)
            , dialect_(dialect)
        {
        }

        std::string build()
        {
            writeInclude();
            if (s_.timer0Enabled || s_.timer1Enabled)
                writeInitTimer();
            if (s_.uartEnabled)
                writeInitUart();
            if (s_.uartInterrupt)
                writeUartRoutine();
            if (s_.timer0Enabled)
                writeTimerRoutine(0);
            if (s_.timer1Enabled)
                writeTimerRoutine(1);
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

        void writeInclude()
        {
            put(dialect_ == Dialect::Sdcc ? "#include <8051.h>\r\n\r\n" : "#include \"reg51.h\"\r\n\r\n");
        }

        void writeInitTimer()
        {
            comment("//timer init\r\n");
            put("void initTimer(void)\r\n");
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "{\r\n TMOD=0x%x;\r\n", unsigned { s_.tmod });
            text_ += buffer;
            if (s_.timer0Enabled)
                putBytes(" TH0=0x%x;\r\n TL0=0x%x;\r\n", s_.th0, s_.tl0);
            if (s_.timer1Enabled)
                putBytes(" TH1=0x%x;\r\n TL1=0x%x;\r\n", s_.th1, s_.tl1);
            put("}\r\n\r\n");
        }

        void writeInitUart()
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
            const bool autoReload = TimerModeIn(s_.tmod, timer) == 2;
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
            if (s_.timer0Enabled || s_.timer1Enabled)
                put("initTimer();\r\n");
            if (s_.uartEnabled)
                put("initUart();\r\n");
            if (s_.timer0Enabled)
                put("TR0=1;\r\nET0=1;\r\n");
            if (s_.timer1Enabled)
                put("TR1=1;\r\nET1=1;\r\n");
            if (s_.int0Enabled || s_.int1Enabled || s_.timer0Enabled || s_.timer1Enabled || s_.uartEnabled)
                put("//EA=1;\r\n");
            put("}");
        }

        const GeneratorSettings& s_;
        Dialect dialect_;
        std::string text_;
    };

} // namespace

std::string BuildSourceText(const GeneratorSettings& settings, Dialect dialect)
{
    return SourceWriter(settings, dialect).build();
}

} // namespace orlet
