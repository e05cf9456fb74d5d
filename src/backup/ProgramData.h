#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace backup {

// What of a program directory is the user's data: the files and folders a backup takes and a restore replaces.
// The executables, the manual, backup/ and hidden files (the lock, a restore's staging folder) never are.
class ProgramData {
public:
    struct Item {
        QString relative; // '/'-separated, inside the program directory
        QString source;   // absolute path to read
        bool directory = false;
    };

    // The data's top-level names that exist now: call.mdb first, then the other files, modal/, photo/ and the
    // user folders. A user folder is a folder named by a key of user.ini's [user] section or any other folder
    // that holds a set.ini (user management creates both; either alone is still somebody's settings).
    static QStringList topLevel(const QString& programDir);
    // Every folder and file below topLevel(), sorted, call.mdb first. A link to a file is taken as the file; a
    // link to a folder is not followed (it could lead outside, or in a circle).
    static QList<Item> collect(const QString& programDir);
    // The database files' companions that exist now (call.mdb-wal, call.mdb-shm …): they belong with their
    // database and must never meet another one.
    static QStringList companions(const QString& programDir);

    // A relative path whose every component is a plain name: not absolute, no "." or "..", no "\", no control
    // character, no empty component.
    static bool isSafeRelative(const QString& path);
    // Whether an archive's safe path may be placed in a program directory: a top-level file must be one of the
    // data files, anything else must lie in a folder that can be data (never backup/, an executable's name or a
    // hidden name).
    static bool mayHold(const QString& relative, bool directory);
};

} // namespace backup
