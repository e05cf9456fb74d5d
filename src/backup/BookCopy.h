#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace backup {

// Copies a contact book from the embedded file into a server, as setting up an office and restoring an archive
// into a server need it. Contacts go oldest first, so the receiving store numbers them in the order they were
// entered and newest-first stays the order of entry; users as they are; photos as bytes.
class BookCopy {
public:
    BookCopy() = delete;

    // Every row of main and user1 of `from` appended to `to`; the caller holds the transactions.
    static bool copyRows(const QSqlDatabase& from, const QSqlDatabase& to, int* contacts, int* users, QString* error);

    // Every photo file of a folder (photoFiles()) into a server book, under its file name.
    static bool insertPhotos(const QSqlDatabase& server, const QString& folder, int* photos, QString* error);
    // The photo files of a photo folder that belong in a book: regular files of a photo's size, not the
    // placeholder, not a staging file (yes.*), not a program's temporary file.
    static QStringList photoFiles(const QString& folder);
};

} // namespace backup
