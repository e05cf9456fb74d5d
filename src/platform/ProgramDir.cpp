#include "platform/ProgramDir.h"

#include <QDir>

namespace platform {

namespace {
QString& dir()
{
    static QString d = QDir::currentPath();
    return d;
}
} // namespace

void ProgramDir::set(const QString& d)
{
    dir() = QDir(d).absolutePath();
}

QString ProgramDir::path()
{
    return dir();
}

QString ProgramDir::file(const QString& relative)
{
    return dir() + QLatin1Char('/') + relative;
}

bool ProgramDir::isSafeComponent(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

} // namespace platform
