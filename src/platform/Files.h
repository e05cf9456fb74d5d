#pragma once

#include <QString>

namespace platform {

class Files {
public:
    // Copies a file over an existing target, as the program's copies always overwrite. The target is replaced
    // atomically: a failed copy leaves the old target as it was. Only a regular file is copied (a named pipe would
    // block the program). Returns false on any failure, with the reason in *error.
    static bool copyOverwrite(const QString& from, const QString& to, QString* error = nullptr);
};

} // namespace platform
