#include "PngIcon.h"

#include <QImageReader>
#include <QPixmap>

QIcon PngIcon(const QStringList& files)
{
    QIcon icon;
    for (const QString& file : files) {
        QImageReader reader(file, "png");
        // Without detection only the named format's reader is asked.
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}
