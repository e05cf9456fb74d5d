#pragma once

#include "backup/ArchiveSummary.h"

namespace store {
class ProgramLock;
}

namespace backup {

// Putting an archive's data in place of a program directory's data.
class Restore {
public:
    struct Result {
        ArchiveSummary summary;
        QString safetyCopy; // absolute path of backup/before-restore-<date-time>/ holding the data replaced
    };

    // Refused while any program holds the directory's lock (a running velloran). Checks and unpacks the whole
    // archive into a staging folder inside the directory first (a refused archive changes nothing), moves the
    // current data into the dated safety copy and the new data into place under a journal, so that an
    // interruption at any moment leaves the old data or the new once recover() has run, never a mix.
    static bool run(const QString& programDir, const QString& archivePath, const Progress& progress, Result* result,
                    QString* error);
    // Finishes a swap that was interrupted (or undoes it when it cannot be finished) and removes a staging folder
    // left behind. Cheap when there is nothing to do. Call it at every start of the main program and of data,
    // before the directory's shared lock is taken. False (with a message) means the data may be mixed or a
    // restore is running right now: do not open the data.
    static bool recover(const QString& programDir, QString* error);

    static QString busyMessage();
    // Takes lock shared, as every program reading or writing the data does; refused (with a message naming the
    // work) while a restore holds it.
    static bool share(store::ProgramLock& lock, const QString& work, QString* error);
};

} // namespace backup
