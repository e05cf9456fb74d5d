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

QString ProgramDir::defaultFile(const QString& name)
{
    if (installed().defaults.isEmpty())
        return QString();
    const QString shared = installed().defaults + QLatin1Char('/') + name;
    return QFileInfo::exists(shared) ? shared : QString();
}

QString ProgramDir::fileOrDefault(const QString& name)
{
    const QString own = file(name);
    const QString shared = QFileInfo::exists(own) ? QString() : defaultFile(name);
    return shared.isEmpty() ? own : shared;
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

namespace {

bool within(const QString& path, const QString& root)
{
    return !root.isEmpty() && (path == root || path.startsWith(root.endsWith(u'/') ? root : root + u'/'));
}

// Where a path really lies: links followed one by one (a dangling one too, since a write would create what it
// names), a missing part appended to where its parent really lies. The path is not cleaned first: "x/.." means
// the parent of wherever x leads, as it does to the kernel.
QString realLocation(const QString& path, int depth = 0)
{
    QFileInfo info(path);
    for (; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    if (depth >= 40)
        return QString(); // a loop of links leads nowhere the program may go
    if (info.exists())
        return info.canonicalFilePath();
    const QString missing = info.filePath();
    const qsizetype slash = missing.lastIndexOf(u'/');
    if (slash <= 0)
        return missing;
    const QString parent = realLocation(missing.left(slash), depth + 1);
    return parent.isEmpty() ? parent : QDir::cleanPath(parent + missing.mid(slash));
}

} // namespace

bool ProgramDir::leadsOut(const QString& path)
{
    const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path;
    const QString lexical = QDir::cleanPath(absolute);
    const QString canonicalRoot = QFileInfo(dir()).canonicalFilePath();
    if (!within(lexical, dir()) && !within(lexical, canonicalRoot))
        return false;
    return !within(realLocation(absolute), canonicalRoot.isEmpty() ? dir() : canonicalRoot);
}

} // namespace platform
