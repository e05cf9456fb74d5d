#pragma once

#include "backup/Utf8Locale.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>

class QCryptographicHash;
class QIODevice;
struct archive;

namespace backup {

// Reads a zip archive (libarchive) through its central directory, so entries can be skipped without reading
// their data. Use it on one thread.
class ZipReader {
public:
    enum class Type { File, Directory, Link, Other };
    struct Entry {
        QString path; // as stored, UTF-8 decoded; a folder's trailing '/' removed
        Type type = Type::Other;
        qint64 size = -1; // as declared, -1 when the archive does not say
        QDateTime modified;
        bool nameReadable = true;
    };
    enum class Next { Entry, End, Error };

    ZipReader();
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    bool open(const QString& file, QString* error);
    Next next(Entry* entry, QString* error);
    // Reads the current entry's data into out (may be null), hashing it; fails past limit bytes.
    bool read(QIODevice* out, QCryptographicHash* hash, qint64 limit, qint64* length,
              const std::function<void(qint64)>& progress, QString* error);
    bool readAll(QByteArray* data, qint64 limit, QString* error);

private:
    bool fail(QString* error, const QString& what);

    Utf8Locale m_locale;
    archive* m_archive = nullptr;
};

} // namespace backup
