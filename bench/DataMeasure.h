#pragma once

#include <QString>

namespace bench {

// The child process that measures the program directory's data work on dir: a backup to an archive, an export of
// every contact to vCard and CSV, their import into empty program directories, and the restore of the archive. It
// prints one line "RESULT key=value ..." on standard output; the peak memory is this process's own.
int measureData(int& argc, char** argv, const QString& dir, int expectedRows);

} // namespace bench
