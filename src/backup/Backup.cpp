#include "backup/Backup.h"

#include "backup/Database.h"
#include "backup/Manifest.h"
#include "backup/ProgramData.h"
#include "backup/Restore.h"
#include "backup/ServerSnapshot.h"
#include "backup/SnapshotFolder.h"
#include "backup/ZipWriter.h"
#include "store/Book.h"
#include "store/ProgramLock.h"
#include "store/ServerSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The complete archive on disk under its name, replacing an older one of that name in one step; an older one
// keeps its mode.
bool commit(QFile& out, const QString& final, QString* error)
{
    const QFileInfo older(final);
    if (!out.flush() || ::fsync(out.handle()) != 0)
        return failWith(error, QStringLiteral("无法写入 %1：%2").arg(final, out.errorString()));
    out.close();
    if (older.exists())
        out.setPermissions(older.permissions());
    if (::rename(QFile::encodeName(out.fileName()).constData(), QFile::encodeName(final).constData()) != 0)
        return failWith(error,
                        QStringLiteral("无法写入 %1：%2").arg(final, QString::fromLocal8Bit(std::strerror(errno))));
    const int dir = ::open(QFile::encodeName(older.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

// The permission bits of a file or folder, as they come back after a restore.
int modeOf(const QString& path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

} // namespace

QString leftOutSentence(const ArchiveSummary& summary)
{
    if (summary.leftOut.isEmpty())
        return QString();
    return QStringLiteral("没有备份：%1。").arg(summary.leftOut.join(QStringLiteral("、")));
}

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
    if (!Restore::share(lock, QStringLiteral("备份"), error))
        return false;

    store::ServerSettings server;
    if (!store::Book::settingsFor(programDir, &server, error))
        return false;
    // A contact database reached through a link out of the directory is not the program's to copy.
    const QString database = QDir(programDir).filePath(QStringLiteral("call.mdb"));
    if (!server.isServer() && QFileInfo(database).isSymLink() &&
        !QFileInfo(database).canonicalFilePath().startsWith(QFileInfo(programDir).canonicalFilePath() + '/'))
        return failWith(error, QStringLiteral("通讯录数据库 %1 是指向程序目录之外的链接，不能备份。").arg(database));

    // An existing archive reached through a link is replaced where the link leads, as before.
    const QString final = QFileInfo(target).isSymLink() ? QFileInfo(target).canonicalFilePath() : target;
    SnapshotFolder scratch;
    if (!scratch.create(QFileInfo(final).absolutePath(), error))
        return false;
    Manifest manifest;
    manifest.programVersion = QStringLiteral(VELLORAN_VERSION);
    manifest.created = QDateTime::currentDateTime();
    QStringList databaseUsers;
    ProgramData::Collected collected;
    if (server.isServer()) {
        // The book on the office's server, taken as this archive's call.mdb and photo/.
        if (!ServerSnapshot::take(server, programDir, scratch.path(), &manifest.contacts, &collected, error))
            return false;
    } else if (!Database::snapshot(database, scratch.databasePath(), &manifest.contacts, &databaseUsers, error)) {
        return false;
    }
    // Read from here on through the open file: the copy of the contacts leaves the target disk at once.
    QFile snapshot(scratch.databasePath());
    if (!snapshot.open(QIODevice::ReadOnly))
        return failWith(error, QStringLiteral("无法读取 %1：%2").arg(snapshot.fileName(), snapshot.errorString()));
    const qint64 snapshotSize = snapshot.size();
    QFile::remove(scratch.databasePath());

    if (!server.isServer())
        collected = ProgramData::collect(programDir, databaseUsers);
    qint64 total = 0;
    for (const ProgramData::Item& item : collected.items) {
        if (!item.directory)
            total += item.relative == QLatin1String("call.mdb") ? snapshotSize : QFileInfo(item.source).size();
    }

    // Written inside the folder and renamed into place only when complete: an interrupted backup leaves no half
    // archive under the name, and no whole one under any other.
    QFile out(scratch.archivePath());
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
    for (const ProgramData::Item& item : collected.items) {
        ManifestEntry entry;
        entry.path = item.relative;
        entry.directory = item.directory;
        entry.mode = modeOf(item.source);
        const QDateTime modified = QFileInfo(item.source).lastModified();
        const bool ok = item.directory ? zip.addDirectory(item.relative, modified, error)
                        : item.relative == QLatin1String("call.mdb")
                            ? zip.addFile(item.relative, snapshot, modified, &entry.size, &entry.sha256, step, error)
                            : zip.addFile(item.relative, item.source, &entry.size, &entry.sha256, step, error);
        if (!ok)
            return false;
        manifest.entries.append(entry);
    }
    if (!zip.addData(Manifest::entryName(), manifest.toJson(), error) || !zip.close(error))
        return false;
    if (!commit(out, final, error))
        return false;

    if (summary) {
        summary->path = target;
        summary->created = manifest.created;
        summary->contacts = manifest.contacts;
        summary->programVersion = manifest.programVersion;
        summary->files = 0;
        summary->dataSize = 0;
        summary->leftOut = collected.leftOut;
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
