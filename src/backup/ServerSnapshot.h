#pragma once

#include "backup/ProgramData.h"

#include <QList>
#include <QString>

#include <memory>

namespace store {
class BookLock;
class ServerSettings;
} // namespace store

namespace backup {

// Backups and restores of a program directory whose contact book lies on a server. The archive is the same as the
// embedded store's: the book's contacts and users as call.mdb (an SQLite file with the installed schema), its
// photos as the files of photo/, so an archive of either store restores into either.
class ServerSnapshot {
public:
    ServerSnapshot() = delete;

    // Takes the server book in one consistent snapshot (one repeatable-read transaction) into scratch: call.mdb,
    // and photo/ with the server's photos and the desktop's own files of photo/ that are no server photo (the
    // placeholder). Returns the archive's items: the program data of programDir with these two in place, and the
    // links left out.
    static bool take(const store::ServerSettings& server, const QString& programDir, const QString& scratch,
                     int* contacts, ProgramData::Collected* collected, QString* error);

    // For a restore into programDir: when its book lies on a server, that book's exclusive lock, refused while any
    // program runs on it at any desktop. *server tells which server (isServer() false: the embedded file).
    static bool lockBook(const QString& programDir, store::ServerSettings* server,
                         std::unique_ptr<store::BookLock>* lock, QString* error);

    // Replaces the server book with the book of an unpacked archive (its call.mdb and photo/), all in one
    // transaction: the server holds the old book or the new one, never a mix. The caller holds the book's
    // exclusive lock.
    static bool replace(const store::ServerSettings& server, const QString& unpacked, int* contacts, QString* error);
};

} // namespace backup
