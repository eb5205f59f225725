#include "ExitWhenShown.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

// The yardstick for the window's start-up: the smallest Qt 6 dialog, a
// label and a button, built in the same tree with the same flags.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ExitWhenShown exitWhenShown;
    QDialog dialog;
    auto* label = new QLabel(QStringLiteral("Orlet"), &dialog);
    label->move(10, 10);
    auto* button = new QPushButton(QStringLiteral("OK"), &dialog);
    button->move(10, 40);
    dialog.show();
    return app.exec();
}
