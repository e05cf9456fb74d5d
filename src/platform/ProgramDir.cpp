#include "platform/ProgramDir.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {
QString& dir()
{
    static QString d = QDir::currentPath();
    return d;
}

struct Installed {
    QString programs;
    QString manual;
    QString defaults;
};

Installed& installed()
{
    static Installed i;
    return i;
}

QString inFolder(const QString& folder, const QString& name)
{
    return (folder.isEmpty() ? dir() : folder) + QLatin1Char('/') + name;
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

void ProgramDir::setInstalled(const QString& programs, const QString& manual, const QString& defaults)
{
    installed() = {programs, manual, defaults};
}

QString ProgramDir::programFile(const QString& name)
{
    return inFolder(installed().programs, name);
}

QString ProgramDir::manualFile(const QString& name)
{
    return inFolder(installed().manual, name);
}

QString ProgramDir::fileOrDefault(const QString& name)
{
    const QString own = file(name);
    if (QFileInfo::exists(own) || installed().defaults.isEmpty())
        return own;
    const QString shared = installed().defaults + QLatin1Char('/') + name;
    return QFileInfo::exists(shared) ? shared : own;
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
