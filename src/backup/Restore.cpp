#include "backup/Restore.h"

#include "backup/Archive.h"
#include "backup/Database.h"
#include "backup/RestoreJournal.h"
#include "backup/ServerSnapshot.h"
#include "store/BookLock.h"
#include "store/ProgramLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>

namespace backup {

namespace {

bool failWith(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// With the exclusive lock held.
bool recoverLocked(const QString& dir, QString* error)
{
    if (!RestoreJournal::exists(dir)) {
        RestoreJournal::removeFolder(dir + QLatin1Char('/') + RestoreJournal::stagingName());
        return true;
    }
    RestoreJournal journal;
    if (!RestoreJournal::read(dir, &journal, error))
        return false;
    QString why;
    if (journal.rollForward(dir, &why))
        return journal.finish(dir, error);
    QString back;
    if (journal.rollBack(dir, &back) && journal.finish(dir, &back))
        return true; // the old data, as before the interrupted restore
    return failWith(error,
                    QStringLiteral("上次恢复数据被中断，无法自动完成（%1；%2）。数据可能不完整，请检查程序目录和 "
                                   "backup 文件夹中的 %3。")
                        .arg(why, back, journal.safety));
}

} // namespace

QString Restore::busyMessage()
{
    return QStringLiteral(
        "Velloran 正在运行（或者另一个恢复正在进行），不能恢复数据。请先关闭所有正在使用这个程序目录的 "
        "Velloran，再恢复。");
}

bool Restore::share(store::ProgramLock& lock, const QString& work, QString* error)
{
    switch (lock.tryLock(store::ProgramLock::Mode::Shared, error)) {
    case store::ProgramLock::Result::Locked:
        return true;
    case store::ProgramLock::Result::Busy:
        return failWith(error, QStringLiteral("正在恢复数据，现在不能%1，请等恢复结束后再试。").arg(work));
    case store::ProgramLock::Result::Failed:
        break;
    }
    return false;
}

bool Restore::recover(const QString& programDir, QString* error)
{
    const QString dir = QDir(programDir).absolutePath();
    if (!RestoreJournal::exists(dir) && !QFileInfo::exists(dir + QLatin1Char('/') + RestoreJournal::stagingName()))
        return true;
    store::ProgramLock lock(dir);
    switch (lock.tryLock(store::ProgramLock::Mode::Exclusive, error)) {
    case store::ProgramLock::Result::Locked:
        return recoverLocked(dir, error);
    case store::ProgramLock::Result::Busy:
        // A staging folder alone never touches the data (a restore may be unpacking into it right now).
        if (!RestoreJournal::exists(dir))
            return true;
        return failWith(error, QStringLiteral("正在恢复数据，请等恢复结束后再启动。"));
    case store::ProgramLock::Result::Failed:
        break;
    }
    return !RestoreJournal::exists(dir);
}

bool Restore::run(const QString& programDir, const QString& archivePath, const Progress& progress, Result* result,
                  QString* error)
{
    const QString dir = QDir(programDir).absolutePath();
    const QString archive = QFileInfo(archivePath).absoluteFilePath();
    if (!QFileInfo(archive).isFile())
        return failWith(error, QStringLiteral("找不到档案文件 %1。").arg(archive));
    store::ProgramLock lock(dir);
    switch (lock.tryLock(store::ProgramLock::Mode::Exclusive, error)) {
    case store::ProgramLock::Result::Locked:
        break;
    case store::ProgramLock::Result::Busy:
        return failWith(error, busyMessage());
    case store::ProgramLock::Result::Failed:
        return false;
    }
    if (!recoverLocked(dir, error))
        return false;
    // A book on a server: no program may run on it anywhere while it is replaced.
    std::unique_ptr<store::BookLock> bookLock;
    store::ServerSettings server;
    if (!ServerSnapshot::lockBook(dir, &server, &bookLock, error))
        return false;

    // Asked before the work and again right before the swap.
    const auto inUse = [&dir] {
        bool used = false;
        const QString db = dir + QStringLiteral("/call.mdb");
        return QFileInfo(db).isFile() && Database::checkpoint(db, &used, nullptr) && used;
    };
    if (inUse())
        return failWith(error, busyMessage());

    // The data replaced is moved into backup/: never through a link, out of the directory.
    if (QFileInfo(dir + QStringLiteral("/backup")).isSymLink())
        return failWith(error, QStringLiteral("程序目录中的 backup 是一个链接：恢复要把现在的数据移进 backup "
                                              "文件夹保存，不能移到程序目录之外。请把它换成普通的文件夹后再恢复。"));
    const QString staging = dir + QLatin1Char('/') + RestoreJournal::stagingName();
    if (!QDir().mkpath(staging) || QFileInfo(staging).isSymLink())
        return failWith(error, QStringLiteral("无法在程序目录中创建文件夹 %1。").arg(staging));
    ArchiveSummary summary;
    if (!Archive::extract(archive, staging, progress, &summary, error)) {
        RestoreJournal::removeFolder(staging);
        return false;
    }
    // The old database's log goes into its file (or, if that fails, aside with it): a -wal left beside the new
    // call.mdb would be replayed into it.
    if (inUse()) {
        RestoreJournal::removeFolder(staging);
        return failWith(error, busyMessage());
    }
    RestoreJournal journal;
    if (!RestoreJournal::plan(dir, QDateTime::currentDateTime(), &journal, error) || !journal.write(dir, error)) {
        RestoreJournal::removeFolder(staging);
        if (!journal.safety.isEmpty())
            QDir(dir).rmdir(journal.safety);
        return false;
    }
    QString why;
    // A server book is replaced from the files once they are in place: should that fail, the swap is still undone.
    if (!journal.rollForward(dir, &why) ||
        (server.isServer() && !ServerSnapshot::replace(server, dir, &summary.contacts, &why))) {
        QString back;
        if (journal.rollBack(dir, &back) && journal.finish(dir, &back))
            return failWith(error, QStringLiteral("恢复失败，原来的数据保持不变：%1").arg(why));
        return failWith(error,
                        QStringLiteral("恢复失败，且无法还原（%1；%2）。下次启动时会再试着完成。").arg(why, back));
    }
    if (!journal.finish(dir, error))
        return false;
    if (result) {
        result->summary = summary;
        result->safetyCopy = dir + QLatin1Char('/') + journal.safety;
    }
    return true;
}

} // namespace backup
