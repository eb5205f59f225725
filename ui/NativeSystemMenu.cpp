#include "NativeSystemMenu.h"

#include <QByteArray>
#include <QWidget>

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <string>
#endif

bool AppendToNativeSystemMenu(QWidget* window, unsigned command, const QString& text, bool separated)
{
#ifdef Q_OS_WIN
    HMENU menu = ::GetSystemMenu(reinterpret_cast<HWND>(window->winId()), FALSE);
    if (!menu)
        return false;
    const std::wstring wide = text.toStdWString();
    return (!separated || ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr))
        && ::AppendMenuW(menu, MF_STRING, command, wide.c_str());
#else
    Q_UNUSED(window);
    Q_UNUSED(command);
    Q_UNUSED(text);
    Q_UNUSED(separated);
    return false;
#endif
}

std::optional<NativeSystemCommand> SystemCommandOf(const QByteArray& eventType, const void* message)
{
#ifdef Q_OS_WIN
    if (eventType != "windows_generic_MSG")
        return std::nullopt;
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_SYSCOMMAND)
        return std::nullopt;
    return NativeSystemCommand { unsigned(msg->wParam), qintptr(msg->lParam) };
#else
    Q_UNUSED(eventType);
    Q_UNUSED(message);
    return std::nullopt;
#endif
}
