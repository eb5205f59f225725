#pragma once

#include <QObject>

class QWidget;

// Keeps a caption enabled exactly while its control is, so that a label
// beside a greyed-out box is greyed out with it. Owned by the caption.
class EnabledFollower : public QObject
{
public:
    EnabledFollower(QWidget* caption, QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_caption;
    QWidget* m_control;
};
