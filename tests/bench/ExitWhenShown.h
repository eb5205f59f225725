#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QWindow>

#include <cstdlib>

// Ends the process once a window has been exposed and painted: the start-up
// probes measure from process start to the window on screen, nothing after.
class ExitWhenShown : public QObject
{
public:
    ExitWhenShown() { QCoreApplication::instance()->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose) {
            auto* window = qobject_cast<QWindow*>(watched);
            if (window && window->isExposed())
                // Queued: the expose handler paints the window first.
                QMetaObject::invokeMethod(
                    this, [] { std::_Exit(0); }, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }
};
