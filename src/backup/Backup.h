#pragma once

#include "backup/ArchiveSummary.h"

namespace backup {

// Writing a backup archive of a program directory.
class Backup {
public:
    // One zip of the whole program data (ProgramData): call.mdb through SQLite's online backup, the other data
    // files and folders as they lie, and last the manifest (every entry with size and SHA-256, program version,
    // date, contact count). The archive appears under its name only when complete (a temporary file renamed at
    // the end), so an interrupted backup never leaves a half archive there. Holds the directory's lock shared
    // while it reads (refused while a restore runs); safe on a background thread and while the main program
    // runs. A target inside the program directory is refused except below backup/.
    static bool write(const QString& programDir, const QString& archivePath, const Progress& progress,
                      ArchiveSummary* summary, QString* error);
    // The prefix of the scratch folders a backup makes beside its archive (removed again when it ends).
    static QString scratchPrefix() { return QStringLiteral(".velloran-snapshot-"); }
};

} // namespace backup
