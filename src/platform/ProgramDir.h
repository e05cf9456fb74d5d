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
    // A name that is safe as one path component inside the program's directory: not empty, not "." or "..",
    // no "/" or "\", no control character.
    static bool isSafeComponent(const QString& name);
};

} // namespace platform
