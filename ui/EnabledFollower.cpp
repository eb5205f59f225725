#include "EnabledFollower.h"

#include <QEvent>
#include <QWidget>

EnabledFollower::EnabledFollower(QWidget* caption, QWidget* control)
    : QObject(caption)
    , m_caption(caption)
    , m_control(control)
{
    control->installEventFilter(this);
    caption->setEnabled(control->isEnabled());
}

bool EnabledFollower::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_control && event->type() == QEvent::EnabledChange)
        m_caption->setEnabled(m_control->isEnabled());
    return QObject::eventFilter(watched, event);
}
