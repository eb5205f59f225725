#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class QWidget;

// The window's own system menu, the one Windows shows from the caption's
// icon and Alt+Space.  The Win32 calls live in NativeSystemMenu.cpp only:
// <windows.h> defines names such as SetWindowText as macros, which would
// rename the dialog layer's members in any file that also uses them.

// Appends a separator (where `separated`) and the entry `text` with
// `command` to the system menu of `window`.  False where the platform has
// no such menu.
bool AppendToNativeSystemMenu(QWidget* window, unsigned command, const QString& text, bool separated = true);

struct NativeSystemCommand {
    unsigned id;
    qintptr lParam;
};

// The command of a native WM_SYSCOMMAND message, as nativeEvent() gets it.
std::optional<NativeSystemCommand> SystemCommandOf(const QByteArray& eventType, const void* message);
