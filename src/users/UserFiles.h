#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The users' entries in user.ini and their settings folders beside the program. Names reaching here are usable
// as one path component (UserRules::isUsableName); anything else is never turned into a path.
class UserFiles {
public:
    UserFiles() = delete;

    static QString userIni();
    // Key names of section user of user.ini, in file order.
    static QStringList users();
    // True when user.ini lists the name or the program directory holds a file or folder of that name, letter case
    // not counting (the sign-in finds folders that way).
    static bool taken(const QString& name);
    // The user's folder: the exact name, else a folder whose name differs only in letter case; empty when none
    // exists or the name cannot be a folder name.
    static QString folder(const QString& name);

    // Creation. The folder; then section user, ok/yes = "1" and cuser/name in user.ini; then the settings copy
    // from modal/set.ini through setb.ini, owned by the user. A copy that does not end up in the folder with its
    // owner is a failure: without it the user could never sign in.
    static bool makeFolder(const QString& name, QString* error);
    static bool registerUser(const QString& name, QString* error);
    static bool makeSettingsCopy(const QString& name, QString* error);
    // Removes a folder made by makeFolder, with its settings copy.
    static void removeNewFolder(const QString& name);

    // Deletion: the key goes, and cuser/name becomes "0" when it names the user.
    static bool unregisterUser(const QString& name, QString* error);
    // Removes the user's set.ini and the folder. A folder that still holds other files is left in place. A folder or
    // set.ini that is a symbolic link is removed as a link; nothing is deleted where it leads.
    enum class FolderOutcome { Removed, Missing, Kept };
    static FolderOutcome removeFolder(const QString& name);
    static bool setOpenMode(QString* error);

    // user.ini as it was, to be put back byte for byte when a later step fails.
    class Snapshot {
    public:
        Snapshot();
        // False when the file could not be put back.
        bool restore() const;

    private:
        bool m_existed = false;
        bool m_readable = false;
        QByteArray m_bytes;
    };
};
