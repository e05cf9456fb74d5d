#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

namespace backup {

// Copies a contact book's rows between the embedded file and a server, as setting up an office, backing up a
// server book and restoring into one need it. Contacts go oldest first, so the receiving store numbers them in
// the order they were entered and newest-first stays the order of entry; users as they are; photos as bytes.
class BookCopy {
public:
    BookCopy() = delete;

    // Every row of main and user1 of `from` appended to `to`; the caller holds the transactions.
    static bool copyRows(const QSqlDatabase& from, const QSqlDatabase& to, int* contacts, int* users, QString* error);

    // One photo: its file name (the 照片 value) and bytes.
    using PhotoSink = std::function<bool(const QString& name, const QByteArray& data, QString* error)>;
    // The photos a server book holds, one at a time (a backup writes them as files).
    static bool readPhotos(const QSqlDatabase& server, const PhotoSink& sink, QString* error);
    // Inserts one photo into a server book.
    static bool insertPhoto(const QSqlDatabase& server, const QString& name, const QByteArray& data, QString* error);
    // The photo files of a photo folder that belong in a book: regular files of a photo's size, not the
    // placeholder, not a staging file (yes.*), not a program's temporary file.
    static QStringList photoFiles(const QString& folder);
};

} // namespace backup
