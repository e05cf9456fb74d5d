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

#include <unistd.h>

namespace backup {

namespace {

constexpr qint64 kManifestLimit = 64 * 1024 * 1024;

bool failWith(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// First pass: the names and kinds of all entries and the manifest, without reading any other entry's data.
bool scan(const QString& archivePath, Manifest* manifest, QString* error)
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
        } else if (!ProgramData::mayHold(e.path, e.type == ZipReader::Type::Directory)) {
            note(QStringLiteral("档案中的“%1”不属于通讯录数据，已拒绝。").arg(e.path));
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

// Second pass: every byte against the manifest; into folder (or only call.mdb into dbFolder).
bool unpack(const QString& archivePath, const Manifest& manifest, const QString& folder, const QString& dbFolder,
            const Progress& progress, ArchiveSummary* summary, QString* error)
{
    QHash<QString, ManifestEntry> byPath;
    qint64 total = 0;
    int files = 0;
    for (const ManifestEntry& m : manifest.entries) {
        byPath.insert(m.path, m);
        if (!m.directory) {
            total += m.size;
            ++files;
        }
    }
    if (!folder.isEmpty()) {
        const qint64 free = QStorageInfo(folder).bytesAvailable();
        if (free >= 0 && free < total + 16 * 1024 * 1024)
            return failWith(error, QStringLiteral("磁盘空间不足：恢复需要 %1 MB，只剩 %2 MB。")
                                       .arg(total / 1048576 + 16)
                                       .arg(free / 1048576));
    }
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
    int checked = 0;
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
        const QString target = !folder.isEmpty()                     ? folder + QLatin1Char('/') + e.path
                               : e.path == QLatin1String("call.mdb") ? dbFolder + QStringLiteral("/call.mdb")
                                                                     : QString();
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
        ++checked;
    }
    if (checked != files)
        return failWith(error,
                        QStringLiteral("档案不完整：只读到 %1 个文件，清单中有 %2 个。").arg(checked).arg(files));

    int contacts = -1;
    const QString db = (folder.isEmpty() ? dbFolder : folder) + QStringLiteral("/call.mdb");
    if (!Database::check(db, &contacts, error))
        return false;
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
                summary->dataSize += m.size;
            }
        }
        return true;
    }
}

bool Archive::verify(const QString& archivePath, const Progress& progress, ArchiveSummary* summary, QString* error)
{
    Manifest manifest;
    if (!scan(archivePath, &manifest, error))
        return false;
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return failWith(error, QStringLiteral("无法创建临时文件夹：%1").arg(scratch.errorString()));
    return unpack(archivePath, manifest, QString(), scratch.path(), progress, summary, error);
}

bool Archive::extract(const QString& archivePath, const QString& folder, const Progress& progress,
                      ArchiveSummary* summary, QString* error)
{
    Manifest manifest;
    return scan(archivePath, &manifest, error) &&
           unpack(archivePath, manifest, QDir(folder).absolutePath(), QString(), progress, summary, error);
}

} // namespace backup
