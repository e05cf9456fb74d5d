#include "edit/Picture.h"

#include "edit/JpegReader.h"
#include "platform/ProgramDir.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

QImage Picture::load(const QString& path, const QSize& shown, QString* error)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return QImage();
    };
    if (!info.exists())
        return fail(QStringLiteral("Cannot open file '%1': No such file or directory").arg(name));
    // A photo of the program's that is a link elsewhere shows another place's file: it counts as missing.
    if (platform::ProgramDir::leadsOut(path))
        return fail(QStringLiteral("“%1”链接到程序目录之外").arg(name));
    if (!info.isFile())
        return fail(QStringLiteral("“%1”不是普通文件").arg(name));
    if (info.size() > MaxFileSize)
        return fail(QStringLiteral("图片文件“%1”大于 %2 MB").arg(name).arg(MaxFileSize / (1024 * 1024)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Cannot open file '%1': %2").arg(name, file.errorString()));
    const QByteArray head = file.peek(3);
    // JPEG by its signature, whatever the extension says.
    if (head.size() == 3 && uchar(head[0]) == 0xFF && uchar(head[1]) == 0xD8 && uchar(head[2]) == 0xFF) {
        file.close();
        QString jpegError;
        QImage image = JpegReader::read(path, shown, &jpegError);
        if (image.isNull())
            return fail(QStringLiteral("JPEG error: %1").arg(jpegError));
        return image;
    }
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    // The size from the header, before anything of that size is allocated; Qt's own limit catches a reader that
    // cannot tell its size beforehand.
    const QSize size = reader.size();
    if (size.isValid() && !fitsPixelLimit(size.width(), size.height()))
        return fail(tooLargeMessage(size));
    QImageReader::setAllocationLimit(int(MaxPixels * 4 / (1024 * 1024)) + 1);
    QImage image = reader.read();
    if (image.isNull())
        return fail(QStringLiteral("'%1': %2").arg(name, reader.errorString()));
    // Pictures are stretched to their frame: a large one is kept at about the size it is drawn.
    if (shown.isValid() && (image.width() > 2 * shown.width() || image.height() > 2 * shown.height()))
        image = image.scaled(shown * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

QString Picture::tooLargeMessage(const QSize& size)
{
    return QStringLiteral("图片有 %1 × %2 像素，超过照片允许的 %3 万像素")
        .arg(size.width())
        .arg(size.height())
        .arg(MaxPixels / 10000);
}

QString Picture::dialogFilter()
{
    // Only four-character extensions: a photo file is named after the contact plus an extension of that length.
    return QStringLiteral("所有图片 (*.jpg *.bmp *.ico *.png);;JPEG 图片 (*.jpg);;位图 (*.bmp);;图标 (*.ico);;"
                          "PNG 图片 (*.png)");
}
