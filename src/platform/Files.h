#pragma once

#include <QString>

namespace platform {

class Files {
public:
    // Copies a file over an existing target, as the program's copies always overwrite. The target is replaced
    // atomically: a failed copy leaves the old target as it was. Only a regular file is copied (a named pipe would
    // block the program). Returns false on any failure, with the reason in *error.
    // Neither side is read or written through a symbolic link that leads out of the program's directory.
    static bool copyOverwrite(const QString& from, const QString& to, QString* error = nullptr);
    // Removes one entry of the program's directory: a symbolic link goes as a link, never what it names, and
    // nothing is removed through a folder that leads out of the program's directory. True when it is gone.
    static bool remove(const QString& path);
};

} // namespace platform
