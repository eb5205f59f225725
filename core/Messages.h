#pragma once

#include <cstdint>
#include <string>

namespace orlet {

// What the window tells the user when it corrects a value. The texts are
// the window's own, in one table (MessageText).
enum class MessageCode {
    TimerOutOfRange, // a period longer than the mode's counter holds
    CountOutOfRange, // a pulse count larger than the mode's counter holds
    BaudTooLow, // the count for the rate is above 256
    BaudTooHigh, // the count for the rate is 0
    PostscaleOutOfRange, // a software count outside 1 to kMaxPostscale
    CustomMhzOutOfRange, // a custom crystal outside 1 to 100 MHz
    DriftFreeOutOfRange, // Generate: a count drift-free timing cannot keep exact in the mode
    DriftFreeNeedsHardwareReload, // Generate: an STC timer reloading in its routine, where mode 0 reloads in hardware
    VendorHeaderUnsafe, // Generate: a header name the include line cannot hold
    BaudOutOfReach, // a typed rate the serial port's source cannot make
};

struct Message {
    MessageCode code = MessageCode::TimerOutOfRange;
    int mode = 0; // the timer mode (0, 1 or 2) of a range message
    // BaudOutOfReach: the rates the source makes, in bit/s.
    std::uint32_t lowest = 0;
    std::uint32_t highest = 0;

    bool operator==(const Message&) const = default;
};

// The message as the window shows it (UTF-8).
std::string MessageText(const Message& message);

inline constexpr const char* kBaudTooLowMessage = "波特率太低";
inline constexpr const char* kBaudTooHighMessage = "波特率太高";
inline constexpr const char* kCustomMhzRangeMessage = "数值应该在0~100之间\r\n不能带有非数字输入";
inline constexpr const char* kCustomMhzCaption = "错误输入";

} // namespace orlet
