#pragma once

#include <QString>

namespace print {

// data's printing commands, without a window and without a display:
//   data print FILE.pdf [--group relation|initial|none]   the whole book as a printed list
//   data qr NAME FILE.png                                 the contact's QR code as a picture
// The program directory comes from `programDir`, asked once the application exists.
class PrintCommandLine {
public:
    PrintCommandLine() = delete;

    // True for "print" and "qr".
    static bool handles(const char* command);
    // Exit status: 0 done (one line on standard output), 1 failed, 2 not understood (one line on standard error).
    static int run(int argc, char** argv, QString (*programDir)());
    // The usage lines of these commands, for data's own help.
    static QString usage();
};

} // namespace print
