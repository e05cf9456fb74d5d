#pragma once

#include <QString>

namespace platform {

class Files {
public:
    // Copies a file over an existing target, as the program's copies always overwrite. The target is replaced
    // atomically: a failed copy leaves the old target as it was. Returns false on any failure.
    static bool copyOverwrite(const QString& from, const QString& to);
};

} // namespace platform
