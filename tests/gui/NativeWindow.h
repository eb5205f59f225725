#pragma once

#include <QList>
#include <QMap>
#include <QSize>
#include <QString>

class QWidget;

// The Win32 view of a window and of an executable, for the tests that run
// on the windows platform.  No Windows header in this file: it would turn
// the dialog layer's SetWindowText and the like into macros.

struct NativeMenuItem {
    QString text; // empty for a separator
    bool separator = false;
    unsigned command = 0;
};

QList<NativeMenuItem> NativeSystemMenuItems(QWidget* window);

struct NativeFrame {
    bool caption = false;
    bool systemMenu = false;
    bool minimiseBox = false;
    bool maximiseBox = false;
    bool sizingBorder = false;
};

NativeFrame NativeFrameOf(QWidget* window);

// Sends WM_SYSCOMMAND, as choosing a system-menu entry does.
void SendSystemCommand(QWidget* window, unsigned command);

struct ExecutableResources {
    QString fileVersion; // from the fixed part, "a.b.c.d"
    QString productVersion;
    QMap<QString, QString> strings; // of the Chinese (PRC), Unicode block 080404b0
    QList<QSize> iconSizes; // of icon group 128
};

ExecutableResources ReadExecutableResources(const QString& path);
