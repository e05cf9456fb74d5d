#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

namespace backup {

// data's commands without a window: "backup ARCHIVE", "restore ARCHIVE", "verify ARCHIVE", "import [--fill-blanks]
// FILE" and "export FILE" (vCard or CSV, by the file's extension; export writes every record). Each takes one file,
// relative to the current directory, and works on the given program directory. A new command is one more row
// in the table in CommandLine.cpp.
class CommandLine {
public:
    // arguments without the program's own name. Returns the exit status: 0 done (a line on out; import and export
    // follow it with their report's lines), 1 failed, 2 not understood (one line on err).
    static int run(const QStringList& arguments, const QString& programDir, QTextStream& out, QTextStream& err);
};

} // namespace backup
