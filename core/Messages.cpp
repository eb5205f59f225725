#include "Messages.h"

#include "RoutineTiming.h"
#include "TimerTiming.h"
#include "VendorHeader.h"

#include <array>

namespace orlet {

namespace {

    // By mode: how many bits the counter has.
    constexpr std::array<const char*, 3> kTimerRangeMessages { "定时时间超出13位范围", "定时时间超出16位范围",
        "定时时间超出8位范围" };
    constexpr std::array<const char*, 3> kCountRangeMessages { "计数值超出13位范围", "计数值超出16位范围",
        "计数值超出8位范围" };

} // namespace

std::string MessageText(const Message& message)
{
    const auto mode = static_cast<std::size_t>(message.mode);
    switch (message.code) {
    case MessageCode::TimerOutOfRange:
        return kTimerRangeMessages.at(mode);
    case MessageCode::CountOutOfRange:
        return kCountRangeMessages.at(mode);
    case MessageCode::BaudTooLow:
        return kBaudTooLowMessage;
    case MessageCode::BaudTooHigh:
        return kBaudTooHighMessage;
    case MessageCode::PostscaleOutOfRange:
        return "软件计数应在1~" + std::to_string(kMaxPostscale) + "之间";
    case MessageCode::CustomMhzOutOfRange:
        return kCustomMhzRangeMessage;
    case MessageCode::DriftFreeOutOfRange:
        return "无累积误差：方式" + std::to_string(message.mode) + "的计数应在" + std::to_string(kMinRunningAddCycles)
            + "~" + std::to_string(MaxRunningAddCycles(message.mode)) + "个机器周期之间";
    case MessageCode::VendorHeaderUnsafe:
        return "头文件名不能含有引号、尖括号、控制字符或不可见字符，首尾不能有空格，且不超过"
            + std::to_string(kMaxVendorHeaderBytes) + "字节";
    case MessageCode::BaudOutOfReach:
        return "波特率应在" + std::to_string(message.lowest) + "~" + std::to_string(message.highest) + "bps之间";
    case MessageCode::DriftFreeNeedsHardwareReload:
        return "无累积误差：16位不自动重装由中断程序重装，请选16位自动重装";
    }
    return {};
}

} // namespace orlet
