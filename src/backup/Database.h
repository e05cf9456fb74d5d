#pragma once

#include <QString>
#include <QStringList>

namespace backup {

// call.mdb as whole files, through SQLite itself (not Qt SQL: the online backup interface is only in the C API,
// and these run in background threads without touching the program's named connections).
class Database {
public:
    // Copies the database into a new file through SQLite's online backup, in one read transaction: a consistent
    // snapshot that includes what running copies still hold in the write-ahead log, written as one
    // self-contained file (no -wal beside it). *contacts gets the snapshot's row count of table main, *users the
    // names in its user1.
    static bool snapshot(const QString& source, const QString& target, int* contacts, QStringList* users,
                         QString* error);
    // An archived call.mdb: PRAGMA integrity_check, and exactly the program's schema (its tables, columns and
    // indexes, as the build makes the database from data/schema.sql; nothing else: no trigger, view or virtual
    // table). *contacts gets the row count of main, *users the names in user1.
    static bool check(const QString& file, int* contacts, QStringList* users, QString* error);
    // The same for an archived qh.mdb and data/qh-schema.sql.
    static bool checkAreaCodes(const QString& file, QString* error);
    // Folds the write-ahead log into the file and closes again. SQLite removes the -wal file when its last
    // connection closes, so a -wal still there afterwards means that some other connection has the database open
    // (*inUse): a copy of the program that holds no directory lock, or any other tool.
    static bool checkpoint(const QString& file, bool* inUse, QString* error);
};

} // namespace backup
