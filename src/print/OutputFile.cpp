#include "print/OutputFile.h"

#include <QDir>
#include <QFileInfo>

namespace print {

QString OutputFile::withExtension(const QString& path, const QString& extension)
{
    return path.endsWith(extension, Qt::CaseInsensitive) ? path : path + extension;
}

bool OutputFile::mayWrite(const QString& programDir, const QString& path, QString* error)
{
    const QFileInfo target(path);
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (target.isDir())
        return fail(QStringLiteral("%1 是一个文件夹，请给出文件名。").arg(target.absoluteFilePath()));
    const QString parent = QFileInfo(target.absolutePath()).canonicalFilePath();
    if (parent.isEmpty())
        return fail(QStringLiteral("文件夹 %1 不存在。").arg(target.absolutePath()));
    const QString dir = QFileInfo(programDir).canonicalFilePath();
    if (!dir.isEmpty() && (parent == dir || parent.startsWith(dir + QLatin1Char('/'))))
        return fail(QStringLiteral("不能把文件写在程序目录中（%1）；请选程序目录之外的位置。")
                        .arg(QDir::toNativeSeparators(target.absoluteFilePath())));
    return true;
}

} // namespace print
