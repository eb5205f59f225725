// A refused settings file in the window's words.
#include "SettingsFile.h"

namespace orlet {

namespace {

    std::string quoted(const std::string& key)
    {
        return "“" + key + "”";
    }

    std::string listed(const std::vector<std::string>& words)
    {
        std::string list;
        for (const std::string& word : words)
            list += (list.empty() ? "" : "、") + word;
        return list;
    }

    std::string what(SettingsValue kind)
    {
        switch (kind) {
        case SettingsValue::Object:
            return "一个对象（{…}）";
        case SettingsValue::Boolean:
            return " true 或 false";
        case SettingsValue::Text:
            return "带引号的文字";
        case SettingsValue::WholeNumber:
            return " 0 到 4294967295 的整数";
        case SettingsValue::Megahertz:
            break;
        }
        return " 1 到 100 之间的兆赫数，写成文字，如 \"11.0592\"";
    }

    std::string timerName(int timer)
    {
        return "定时器" + std::to_string(timer);
    }

    std::string chipTrapText(const ConfigError& e)
    {
        const std::string chip(e.chip->title);
        switch (e.chipError) {
        case ChipErrorCode::NoSuchTimer:
            return chip + " 没有" + timerName(e.timer);
        case ChipErrorCode::ModeNotOffered:
            return chip + " 的" + timerName(e.timer) + "没有方式" + std::to_string(e.mode);
        case ChipErrorCode::ClockNotOffered:
            return chip + " 的" + timerName(e.timer) + "没有 " + std::to_string(e.clock) + "T 时钟";
        case ChipErrorCode::SixTNotOffered:
            return chip + " 没有 6T 模式";
        case ChipErrorCode::BaudSourceNotOffered:
            return chip + " 的串口不能由" + timerName(e.timer) + "产生波特率";
        case ChipErrorCode::TimerBusy:
            return timerName(e.timer) + "正用作串口的波特率发生器";
        case ChipErrorCode::VendorHeaderNotAccepted:
            break;
        }
        return chip + " 的代码不用厂商头文件";
    }

    // What the window's rules refuse; its own message where it has one.
    std::string refusalText(const ConfigError& e)
    {
        switch (e.code) {
        case ConfigErrorCode::CrystalOutOfRange:
            return "晶振应在 1 到 100 MHz 之间";
        case ConfigErrorCode::CrystalNotReachable:
            return "自定义频率得不到 " + std::to_string(e.crystalHz) + " Hz";
        case ConfigErrorCode::TimerModeUnknown:
            return "定时器的方式只有 0、1、2";
        case ConfigErrorCode::PostscaleOutOfRange:
            return MessageText({ MessageCode::PostscaleOutOfRange });
        case ConfigErrorCode::Timer1WithSerialPort:
            return "使用串口时，定时器1用作波特率发生器";
        case ConfigErrorCode::BaudRateUnknown:
            return "波特率不在列表中";
        case ConfigErrorCode::TimerOutOfRange:
            return MessageText(e.message) + "（最多 " + std::to_string(e.limit) + "，文件中为 "
                + std::to_string(e.value) + "）";
        case ConfigErrorCode::BaudRateDoesNotFit:
            return MessageText(e.message) + "（" + std::to_string(e.rate) + "bps 不适合此晶振）";
        case ConfigErrorCode::BaudRateUnreachable:
            return MessageText(e.message);
        case ConfigErrorCode::BaudDeviationTooLarge:
            return "实际波特率偏差太大";
        case ConfigErrorCode::DriftFreeOutOfRange:
            return MessageText({ MessageCode::DriftFreeOutOfRange, e.mode });
        case ConfigErrorCode::DriftFreeNeedsHardwareReload:
            return MessageText({ MessageCode::DriftFreeNeedsHardwareReload, e.mode });
        case ConfigErrorCode::DoubleBaudWithoutEffect:
            return "波特率加倍（PCON.SMOD）对" + timerName(e.uartTimer) + "产生的波特率无效";
        case ConfigErrorCode::VendorHeaderUnsafe:
            return MessageText({ MessageCode::VendorHeaderUnsafe });
        case ConfigErrorCode::ChipTrap:
            break;
        }
        return chipTrapText(e);
    }

} // namespace

std::string SettingsErrorText(const SettingsError& error)
{
    const std::string key = quoted(error.key);
    switch (error.fault) {
    case SettingsFault::NotJson:
        return "不是 JSON 文件：第 " + std::to_string(error.line) + " 行第 " + std::to_string(error.column)
            + " 列有误。";
    case SettingsFault::NotSettings:
        return "不是 Orlet 的设置文件：没有 “orlet” 项。";
    case SettingsFault::NewerFormat:
        return "此文件由较新版本的 Orlet 写成（格式 " + std::to_string(error.format) + "），本程序只能读格式 "
            + std::to_string(kSettingsFormat) + "。";
    case SettingsFault::DuplicateKey:
        return key + " 出现了两次。";
    case SettingsFault::UnknownKey:
        return "没有 " + key + " 这一项。可用的项：" + listed(error.choices) + "。";
    case SettingsFault::WrongType:
        return (error.key.empty() ? std::string("文件") : key + " ") + "应为" + what(error.expected) + "。";
    case SettingsFault::MissingKey:
        return "缺少 " + key + "。";
    case SettingsFault::Exclusive:
        return key + " 和 " + quoted(error.other) + " 不能同时使用。";
    case SettingsFault::UnknownValue:
        return key + " 不能是 " + error.value + "，可用：" + listed(error.choices) + "。";
    case SettingsFault::OutOfRange:
        return key + " 的值 " + error.value + " 超出范围，应为" + what(error.expected) + "。";
    case SettingsFault::Refused:
        break;
    }
    return key + "：" + refusalText(*error.refusal) + "。";
}

} // namespace orlet
