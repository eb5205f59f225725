#include "MessageBox.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace {

MessageBoxHandler& currentHandler()
{
    static MessageBoxHandler handler;
    return handler;
}

void showRealMessageBox(const MessageRequest& request)
{
    QMessageBox box(request.owner);
    box.setWindowTitle(request.caption.isEmpty() ? QCoreApplication::applicationName() : request.caption);
    box.setText(request.text);
    box.setIcon(request.icon == MessageIcon::Stop ? QMessageBox::Critical : QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

} // namespace

void ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, MessageIcon icon)
{
    const MessageRequest request { owner, text, caption, icon };
    if (currentHandler())
        currentHandler()(request);
    else
        showRealMessageBox(request);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}
