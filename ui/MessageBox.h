#pragma once

#include <QString>

#include <functional>

class QWidget;

enum class MessageIcon { None, Stop };

// One message box request: always modal with a single OK button.
struct MessageRequest {
    QWidget* owner = nullptr;
    QString text;
    QString caption; // empty: the application's title
    MessageIcon icon = MessageIcon::None;
};

using MessageBoxHandler = std::function<void(const MessageRequest&)>;

// Every message of the program goes through here.
void ShowMessageBox(
    QWidget* owner, const QString& text, const QString& caption = {}, MessageIcon icon = MessageIcon::None);

// Replaces how messages are shown (tests record them instead of blocking).
// An empty handler restores the real message box. Returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
