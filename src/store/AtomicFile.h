#pragma once

#include <QByteArray>
#include <QString>

namespace store {

// Replaces a file as a whole: readers see either the old or the new contents, never a partial file.
class AtomicFile
{
public:
    AtomicFile() = delete;

    // On failure the old file is untouched, no temporary file is left and *error reads "Unable to write to <path>".
    // A path that leads out of the program's directory through a symbolic link is never written.
    static bool write(const QString& path, const QByteArray& data, QString* error = nullptr);
};

} // namespace store
