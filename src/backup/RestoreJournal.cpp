#include "backup/RestoreJournal.h"

#include "backup/ProgramData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace backup {

namespace {

bool present(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

void syncDir(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// rename(2) that refuses to replace an existing target.
bool move(const QString& from, const QString& to, QString* error)
{
    const QByteArray a = QFile::encodeName(from);
    const QByteArray b = QFile::encodeName(to);
    int rc = ::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE);
    if (rc != 0 && errno == EINVAL) { // file systems without the flag
        if (present(to))
            errno = EEXIST;
        else
            rc = ::rename(a.constData(), b.constData());
    }
    if (rc != 0) {
        if (error)
            *error =
                QStringLiteral("无法把 %1 移到 %2：%3").arg(from, to, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

QJsonArray toArray(const QStringList& list)
{
    QJsonArray a;
    for (const QString& s : list)
        a.append(s);
    return a;
}

QStringList toList(const QJsonValue& v)
{
    QStringList out;
    for (const QJsonValue& s : v.toArray())
        out.append(s.toString());
    return out;
}

} // namespace

bool RestoreJournal::exists(const QString& programDir)
{
    return present(programDir + QLatin1Char('/') + fileName());
}

void RestoreJournal::removeFolder(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink() || (info.exists() && !info.isDir()))
        QFile::remove(path);
    else if (info.exists())
        QDir(path).removeRecursively(); // links inside are removed themselves, not followed
}

bool RestoreJournal::plan(const QString& programDir, const QDateTime& now, RestoreJournal* journal, QString* error)
{
    const QDir dir(programDir);
    RestoreJournal j;
    j.staging = stagingName();
    const QString stamp = QStringLiteral("backup/before-restore-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    j.safety = stamp;
    for (int n = 2; present(dir.filePath(j.safety)); ++n)
        j.safety = stamp + QStringLiteral("-%1").arg(n);
    if (!dir.mkpath(j.safety)) {
        if (error)
            *error = QStringLiteral("无法创建安全副本文件夹 %1。").arg(dir.filePath(j.safety));
        return false;
    }
    const QDir staged(dir.filePath(j.staging));
    for (const QFileInfo& info :
         staged.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name)) {
        // Only what the archive may hold: a database companion left by the check stays behind and goes.
        if (ProgramData::kindOf(info.fileName(), info.isDir()) != ProgramData::Kind::Refused)
            j.newItems.append(info.fileName());
    }
    j.oldItems = ProgramData::topLevel(programDir) + ProgramData::companions(programDir);
    for (const QString& name : j.newItems) {
        if (!j.oldItems.contains(name) && present(dir.filePath(name)))
            j.oldItems.append(name);
    }
    *journal = j;
    return true;
}

bool RestoreJournal::write(const QString& programDir, QString* error) const
{
    const QJsonObject o{{QStringLiteral("staging"), staging},
                        {QStringLiteral("safety"), safety},
                        {QStringLiteral("old"), toArray(oldItems)},
                        {QStringLiteral("new"), toArray(newItems)}};
    QSaveFile file(programDir + QLatin1Char('/') + fileName());
    const QByteArray bytes = QJsonDocument(o).toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("无法写入恢复记录 %1：%2").arg(file.fileName(), file.errorString());
        return false;
    }
    syncDir(programDir);
    return true;
}

bool RestoreJournal::read(const QString& programDir, RestoreJournal* journal, QString* error)
{
    QFile file(programDir + QLatin1Char('/') + fileName());
    const auto fail = [&]() {
        if (error)
            *error = QStringLiteral(
                         "上次恢复数据被中断，它的记录 %1 无法读取；数据可能不完整，请检查程序目录和 backup 文件夹。")
                         .arg(file.fileName());
        return false;
    };
    if (!file.open(QIODevice::ReadOnly))
        return fail();
    const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
    RestoreJournal j;
    j.staging = o.value(QStringLiteral("staging")).toString();
    j.safety = o.value(QStringLiteral("safety")).toString();
    j.oldItems = toList(o.value(QStringLiteral("old")));
    j.newItems = toList(o.value(QStringLiteral("new")));
    // Everything named must stay inside the program directory, whoever wrote the file.
    QStringList all = j.oldItems + j.newItems;
    all << j.staging << j.safety;
    for (const QString& p : all) {
        if (!ProgramData::isSafeRelative(p))
            return fail();
    }
    *journal = j;
    return true;
}

bool RestoreJournal::rollForward(const QString& programDir, QString* error, int limit) const
{
    const QDir dir(programDir);
    int done = 0;
    const auto step = [&](const QString& from, const QString& to) {
        if (limit >= 0 && done == limit) {
            if (error)
                *error = QStringLiteral("interrupted");
            return false;
        }
        ++done;
        return move(from, to, error);
    };
    for (const QString& name : oldItems) {
        const QString inPlace = dir.filePath(name);
        const QString aside = dir.filePath(safety + QLatin1Char('/') + name);
        if (!present(aside) && present(inPlace) && !step(inPlace, aside))
            return false;
    }
    syncDir(dir.filePath(safety));
    for (const QString& name : newItems) {
        const QString staged = dir.filePath(staging + QLatin1Char('/') + name);
        if (present(staged) && !step(staged, dir.filePath(name)))
            return false;
    }
    syncDir(programDir);
    return true;
}

bool RestoreJournal::rollBack(const QString& programDir, QString* error) const
{
    const QDir dir(programDir);
    // A staged item missing from staging has been put in place.
    for (auto it = newItems.crbegin(); it != newItems.crend(); ++it) {
        const QString staged = dir.filePath(staging + QLatin1Char('/') + *it);
        const QString inPlace = dir.filePath(*it);
        if (!present(staged) && present(inPlace) && !move(inPlace, staged, error))
            return false;
    }
    for (auto it = oldItems.crbegin(); it != oldItems.crend(); ++it) {
        const QString aside = dir.filePath(safety + QLatin1Char('/') + *it);
        const QString inPlace = dir.filePath(*it);
        if (present(aside) && !present(inPlace) && !move(aside, inPlace, error))
            return false;
    }
    syncDir(programDir);
    return true;
}

bool RestoreJournal::finish(const QString& programDir, QString* error) const
{
    const QDir dir(programDir);
    if (!QFile::remove(dir.filePath(fileName())) && exists(programDir)) {
        if (error)
            *error = QStringLiteral("无法删除恢复记录 %1。").arg(dir.filePath(fileName()));
        return false;
    }
    syncDir(programDir);
    removeFolder(dir.filePath(staging));
    dir.rmdir(safety); // only when empty: a rolled-back swap leaves nothing in it
    return true;
}

} // namespace backup
