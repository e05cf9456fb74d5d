#pragma once

#include <QString>

namespace platform {

// The program's own directory, where every file of the program lives. Start-up sets it (and makes it the
// current directory); everything else builds its paths from here, so a file dialog that changes the current
// directory cannot send a write elsewhere.
class ProgramDir {
public:
    static void set(const QString& dir);
    static QString path();
    // Absolute path of a file given relative to the program's directory ("photo/no.bmp").
    static QString file(const QString& relative);

    // An installed program keeps its programs (velloran, data) and its manual apart from the person's data, and
    // the administrator's defaults for everybody in a folder of their own (see ProgramHome). Unset, the program's
    // directory holds them all.
    static void setInstalled(const QString& programs, const QString& manual, const QString& defaults);
    static QString programFile(const QString& name);
    static QString manualFile(const QString& name);
    // The program directory's own file, else the administrator's file of that name for everybody
    // (/etc/velloran/server.ini) when there is one, else the program directory's (missing) file.
    static QString fileOrDefault(const QString& name);
    // The administrator's file of that name for everybody, when the program is installed and there is one.
    static QString defaultFile(const QString& name);
    // A name that is safe as one path component inside the program's directory: not empty, not "." or "..",
    // no "/" or "\", no control character.
    static bool isSafeComponent(const QString& name);
    // True when `path` names something in the program's directory but, with every symbolic link along it followed
    // (its last part included, even when that link points nowhere), ends up outside it. The program's files are
    // never read, written or deleted through such a path: it would reach some other place's files. Paths outside
    // the program's directory (a picture the user picks, an export) are not its business and give false.
    static bool leadsOut(const QString& path);
};

} // namespace platform
