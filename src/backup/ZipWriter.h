#pragma once

#include "backup/Utf8Locale.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>

class QFile;
class QIODevice;
struct archive;

namespace backup {

// Writes a zip archive (libarchive) into an open device, entry after entry. Use it on one thread.
class ZipWriter {
public:
    explicit ZipWriter(QIODevice* out);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    bool open(QString* error);
    bool addDirectory(const QString& path, const QDateTime& modified, QString* error);
    // Streams the file in; *size and *sha256 (hex) describe exactly the bytes written. progress gets each
    // chunk's length.
    bool addFile(const QString& path, const QString& source, qint64* size, QByteArray* sha256,
                 const std::function<void(qint64)>& progress, QString* error);
    // The same from a file already open for reading (its name may be gone already).
    bool addFile(const QString& path, QFile& in, const QDateTime& modified, qint64* size, QByteArray* sha256,
                 const std::function<void(qint64)>& progress, QString* error);
    bool addData(const QString& path, const QByteArray& data, QString* error);
    // Writes the central directory; the archive is complete only when this succeeds.
    bool close(QString* error);

private:
    bool header(const QString& path, bool directory, qint64 size, const QDateTime& modified, QString* error);
    bool fail(QString* error, const QString& what);

    Utf8Locale m_locale;
    QIODevice* m_out;
    archive* m_archive = nullptr;
};

} // namespace backup
