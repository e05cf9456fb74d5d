#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace backup {

// What of a program directory is the user's data: the files and folders a backup takes and a restore replaces.
// The executables, the manual, backup/ and hidden files (the lock, a restore's staging folder) never are. One rule
// serves both sides: a backup takes exactly what a restore accepts, by name.
class ProgramData {
public:
    // The largest picture the program shows (the add and modify windows read no larger photo).
    static constexpr qint64 MaxPhotoSize = 32 * 1024 * 1024;

    struct Item {
        QString relative; // '/'-separated, inside the program directory
        QString source;   // absolute path to read
        bool directory = false;
    };
    struct Collected {
        QList<Item> items;
        QStringList leftOut; // links a backup did not follow: they lead out of the directory, or to a folder
    };

    // What an archive's entry may be.
    enum class Kind {
        Refused,    // nothing of the data
        File,       // a data file, modal/set.ini
        Folder,     // modal, photo
        Photo,      // a picture file directly in photo/
        UserFolder, // a folder of a user, if the archive's users name it
        UserFile,   // set.ini in such a folder
    };

    // The data's top-level names that exist now: call.mdb first, then the other files, modal/, photo/ and the
    // user folders. A user folder is a folder named by a key of user.ini's [user] section or any other folder
    // that holds a set.ini (user management creates both; either alone is still somebody's settings). What a
    // restore moves aside.
    static QStringList topLevel(const QString& programDir);
    // What a backup takes, sorted, call.mdb first: the data files, modal/set.ini, the pictures in photo/, and
    // set.ini in the folders of the users that user.ini's [user] section or `databaseUsers` (user1 of the database
    // being archived) name. A link is taken as the file it leads to only when that file lies inside the program
    // directory; any other link is left out and listed.
    static Collected collect(const QString& programDir, const QStringList& databaseUsers);
    // The database files' companions that exist now (call.mdb-wal, call.mdb-shm …): they belong with their
    // database and must never meet another one.
    static QStringList companions(const QString& programDir);

    // A relative path whose every component is a plain name: not absolute, no "." or "..", no "\", no control
    // character, no empty component.
    static bool isSafeRelative(const QString& path);
    static Kind kindOf(const QString& relative, bool directory);
    // A picture's file name as the program makes them: a name and an extension of a dot and three characters.
    static bool isPictureName(const QString& name);
    // The users whose folders belong to the data: the keys of userIni's [user] section and databaseUsers.
    static QStringList users(const QString& userIni, const QStringList& databaseUsers);
    // Folder names match user names without regard to letter case, as the sign-in finds them.
    static bool isUserFolder(const QString& folder, const QStringList& users);
};

} // namespace backup
