#pragma once

#include <QByteArray>
#include <QString>

namespace store {

class Connection;

// The photos' bytes where the book keeps them. On the embedded store the files of photo/ are the photos; on a
// server the book holds every photo's bytes under its file name (the 照片 value), so that every desktop shows the
// same picture, and photo/ is this desktop's cache of them. Functions that find nothing to do succeed.
class PhotoStore {
public:
    PhotoStore() = delete;

    // photo/<file> as the book has it now: rewritten from the server's bytes when the cached file is missing or
    // differs. A photo the server does not hold leaves the file as it is.
    static bool refresh(Connection& connection, const QString& file, QString* error = nullptr);
    // The bytes of photo/<file> into the book under that name, replacing what it held (a record saved with a
    // new photo).
    static bool put(Connection& connection, const QString& file, QString* error = nullptr);
    // The bytes into the book when it holds no photo of that name yet (an import, inside its transaction).
    static bool add(Connection& connection, const QString& file, const QByteArray& data, QString* error = nullptr);

    // The connection of the photo rules that are given none (the editing windows, the browser): opened with its
    // first use on a server, never on the embedded store. Main thread only.
    static Connection& connection();
    static void closeConnection();

    // Photos are never larger than this; a bigger file is left out of the book.
    static constexpr qint64 MaxBytes = 16 * 1024 * 1024;
};

} // namespace store
