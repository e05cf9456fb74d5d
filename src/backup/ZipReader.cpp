#include "backup/ZipReader.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <archive.h>
#include <archive_entry.h>

namespace backup {

ZipReader::ZipReader() = default;

ZipReader::~ZipReader()
{
    if (m_archive)
        archive_read_free(m_archive);
}

bool ZipReader::fail(QString* error, const QString& what)
{
    if (error) {
        const char* why = m_archive ? archive_error_string(m_archive) : nullptr;
        *error = why ? QStringLiteral("%1（%2）").arg(what, QString::fromUtf8(why)) : what;
    }
    return false;
}

bool ZipReader::open(const QString& file, QString* error)
{
    // A name that is wrong is told as such, not as a damaged archive.
    if (!QFileInfo(file).isFile()) {
        if (error)
            *error = QStringLiteral("找不到档案文件 %1，请检查文件名和路径。").arg(file);
        return false;
    }
    m_archive = archive_read_new();
    // The seeking zip reader trusts the central directory at the end: a truncated archive fails here already.
    if (!m_archive || archive_read_support_format_zip_seekable(m_archive) != ARCHIVE_OK ||
        archive_read_open_filename(m_archive, QFile::encodeName(file).constData(), 256 * 1024) != ARCHIVE_OK)
        return fail(error, QStringLiteral("无法读取档案 %1：它不是 zip 档案，或者已经损坏、不完整").arg(file));
    return true;
}

ZipReader::Next ZipReader::next(Entry* entry, QString* error)
{
    archive_entry* e = nullptr;
    const int rc = archive_read_next_header(m_archive, &e);
    if (rc == ARCHIVE_EOF)
        return Next::End;
    if (rc < ARCHIVE_WARN) {
        fail(error, QStringLiteral("档案已损坏或不完整"));
        return Next::Error;
    }
    Entry out;
    const char* name = archive_entry_pathname_utf8(e);
    out.nameReadable = name != nullptr && rc == ARCHIVE_OK;
    out.path = name ? QString::fromUtf8(name) : QString();
    const bool link = archive_entry_hardlink(e) || archive_entry_symlink(e);
    switch (archive_entry_filetype(e)) {
    case AE_IFREG:
        out.type = link ? Type::Link : Type::File;
        break;
    case AE_IFDIR:
        out.type = link ? Type::Link : Type::Directory;
        break;
    case AE_IFLNK:
        out.type = Type::Link;
        break;
    default:
        out.type = link ? Type::Link : Type::Other;
        break;
    }
    if (out.type == Type::Directory && out.path.endsWith(QLatin1Char('/')))
        out.path.chop(1);
    out.size = archive_entry_size_is_set(e) ? archive_entry_size(e) : -1;
    if (archive_entry_mtime_is_set(e))
        out.modified = QDateTime::fromSecsSinceEpoch(archive_entry_mtime(e));
    *entry = out;
    return Next::Entry;
}

bool ZipReader::read(QIODevice* out, QCryptographicHash* hash, qint64 limit, qint64* length,
                     const std::function<void(qint64)>& progress, QString* error)
{
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const la_ssize_t n = archive_read_data(m_archive, buffer.data(), size_t(buffer.size()));
        if (n < 0)
            return fail(error, QStringLiteral("档案已损坏或不完整"));
        if (n == 0)
            break;
        total += n;
        if (total > limit) {
            if (error)
                *error = QStringLiteral("档案已损坏：其中的文件比清单所记的大。");
            return false;
        }
        if (hash)
            hash->addData(QByteArrayView(buffer.constData(), n));
        if (out && out->write(buffer.constData(), n) != n) {
            if (error)
                *error = QStringLiteral("写入失败：%1").arg(out->errorString());
            return false;
        }
        if (progress)
            progress(n);
    }
    if (length)
        *length = total;
    return true;
}

bool ZipReader::readAll(QByteArray* data, qint64 limit, QString* error)
{
    QBuffer buffer(data);
    buffer.open(QIODevice::WriteOnly);
    return read(&buffer, nullptr, limit, nullptr, {}, error);
}

} // namespace backup
