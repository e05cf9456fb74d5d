#include "backup/Archive.h"

#include "backup/Database.h"
#include "backup/Manifest.h"
#include "backup/ProgramData.h"
#include "backup/ZipReader.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <limits>

#include <sys/stat.h>
#include <unistd.h>

namespace backup {

namespace {

constexpr qint64 kManifestLimit = 64 * 1024 * 1024;
// Room left over after unpacking: the databases' logs, the journal.
constexpr qint64 kSpareRoom = 16 * 1024 * 1024;

bool failWith(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// Sizes come from the archive: a sum of them must not overflow.
qint64 plus(qint64 a, qint64 b)
{
    return a > std::numeric_limits<qint64>::max() - b ? std::numeric_limits<qint64>::max() : a + b;
}

// Whether `bytes` (plus a spare) fit into the disk of folder, checked before anything is written there.
bool roomFor(const QString& folder, qint64 bytes, const QString& purpose, QString* error)
{
    const QStorageInfo disk(folder);
    const qint64 free = disk.bytesAvailable();
    const qint64 needed = plus(bytes, kSpareRoom);
    if (free < 0 || free >= needed)
        return true;
    return failWith(error,
                    QStringLiteral("磁盘空间不足：%1需要 %2 MB，而 %3 所在的磁盘（%4）只剩 %5 MB。请先腾出空间。")
                        .arg(purpose)
                        .arg(needed / 1048576 + 1)
                        .arg(QDir::toNativeSeparators(folder), QDir::toNativeSeparators(disk.rootPath()))
                        .arg(free / 1048576));
}

// What the checks read of an archive besides call.mdb: verify unpacks these alone.
bool isCheckedFile(const QString& path)
{
    return path == QLatin1String("call.mdb") || path == QLatin1String("qh.mdb") || path == QLatin1String("user.ini");
}

QString tooLarge(const QString& photo)
{
    return QStringLiteral("档案中的图片“%1”大于 %2 MB（本程序不显示更大的图片），已拒绝。")
        .arg(photo)
        .arg(ProgramData::MaxPhotoSize / 1048576);
}

// First pass: the names and kinds of all entries and the manifest, without reading any other entry's data. Only
// what a backup writes is accepted, by name; the user folders (*userFolders) are checked once the archive's users
// are known.
bool scan(const QString& archivePath, Manifest* manifest, QStringList* userFolders, QString* error)
{
    ZipReader reader;
    if (!reader.open(archivePath, error))
        return false;
    QHash<QString, ZipReader::Entry> seen;
    QByteArray json;
    bool haveManifest = false;
    // The first problem is told only after the whole directory is read: a zip without a manifest is simply not
    // one of ours, whatever else it holds.
    QString problem;
    const auto note = [&problem](const QString& text) {
        if (problem.isEmpty())
            problem = text;
    };
    for (;;) {
        ZipReader::Entry e;
        const ZipReader::Next next = reader.next(&e, error);
        if (next == ZipReader::Next::Error)
            return false;
        if (next == ZipReader::Next::End)
            break;
        if (!e.nameReadable) {
            note(QStringLiteral("档案中有无法识别的文件名，已拒绝。"));
        } else if (e.path == Manifest::entryName() && e.type == ZipReader::Type::File) {
            if (haveManifest)
                note(QStringLiteral("档案中有两份备份清单，已拒绝。"));
            else if (!reader.readAll(&json, kManifestLimit, error))
                return false;
            haveManifest = true;
        } else if (e.type == ZipReader::Type::Link) {
            note(QStringLiteral("档案中含有链接“%1”，为安全起见已拒绝。").arg(e.path));
        } else if (e.type == ZipReader::Type::Other) {
            note(QStringLiteral("档案中含有特殊文件“%1”，已拒绝。").arg(e.path));
        } else if (!ProgramData::isSafeRelative(e.path)) {
            note(QStringLiteral("档案中含有不安全的文件名“%1”（会写到程序目录之外），已拒绝。").arg(e.path));
        } else if (const bool dir = e.type == ZipReader::Type::Directory;
                   ProgramData::kindOf(e.path, dir) == ProgramData::Kind::Refused) {
            if (dir && ProgramData::kindOf(e.path, false) != ProgramData::Kind::Refused)
                note(QStringLiteral("档案中的“%1”应当是文件，却是文件夹，已拒绝。").arg(e.path));
            else
                note(QStringLiteral("档案中的“%1”不属于通讯录数据，已拒绝。").arg(e.path));
        } else if (ProgramData::kindOf(e.path, dir) == ProgramData::Kind::Photo && e.size > ProgramData::MaxPhotoSize) {
            note(tooLarge(e.path));
        } else if (seen.contains(e.path)) {
            note(QStringLiteral("档案中“%1”出现了两次，已拒绝。").arg(e.path));
        } else {
            seen.insert(e.path, e);
        }
    }
    if (!haveManifest)
        return failWith(error, QStringLiteral("这个文件不是本程序的备份档案（其中没有备份清单）。"));
    if (!problem.isEmpty())
        return failWith(error, problem);
    if (!Manifest::fromJson(json, manifest, error))
        return false;

    QSet<QString> listed;
    for (const ManifestEntry& m : manifest->entries) {
        const auto it = seen.constFind(m.path);
        if (listed.contains(m.path))
            return failWith(error, QStringLiteral("备份清单中“%1”出现了两次，已拒绝。").arg(m.path));
        listed.insert(m.path);
        if (it == seen.constEnd())
            return failWith(error, QStringLiteral("档案不完整：缺少清单中的“%1”。").arg(m.path));
        if ((it->type == ZipReader::Type::Directory) != m.directory ||
            (!m.directory && it->size >= 0 && it->size != m.size))
            return failWith(error, QStringLiteral("档案已损坏：“%1”的类型或大小与清单不符。").arg(m.path));
        const ProgramData::Kind kind = ProgramData::kindOf(m.path, m.directory);
        if (kind == ProgramData::Kind::Photo && m.size > ProgramData::MaxPhotoSize)
            return failWith(error, tooLarge(m.path));
        if ((kind == ProgramData::Kind::UserFolder || kind == ProgramData::Kind::UserFile) && userFolders)
            userFolders->append(m.path.section(QLatin1Char('/'), 0, 0));
    }
    for (auto it = seen.constBegin(); it != seen.constEnd(); ++it) {
        if (!listed.contains(it.key()))
            return failWith(error, QStringLiteral("档案中有清单之外的文件“%1”，已拒绝。").arg(it.key()));
        // A file and a folder below it under one name cannot both be put in place.
        for (QString parent = it.key().section(QLatin1Char('/'), 0, -2); !parent.isEmpty();
             parent = parent.section(QLatin1Char('/'), 0, -2)) {
            const auto p = seen.constFind(parent);
            if (p != seen.constEnd() && p->type != ZipReader::Type::Directory)
                return failWith(error, QStringLiteral("档案中的路径“%1”互相冲突，已拒绝。").arg(it.key()));
            if (!parent.contains(QLatin1Char('/')))
                break;
        }
    }
    const auto db = seen.constFind(QStringLiteral("call.mdb"));
    if (db == seen.constEnd() || db->type != ZipReader::Type::File)
        return failWith(error, QStringLiteral("档案中没有通讯录数据库 call.mdb。"));
    return true;
}

// Second pass: every byte against the manifest; everything into folder, or (verify) only the files the checks read
// into scratch. Then the checks of what was unpacked, and last the files' modes.
bool unpack(const QString& archivePath, const Manifest& manifest, const QStringList& userFolders, const QString& folder,
            const QString& scratch, const Progress& progress, ArchiveSummary* summary, QString* error)
{
    QHash<QString, ManifestEntry> byPath;
    qint64 total = 0;
    qint64 checked = 0;
    int files = 0;
    for (const ManifestEntry& m : manifest.entries) {
        byPath.insert(m.path, m);
        if (!m.directory) {
            total = plus(total, m.size);
            checked = isCheckedFile(m.path) ? plus(checked, m.size) : checked;
            ++files;
        }
    }
    const QString base = folder.isEmpty() ? scratch : folder;
    if (!(folder.isEmpty() ? roomFor(scratch, checked, QStringLiteral("检查档案中的数据库"), error)
                           : roomFor(folder, total, QStringLiteral("恢复"), error)))
        return false;
    ZipReader reader;
    if (!reader.open(archivePath, error))
        return false;
    qint64 done = 0;
    const auto step = [&](qint64 n) {
        done += n;
        if (progress)
            progress(done, total);
    };
    if (progress)
        progress(0, total);
    QList<QPair<QString, int>> modes;
    int read = 0;
    for (;;) {
        ZipReader::Entry e;
        const ZipReader::Next next = reader.next(&e, error);
        if (next == ZipReader::Next::Error)
            return false;
        if (next == ZipReader::Next::End)
            break;
        const auto m = byPath.constFind(e.path);
        if (e.path == Manifest::entryName() || m == byPath.constEnd())
            continue; // the manifest itself; anything else unlisted was refused by the first pass
        const QString target =
            !folder.isEmpty() || isCheckedFile(e.path) ? base + QLatin1Char('/') + e.path : QString();
        if (!target.isEmpty() && m->mode >= 0)
            modes.append({target, m->directory ? m->mode | 0700 : m->mode});
        if (m->directory) {
            if (!folder.isEmpty() && !QDir().mkpath(target))
                return failWith(error, QStringLiteral("无法创建文件夹 %1。").arg(target));
            continue;
        }
        QFile out(target);
        if (!target.isEmpty() &&
            !(QDir().mkpath(QFileInfo(target).absolutePath()) && out.open(QIODevice::WriteOnly | QIODevice::Truncate)))
            return failWith(error, QStringLiteral("无法写入 %1：%2").arg(target, out.errorString()));
        QCryptographicHash hash(QCryptographicHash::Sha256);
        qint64 length = 0;
        // Never more than the manifest declares: a file that goes on is refused at that size.
        if (!reader.read(target.isEmpty() ? nullptr : &out, &hash, m->size, &length, step, error))
            return false;
        if (length != m->size || hash.result().toHex() != m->sha256)
            return failWith(error, QStringLiteral("档案已损坏：“%1”的内容与清单不符（校验和错误）。").arg(e.path));
        if (out.isOpen()) {
            // Unpacked files must be on disk before a journal makes them the data to be.
            if (!out.flush() || (!folder.isEmpty() && ::fsync(out.handle()) != 0))
                return failWith(error, QStringLiteral("无法写入 %1：%2").arg(target, out.errorString()));
            out.close();
            if (e.modified.isValid())
                out.setFileTime(e.modified, QFileDevice::FileModificationTime);
        }
        ++read;
    }
    if (read != files)
        return failWith(error, QStringLiteral("档案不完整：只读到 %1 个文件，清单中有 %2 个。").arg(read).arg(files));

    int contacts = -1;
    QStringList databaseUsers;
    if (!Database::check(base + QStringLiteral("/call.mdb"), &contacts, &databaseUsers, error))
        return false;
    if (byPath.contains(QStringLiteral("qh.mdb")) && !Database::checkAreaCodes(base + QStringLiteral("/qh.mdb"), error))
        return false;
    const QStringList users = ProgramData::users(
        byPath.contains(QStringLiteral("user.ini")) ? base + QStringLiteral("/user.ini") : QString(), databaseUsers);
    for (const QString& name : userFolders) {
        if (!ProgramData::isUserFolder(name, users))
            return failWith(error,
                            QStringLiteral("档案中的“%1”不属于通讯录数据（档案中没有这个用户），已拒绝。").arg(name));
    }
    // The data comes back with the modes it had when it was backed up.
    for (const auto& [path, mode] : modes) {
        if (::chmod(QFile::encodeName(path).constData(), mode_t(mode)) != 0)
            return failWith(error, QStringLiteral("无法设置 %1 的权限。").arg(path));
    }
    if (summary) {
        summary->path = archivePath;
        summary->created = manifest.created;
        summary->contacts = contacts;
        summary->programVersion = manifest.programVersion;
        summary->files = files;
        summary->dataSize = total;
    }
    return true;
}

} // namespace

bool Archive::readSummary(const QString& archivePath, ArchiveSummary* summary, QString* error)
{
    ZipReader reader;
    if (!reader.open(archivePath, error))
        return false;
    for (;;) {
        ZipReader::Entry e;
        const ZipReader::Next next = reader.next(&e, error);
        if (next == ZipReader::Next::Error)
            return false;
        if (next == ZipReader::Next::End)
            return failWith(error, QStringLiteral("这个文件不是本程序的备份档案（其中没有备份清单）。"));
        if (e.path != Manifest::entryName() || e.type != ZipReader::Type::File)
            continue;
        QByteArray json;
        Manifest manifest;
        if (!reader.readAll(&json, kManifestLimit, error) || !Manifest::fromJson(json, &manifest, error))
            return false;
        summary->path = archivePath;
        summary->created = manifest.created;
        summary->contacts = manifest.contacts;
        summary->programVersion = manifest.programVersion;
        summary->files = 0;
        summary->dataSize = 0;
        for (const ManifestEntry& m : manifest.entries) {
            if (!m.directory) {
                ++summary->files;
                summary->dataSize = plus(summary->dataSize, m.size);
            }
        }
        return true;
    }
}

bool Archive::verify(const QString& archivePath, const Progress& progress, ArchiveSummary* summary, QString* error)
{
    Manifest manifest;
    QStringList userFolders;
    if (!scan(archivePath, &manifest, &userFolders, error))
        return false;
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return failWith(error, QStringLiteral("无法创建临时文件夹：%1").arg(scratch.errorString()));
    return unpack(archivePath, manifest, userFolders, QString(), scratch.path(), progress, summary, error);
}

bool Archive::extract(const QString& archivePath, const QString& folder, const Progress& progress,
                      ArchiveSummary* summary, QString* error)
{
    Manifest manifest;
    QStringList userFolders;
    return scan(archivePath, &manifest, &userFolders, error) &&
           unpack(archivePath, manifest, userFolders, QDir(folder).absolutePath(), QString(), progress, summary, error);
}

} // namespace backup
