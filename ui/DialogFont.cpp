#include "DialogFont.h"

#include <QFontDatabase>
#include <QStringList>

QString DialogFontFamily()
{
    static const char* const preferred[] = {
        "SimSun",
        "宋体",
        "NSimSun",
        "Microsoft YaHei",
        "PingFang SC",
        "Noto Sans CJK SC",
        "Noto Sans SC",
        "Source Han Sans SC",
        "WenQuanYi Micro Hei",
        "AR PL UMing CN",
    };
    const QStringList families = QFontDatabase::families();
    for (const char* name : preferred) {
        const QString family = QString::fromUtf8(name);
        if (families.contains(family))
            return family;
    }
    return {};
}
