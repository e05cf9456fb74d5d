#include "platform/Files.h"

#include "platform/ProgramDir.h"
#include "platform/SaveFile.h"

#include <QFile>
#include <QFileInfo>

namespace platform {

bool Files::copyOverwrite(const QString& from, const QString& to, QString* error)
{
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    for (const QString& path : {from, to}) {
        if (ProgramDir::leadsOut(path))
            return fail(QStringLiteral("%1 leads outside the program directory").arg(path));
    }
    if (!QFileInfo(from).isFile())
        return fail(QStringLiteral("Cannot open %1: not a regular file").arg(from));
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Cannot open %1: %2").arg(from, in.errorString()));
    SaveFile out(to);
    if (!out.open())
        return fail(QStringLiteral("Unable to write to %1: %2").arg(to, out.errorString()));
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0)
            return fail(QStringLiteral("Cannot read %1: %2").arg(from, in.errorString()));
        if (n == 0)
            break;
        if (!out.write(buffer, n))
            return fail(QStringLiteral("Unable to write to %1: %2").arg(to, out.errorString()));
    }
    if (!out.commit())
        return fail(QStringLiteral("Unable to write to %1: %2").arg(to, out.errorString()));
    return true;
}

bool Files::remove(const QString& path)
{
    if (ProgramDir::leadsOut(QFileInfo(path).absolutePath()))
        return false;
    // QFile::remove unlinks a link itself.
    if (QFile::remove(path))
        return true;
    const QFileInfo after(path);
    return !after.exists() && !after.isSymLink();
}

} // namespace platform
