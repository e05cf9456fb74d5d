#include "backup/ZipWriter.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <archive.h>
#include <archive_entry.h>

namespace backup {

namespace {

la_ssize_t writeCallback(struct archive*, void* device, const void* buffer, size_t length)
{
    const qint64 n = static_cast<QIODevice*>(device)->write(static_cast<const char*>(buffer), qint64(length));
    return n == qint64(length) ? la_ssize_t(n) : -1;
}

} // namespace

ZipWriter::ZipWriter(QIODevice* out) : m_out(out) {}

ZipWriter::~ZipWriter()
{
    if (m_archive)
        archive_write_free(m_archive);
}

bool ZipWriter::fail(QString* error, const QString& what)
{
    if (error) {
        const char* why = m_archive ? archive_error_string(m_archive) : nullptr;
        *error = why ? QStringLiteral("%1：%2").arg(what, QString::fromUtf8(why)) : what;
    }
    return false;
}

bool ZipWriter::open(QString* error)
{
    m_archive = archive_write_new();
    if (!m_archive || archive_write_set_format_zip(m_archive) != ARCHIVE_OK ||
        archive_write_set_options(m_archive, "zip:hdrcharset=UTF-8") != ARCHIVE_OK ||
        archive_write_set_bytes_in_last_block(m_archive, 1) != ARCHIVE_OK ||
        archive_write_open2(m_archive, m_out, nullptr, writeCallback, nullptr, nullptr) != ARCHIVE_OK)
        return fail(error, QStringLiteral("无法创建档案"));
    return true;
}

bool ZipWriter::header(const QString& path, bool directory, qint64 size, const QDateTime& modified, QString* error)
{
    archive_entry* entry = archive_entry_new();
    const QByteArray name = (directory ? path + QLatin1Char('/') : path).toUtf8();
    archive_entry_set_pathname_utf8(entry, name.constData());
    archive_entry_set_filetype(entry, directory ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(entry, directory ? 0755 : 0644);
    if (!directory)
        archive_entry_set_size(entry, size);
    if (modified.isValid())
        archive_entry_set_mtime(entry, modified.toSecsSinceEpoch(), 0);
    const int rc = archive_write_header(m_archive, entry);
    archive_entry_free(entry);
    if (rc != ARCHIVE_OK)
        return fail(error, QStringLiteral("写入档案失败（%1）").arg(path));
    return true;
}

bool ZipWriter::addDirectory(const QString& path, const QDateTime& modified, QString* error)
{
    return header(path, true, 0, modified, error);
}

bool ZipWriter::addFile(const QString& path, const QString& source, qint64* size, QByteArray* sha256,
                        const std::function<void(qint64)>& progress, QString* error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("无法读取 %1：%2").arg(source, in.errorString());
        return false;
    }
    return addFile(path, in, QFileInfo(source).lastModified(), size, sha256, progress, error);
}

bool ZipWriter::addFile(const QString& path, QFile& in, const QDateTime& modified, qint64* size, QByteArray* sha256,
                        const std::function<void(qint64)>& progress, QString* error)
{
    const QString source = in.fileName();
    // The size of the open file: the program replaces its files by renaming, so this handle keeps one version.
    const qint64 expected = in.size();
    if (!header(path, false, expected, modified, error))
        return false;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qint64 n = in.read(buffer.data(), qMin<qint64>(buffer.size(), expected - total));
        if (n < 0) {
            if (error)
                *error = QStringLiteral("无法读取 %1：%2").arg(source, in.errorString());
            return false;
        }
        if (n == 0)
            break;
        if (archive_write_data(m_archive, buffer.constData(), size_t(n)) != la_ssize_t(n))
            return fail(error, QStringLiteral("写入档案失败（%1）").arg(path));
        hash.addData(QByteArrayView(buffer.constData(), n));
        total += n;
        if (progress)
            progress(n);
    }
    if (total != expected) {
        if (error)
            *error = QStringLiteral("%1 在备份时被截短了，请重试。").arg(source);
        return false;
    }
    if (archive_write_finish_entry(m_archive) != ARCHIVE_OK)
        return fail(error, QStringLiteral("写入档案失败（%1）").arg(path));
    *size = total;
    *sha256 = hash.result().toHex();
    return true;
}

bool ZipWriter::addData(const QString& path, const QByteArray& data, QString* error)
{
    if (!header(path, false, data.size(), QDateTime::currentDateTime(), error))
        return false;
    if (archive_write_data(m_archive, data.constData(), size_t(data.size())) != la_ssize_t(data.size()) ||
        archive_write_finish_entry(m_archive) != ARCHIVE_OK)
        return fail(error, QStringLiteral("写入档案失败（%1）").arg(path));
    return true;
}

bool ZipWriter::close(QString* error)
{
    if (archive_write_close(m_archive) != ARCHIVE_OK)
        return fail(error, QStringLiteral("写入档案失败"));
    return true;
}

} // namespace backup
