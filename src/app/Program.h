#pragma once

#include <QString>

// The program body: prepares the application, creates the windows in their fixed order and runs the loop.
class Program {
public:
    // Application title, Chinese standard buttons, the program font.
    static void prepareApplication();
    // Creates the main window and runs its creation handler (the start-up and sign-in). On success creates the
    // remaining windows and shows the main window; returns whether the start-up completed.
    static bool start(const QString& programDir);
    // Frees every window and resets the program-wide references (the end of a run, or between tests).
    static void shutdown();
    // start + message loop; the process exit code.
    static int run(const QString& programDir);
};
