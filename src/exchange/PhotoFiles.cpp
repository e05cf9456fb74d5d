#include "exchange/PhotoFiles.h"

#include "exchange/FieldMapping.h"
#include "platform/ProgramDir.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>

#include <unistd.h>

namespace exchange {

namespace {

bool readFile(const QString& path, QByteArray* data)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > FieldMapping::MaxPhoto)
        return false;
    *data = f.readAll();
    return true;
}

} // namespace

QString PhotoFiles::path(const QString& value)
{
    return platform::ProgramDir::file(QStringLiteral("photo/") + value);
}

PhotoFiles::Result PhotoFiles::write(const QString& name, const QString& extension, const QByteArray& data)
{
    const QString file = name + extension;
    if (!platform::ProgramDir::isSafeComponent(file))
        return Result::Failed;
    const QString target = path(file);
    // Nothing is written through a photo/ that links out of the program's directory.
    if (platform::ProgramDir::leadsOut(target))
        return Result::Failed;
    const QFileInfo existing(target);
    if (existing.exists() || existing.isSymLink()) {
        QByteArray there;
        return existing.isFile() && readFile(target, &there) && there == data ? Result::Reused : Result::Taken;
    }
    // A new file of the program's own, so it gets the mode of every other photo (0666 less the umask), where a
    // QTemporaryFile would be readable by its owner alone.
    QFile temporary;
    for (int attempt = 0; attempt < 100 && !temporary.isOpen(); ++attempt) {
        temporary.setFileName(
            path(QStringLiteral(".import-%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))));
        if (!temporary.open(QIODevice::WriteOnly | QIODevice::NewOnly) && temporary.exists())
            continue;
        if (!temporary.isOpen())
            return Result::Failed;
    }
    const bool written = temporary.isOpen() && temporary.write(data) == data.size() && temporary.flush() &&
                         ::fsync(temporary.handle()) == 0;
    temporary.close();
    // rename() never replaces an existing file: a photo another running copy wrote meanwhile stays.
    if (written && temporary.error() == QFileDevice::NoError && temporary.rename(target))
        return Result::Written;
    const bool taken = written && QFileInfo::exists(target);
    temporary.remove();
    return taken ? Result::Taken : Result::Failed;
}

bool PhotoFiles::read(const QString& value, QByteArray* data, QString* extension)
{
    const QString v = value.trimmed();
    if (v.isEmpty() || v.compare(u"no.bmp", Qt::CaseInsensitive) == 0 || !platform::ProgramDir::isSafeComponent(v) ||
        platform::ProgramDir::leadsOut(path(v)))
        return false;
    if (!readFile(path(v), data) || data->isEmpty())
        return false;
    *extension = FieldMapping::photoExtension(*data);
    if (!extension->isEmpty())
        return true;
    // Phones read JPEG and PNG only; a bitmap or icon photo goes out as PNG.
    QImage image;
    if (!image.loadFromData(*data))
        return false;
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return false;
    *data = png;
    *extension = QStringLiteral(".png");
    return true;
}

} // namespace exchange
