#include "backup/ProgramData.h"

#include "platform/ProgramDir.h"
#include "store/Ini.h"
#include "store/NameFilter.h"

#include <QDir>
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

// A user name becomes a folder name; the names user management accepts hold none of the refused characters.
bool mayNameUser(const QString& name)
{
    return !isReserved(name) && !store::NameFilter::hasSpecialChars(name);
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

ProgramData::Collected ProgramData::collect(const QString& programDir, const QStringList& databaseUsers)
{
    const QDir dir(programDir);
    const QString root = QFileInfo(programDir).canonicalFilePath() + QLatin1Char('/');
    Collected out;
    // A plain file, or a link to a file inside the directory; any other link is named in leftOut.
    const auto takeFile = [&](const QString& relative) {
        const QFileInfo info(dir.filePath(relative));
        if (!info.isSymLink()) {
            if (info.isFile())
                out.items.append({relative, info.filePath(), false});
            return;
        }
        if (info.isFile() && info.canonicalFilePath().startsWith(root))
            out.items.append({relative, info.filePath(), false});
        else
            out.leftOut.append(QStringLiteral("%1（链接到程序目录之外）").arg(relative));
    };
    const auto takeFolder = [&](const QString& relative) {
        const QFileInfo info(dir.filePath(relative));
        if (info.isSymLink())
            out.leftOut.append(QStringLiteral("%1（链接到别的文件夹）").arg(relative));
        else if (info.isDir())
            out.items.append({relative, info.filePath(), true});
        return !info.isSymLink() && info.isDir();
    };

    for (const QString& f : dataFiles())
        takeFile(f);
    if (takeFolder(QStringLiteral("modal")))
        takeFile(QStringLiteral("modal/set.ini"));
    if (takeFolder(QStringLiteral("photo"))) {
        for (const QFileInfo& info : QDir(dir.filePath(QStringLiteral("photo")))
                                         .entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
            if (!isPictureName(info.fileName()))
                continue;
            const QString relative = QStringLiteral("photo/") + info.fileName();
            if (info.size() > MaxPhotoSize)
                out.leftOut.append(QStringLiteral("%1（大于 %2 MB 的图片）").arg(relative).arg(MaxPhotoSize >> 20));
            else
                takeFile(relative);
        }
    }
    const bool haveUserIni = std::any_of(out.items.cbegin(), out.items.cend(),
                                         [](const Item& i) { return i.relative == QLatin1String("user.ini"); });
    const QStringList named = users(haveUserIni ? dir.filePath(QStringLiteral("user.ini")) : QString(), databaseUsers);
    for (const QFileInfo& info : dir.entryInfoList(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)) {
        const QString name = info.fileName();
        if (kindOf(name, true) != Kind::UserFolder)
            continue;
        if (isUserFolder(name, named)) {
            if (takeFolder(name))
                takeFile(name + QStringLiteral("/set.ini"));
        } else if (isPlainDir(info) && QFileInfo::exists(info.filePath() + QStringLiteral("/set.ini"))) {
            out.leftOut.append(QStringLiteral("%1（不属于任何用户）").arg(name));
        }
    }
    return out;
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

ProgramData::Kind ProgramData::kindOf(const QString& relative, bool directory)
{
    if (!isSafeRelative(relative))
        return Kind::Refused;
    const QStringList parts = relative.split(QLatin1Char('/'));
    const QString& top = parts.first();
    const bool folder = top == QLatin1String("modal") || top == QLatin1String("photo");
    if (parts.size() == 1) {
        if (dataFiles().contains(top))
            return directory ? Kind::Refused : Kind::File;
        if (folder)
            return directory ? Kind::Folder : Kind::Refused;
        return directory && mayNameUser(top) ? Kind::UserFolder : Kind::Refused;
    }
    // Below the top level there are only files, one level deep.
    if (parts.size() != 2 || directory)
        return Kind::Refused;
    if (top == QLatin1String("modal"))
        return parts.at(1) == QLatin1String("set.ini") ? Kind::File : Kind::Refused;
    if (top == QLatin1String("photo"))
        return isPictureName(parts.at(1)) ? Kind::Photo : Kind::Refused;
    return mayNameUser(top) && parts.at(1) == QLatin1String("set.ini") ? Kind::UserFile : Kind::Refused;
}

bool ProgramData::isPictureName(const QString& name)
{
    // Contact name plus the picture's extension: exactly four characters, the dot included.
    const qsizetype dot = name.size() - 4;
    return dot > 0 && name.at(dot) == QLatin1Char('.') && name.indexOf(QLatin1Char('.'), dot + 1) < 0 &&
           !name.startsWith(QLatin1Char('.')) && platform::ProgramDir::isSafeComponent(name);
}

QStringList ProgramData::users(const QString& userIni, const QStringList& databaseUsers)
{
    QStringList out = userIni.isEmpty() ? QStringList() : store::Ini::keys(userIni, QStringLiteral("user"));
    return out + databaseUsers;
}

bool ProgramData::isUserFolder(const QString& folder, const QStringList& users)
{
    return users.contains(folder, Qt::CaseInsensitive);
}

} // namespace backup
