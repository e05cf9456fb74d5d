#include "edit/Picture.h"

#include "edit/JpegReader.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

QImage Picture::load(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open file '%1': %2").arg(QFileInfo(path).fileName(), file.errorString());
        return QImage();
    }
    const QByteArray head = file.peek(3);
    // JPEG by its signature, whatever the extension says.
    if (head.size() == 3 && uchar(head[0]) == 0xFF && uchar(head[1]) == 0xD8 && uchar(head[2]) == 0xFF) {
        QString jpegError;
        QImage image = JpegReader::decode(file.readAll(), &jpegError);
        if (image.isNull() && error)
            *error = QStringLiteral("JPEG error: %1").arg(jpegError);
        return image;
    }
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    QImage image = reader.read();
    if (image.isNull() && error)
        *error = QStringLiteral("'%1': %2").arg(QFileInfo(path).fileName(), reader.errorString());
    return image;
}

QString Picture::dialogFilter()
{
    return QStringLiteral("所有图片 (*.jpg *.jpeg *.bmp *.ico *.png);;JPEG 图片 (*.jpg *.jpeg);;位图 (*.bmp);;"
                          "图标 (*.ico);;PNG 图片 (*.png)");
}
