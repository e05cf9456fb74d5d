#include "backup/Backup.h"

#include "backup/Database.h"
#include "backup/Manifest.h"
#include "backup/ProgramData.h"
#include "backup/ServerSnapshot.h"
#include "backup/ZipWriter.h"
#include "store/Book.h"
#include "store/ProgramLock.h"
#include "store/ServerSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#ifndef VELLORAN_VERSION
#define VELLORAN_VERSION "0"
#endif

namespace backup {

namespace {

bool failWith(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// Writing the archive into the data would replace a database, a settings file or a photo with a zip.
bool isAllowedTarget(const QString& programDir, const QString& target)
{
    const QString dir = QFileInfo(programDir).canonicalFilePath();
    // An existing target may be a link: the file written is the one it points to.
    const QFileInfo written(QFileInfo(target).exists() ? QFileInfo(target).canonicalFilePath() : target);
    const QString parent = QFileInfo(written.absolutePath()).canonicalFilePath();
    if (dir.isEmpty() || parent.isEmpty())
        return true; // a missing parent fails later with its own message
    if (parent != dir && !parent.startsWith(dir + QLatin1Char('/')))
        return true;
    const QString backupDir = dir + QStringLiteral("/backup");
    return parent == backupDir || parent.startsWith(backupDir + QLatin1Char('/'));
}

} // namespace

bool Backup::write(const QString& programDir, const QString& archivePath, const Progress& progress,
                   ArchiveSummary* summary, QString* error)
{
    const QString target = QFileInfo(archivePath).absoluteFilePath();
    if (QFileInfo(target).isDir())
        return failWith(error, QStringLiteral("%1 是一个文件夹，请给出档案的文件名。").arg(target));
    if (!QFileInfo(QFileInfo(target).absolutePath()).isDir())
        return failWith(error, QStringLiteral("文件夹 %1 不存在。").arg(QFileInfo(target).absolutePath()));
    if (!isAllowedTarget(programDir, target))
        return failWith(
            error, QStringLiteral("不能把档案写在程序目录的数据中（%1）；请选程序目录之外或 backup 文件夹中的位置。")
                       .arg(target));

    // Shared, like every running program: a restore cannot swap the data while it is being read.
    store::ProgramLock lock(programDir);
    switch (lock.tryLock(store::ProgramLock::Mode::Shared, error)) {
    case store::ProgramLock::Result::Locked:
        break;
    case store::ProgramLock::Result::Busy:
        return failWith(error, QStringLiteral("正在恢复数据，现在不能备份，请等恢复结束后再试。"));
    case store::ProgramLock::Result::Failed:
        return false;
    }

    // The snapshot lies beside the archive: the same disk, which has room for the archive anyway.
    QTemporaryDir scratch(QFileInfo(target).absolutePath() + QLatin1Char('/') + scratchPrefix() +
                          QStringLiteral("XXXXXX"));
    if (!scratch.isValid())
        return failWith(error, QStringLiteral("无法在 %1 中创建临时文件夹：%2")
                                   .arg(QFileInfo(target).absolutePath(), scratch.errorString()));
    const QString snapshot = scratch.filePath(QStringLiteral("call.mdb"));
    Manifest manifest;
    manifest.programVersion = QStringLiteral(VELLORAN_VERSION);
    manifest.created = QDateTime::currentDateTime();
    store::ServerSettings server;
    if (!store::Book::settingsFor(programDir, &server, error))
        return false;
    QList<ProgramData::Item> items;
    if (server.isServer()) {
        // The book on the office's server, taken as this archive's call.mdb and photo/.
        if (!ServerSnapshot::take(server, programDir, scratch.path(), &manifest.contacts, &items, error))
            return false;
    } else {
        if (!Database::snapshot(QDir(programDir).filePath(QStringLiteral("call.mdb")), snapshot, &manifest.contacts,
                                error))
            return false;
        items = ProgramData::collect(programDir);
        for (ProgramData::Item& item : items) {
            if (item.relative == QLatin1String("call.mdb"))
                item.source = snapshot;
        }
    }
    qint64 total = 0;
    for (const ProgramData::Item& item : std::as_const(items)) {
        if (!item.directory)
            total += QFileInfo(item.source).size();
    }

    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return failWith(error, QStringLiteral("无法写入 %1：%2").arg(target, out.errorString()));
    ZipWriter zip(&out);
    if (!zip.open(error))
        return false;
    qint64 done = 0;
    const auto step = [&](qint64 n) {
        done += n;
        if (progress)
            progress(done, qMax(total, done));
    };
    if (progress)
        progress(0, total);
    for (const ProgramData::Item& item : items) {
        ManifestEntry entry;
        entry.path = item.relative;
        entry.directory = item.directory;
        const bool ok = item.directory
                            ? zip.addDirectory(item.relative, QFileInfo(item.source).lastModified(), error)
                            : zip.addFile(item.relative, item.source, &entry.size, &entry.sha256, step, error);
        if (!ok) {
            out.cancelWriting();
            return false;
        }
        manifest.entries.append(entry);
    }
    if (!zip.addData(Manifest::entryName(), manifest.toJson(), error) || !zip.close(error)) {
        out.cancelWriting();
        return false;
    }
    if (!out.commit())
        return failWith(error, QStringLiteral("无法写入 %1：%2").arg(target, out.errorString()));

    if (summary) {
        summary->path = target;
        summary->created = manifest.created;
        summary->contacts = manifest.contacts;
        summary->programVersion = manifest.programVersion;
        summary->files = 0;
        summary->dataSize = 0;
        for (const ManifestEntry& e : manifest.entries) {
            if (!e.directory) {
                ++summary->files;
                summary->dataSize += e.size;
            }
        }
    }
    return true;
}

} // namespace backup
