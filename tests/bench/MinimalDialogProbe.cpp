#include "DialogFont.h"
#include "ExitWhenShown.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include <cstring>

// The yardstick for the window's start-up: the smallest Qt 6 dialog, a
// label and a button, built in the same tree with the same flags. It shows
// Chinese in the window's CJK font, which any Chinese window pays for; with
// --default-font it shows Latin text in Qt's default font instead.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ExitWhenShown exitWhenShown;
    const bool cjk = !(argc > 1 && std::strcmp(argv[1], "--default-font") == 0);
    if (cjk)
        QApplication::setFont(QFont(DialogFontFamily(), 9));
    QDialog dialog;
    auto* label = new QLabel(cjk ? QStringLiteral("Orlet 晶振") : QStringLiteral("Orlet"), &dialog);
    label->move(10, 10);
    auto* button = new QPushButton(cjk ? QStringLiteral("关闭") : QStringLiteral("OK"), &dialog);
    button->move(10, 40);
    dialog.show();
    return app.exec();
}
