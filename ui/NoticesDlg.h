#pragma once

#include <QDialog>

// The licence of Orlet and the terms of the software of others it ships
// with, reached from the About box.
class CNoticesDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CNoticesDlg(QWidget* parent = nullptr);

    // The text shown: the licence, then the third-party notices.
    static QString NoticesText();
};
