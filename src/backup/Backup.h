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
    // runs. A target inside the program directory is refused except below backup/. Links are never followed out of
    // the program directory: what they lead to is left out, and summary->leftOut names them. The snapshot of
    // call.mdb lies beside the archive only while it is read (SnapshotFolder). Every entry keeps its file's mode.
    static bool write(const QString& programDir, const QString& archivePath, const Progress& progress,
                      ArchiveSummary* summary, QString* error);
};

} // namespace backup
