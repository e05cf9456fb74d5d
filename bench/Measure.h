#pragma once

#include <QString>

namespace bench {

// The child process of one size: starts the program on dir in open mode, measures it and prints one line
// "RESULT key=value ..." on standard output. mainNs is the monotonic time main() was entered.
int measureProgram(int& argc, char** argv, const QString& dir, int expectedRows, qint64 mainNs);

} // namespace bench
