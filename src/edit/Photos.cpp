#include "edit/Photos.h"

#include "edit/FieldRules.h"
#include "edit/Picture.h"
#include "platform/Files.h"
#include "platform/ProgramDir.h"
#include "store/NameFilter.h"
#include "store/PhotoStore.h"

#include <QFileInfo>
#include <QPainter>

QString Photos::path(const QString& value)
{
    return platform::ProgramDir::file(QStringLiteral("photo/") + value);
}

QString Photos::extensionOf(const QString& fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

QString Photos::extensionMessage(const QString& fileName)
{
    return QStringLiteral("源照片文件名（") + fileName + QStringLiteral("）中含有特殊字符“.”\n")
        + QStringLiteral("请更改源文件名，并重新添加！");
}

bool Photos::isReservedPhotoName(const QString& name, const QString& extension)
{
    const QString file = name + extension;
    if (!platform::ProgramDir::isSafeComponent(file) || FieldRules::nameHasSpecialChars(name))
        return true;
    return store::NameFilter::collidesWithPlaceholder(name, extension);
}

QString Photos::reservedNameMessage(const QString& fileName)
{
    return QStringLiteral("照片文件名“") + fileName + QStringLiteral("”已被系统使用，这张照片不能保存。\n")
        + QStringLiteral("记录本身仍可保存。");
}

QString Photos::copyFailedMessage(const QString& fileName)
{
    if (platform::ProgramDir::leadsOut(path(fileName)))
        return QStringLiteral("照片文件“photo/") + fileName +
               QStringLiteral("”链接到程序目录之外，照片没有保存。程序只写入程序目录中的照片。");
    return QStringLiteral("照片文件“photo/") + fileName +
           QStringLiteral("”无法写入，照片没有保存。请检查磁盘空间和 photo 目录的写入权限。");
}

QString Photos::pictureName(const QString& path)
{
    return QFileInfo(path).fileName();
}

bool Photos::stage(const QString& pickedPath, const QString& extension, QString* error)
{
    return platform::Files::copyOverwrite(pickedPath, path(QStringLiteral("yes") + extension), error);
}

bool Photos::commit(const QString& name, const QString& extension, QString* error)
{
    if (isReservedPhotoName(name, extension))
        return false;
    return platform::Files::copyOverwrite(path(QStringLiteral("yes") + extension), path(name + extension), error);
}

QImage Photos::placeholder(const QSize& shown, QString* error)
{
    QImage image = Picture::load(path(placeholderValue()), shown, error);
    return image.isNull() ? drawnPlaceholder() : image;
}

QImage Photos::forValue(const QString& value, const QSize& shown, QString* error)
{
    const QString v = value.trimmed();
    if (v.isEmpty() || value == placeholderValue())
        return placeholder(shown);
    if (!platform::ProgramDir::isSafeComponent(value)) {
        if (error)
            *error = QStringLiteral("照片文件名无效：%1").arg(value);
        return placeholder(shown);
    }
    // A photo another desktop saved or changed comes into photo/ first; without the server the copy there serves.
    store::PhotoStore::refresh(store::PhotoStore::connection(), value);
    QImage image = Picture::load(path(value), shown, error);
    return image.isNull() ? placeholder(shown) : image;
}

QImage Photos::drawnPlaceholder()
{
    QImage image(92, 113, QImage::Format_RGB32);
    image.fill(QColor(236, 238, 241));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(172, 178, 188));
    p.drawEllipse(QRectF(28, 20, 36, 40));
    p.drawRoundedRect(QRectF(12, 70, 68, 50), 30, 30);
    return image;
}
