#include "NoticesDlg.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString resourceText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

QString CNoticesDlg::NoticesText()
{
    return resourceText(QStringLiteral(":/notices/LICENSE.txt")) + QLatin1Char('\n')
        + resourceText(QStringLiteral(":/notices/THIRD-PARTY-NOTICES.txt"));
}

CNoticesDlg::CNoticesDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("许可声明"));
    auto* text = new QPlainTextEdit(NoticesText(), this);
    text->setObjectName(QStringLiteral("noticesText"));
    text->setReadOnly(true);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    resize(640, 480);
}
