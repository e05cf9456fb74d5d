#pragma once

#include <QString>

namespace print {

// Where a printed list or a contact's picture may be written.
class OutputFile {
public:
    OutputFile() = delete;

    // The path with the extension (".pdf", ".png") added when it has another one or none.
    static QString withExtension(const QString& path, const QString& extension);
    // False with a reason for a folder, a missing folder, or a place inside the program directory, where the file
    // could replace the user's contacts, settings, notes or photos.
    static bool mayWrite(const QString& programDir, const QString& path, QString* error);
};

} // namespace print
