#include "backup/ProgramData.h"

#include "platform/ProgramDir.h"
#include "store/Ini.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace backup {

namespace {

const QStringList& dataFiles()
{
    static const QStringList files = {QStringLiteral("call.mdb"), QStringLiteral("qh.mdb"),
                                      QStringLiteral("zzz"),      QStringLiteral("set.ini"),
                                      QStringLiteral("user.ini"), QStringLiteral("setb.ini")};
    return files;
}

// Names that are never data folders: where backups live, the manual's pictures, the program files.
bool isReserved(const QString& name)
{
    static const QStringList reserved = {QStringLiteral("backup"), QStringLiteral("help"), QStringLiteral("help.html"),
                                         QStringLiteral("velloran"), QStringLiteral("data")};
    return name.startsWith(QLatin1Char('.')) || reserved.contains(name) || dataFiles().contains(name);
}

bool isPlainDir(const QFileInfo& info)
{
    return info.isDir() && !info.isSymLink();
}

} // namespace

QStringList ProgramData::topLevel(const QString& programDir)
{
    const QDir dir(programDir);
    QStringList items;
    for (const QString& f : dataFiles()) {
        if (QFileInfo(dir.filePath(f)).isFile())
            items.append(f);
    }
    QStringList folders;
    for (const QString& d : {QStringLiteral("modal"), QStringLiteral("photo")}) {
        if (isPlainDir(QFileInfo(dir.filePath(d))))
            folders.append(d);
    }
    QSet<QString> users;
    for (const QString& name : store::Ini::keys(dir.filePath(QStringLiteral("user.ini")), QStringLiteral("user"))) {
        if (platform::ProgramDir::isSafeComponent(name) && !isReserved(name) &&
            isPlainDir(QFileInfo(dir.filePath(name))))
            users.insert(name);
    }
    for (const QFileInfo& info : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)) {
        const QString name = info.fileName();
        if (!isReserved(name) && isPlainDir(info) && QFileInfo(info.filePath() + QStringLiteral("/set.ini")).isFile())
            users.insert(name);
    }
    users.remove(QStringLiteral("modal"));
    users.remove(QStringLiteral("photo"));
    QStringList sortedUsers(users.begin(), users.end());
    std::sort(sortedUsers.begin(), sortedUsers.end());
    return items + folders + sortedUsers;
}

QList<ProgramData::Item> ProgramData::collect(const QString& programDir)
{
    const QDir dir(programDir);
    QList<Item> items;
    for (const QString& top : topLevel(programDir)) {
        const QString path = dir.filePath(top);
        if (!QFileInfo(path).isDir()) {
            items.append({top, path, false});
            continue;
        }
        QList<Item> below{{top, path, true}};
        QDirIterator it(path, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            const QString relative = dir.relativeFilePath(info.filePath());
            if (info.isSymLink() ? !info.isFile() : !(info.isFile() || info.isDir()))
                continue; // links to folders, sockets, pipes
            below.append({relative, info.filePath(), info.isDir() && !info.isSymLink()});
        }
        std::sort(below.begin(), below.end(), [](const Item& a, const Item& b) { return a.relative < b.relative; });
        items += below;
    }
    return items;
}

QStringList ProgramData::companions(const QString& programDir)
{
    QStringList out;
    for (const QString& db : {QStringLiteral("call.mdb"), QStringLiteral("qh.mdb")}) {
        for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")}) {
            const QFileInfo info(programDir + QLatin1Char('/') + db + suffix);
            if (info.exists() || info.isSymLink())
                out.append(db + suffix);
        }
    }
    return out;
}

bool ProgramData::isSafeRelative(const QString& path)
{
    const QStringList parts = path.split(QLatin1Char('/'));
    return std::all_of(parts.begin(), parts.end(),
                       [](const QString& p) { return platform::ProgramDir::isSafeComponent(p); });
}

bool ProgramData::mayHold(const QString& relative, bool directory)
{
    if (!isSafeRelative(relative))
        return false;
    const QString top = relative.section(QLatin1Char('/'), 0, 0);
    if (top == relative && !directory)
        return dataFiles().contains(top);
    return !isReserved(top);
}

} // namespace backup
