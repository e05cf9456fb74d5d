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
    // Writes today's automatic backup into backup/ on a thread of its own when there is none yet; run() starts it
    // once the main window is shown.
    static void startDailyBackup();
    // Frees every window, waits for the automatic backup and releases the directory (the end of a run, or between
    // tests).
    static void shutdown();
    // start + the automatic backup + message loop; the process exit code.
    static int run(const QString& programDir);
    // run() on the program directory of this executable: the portable directory it lies in, or for the installed
    // program the person's own (platform::ProgramHome). 1 when that directory cannot be created.
    static int runFromExecutable();

    // Why the program does not start while the backup program restores this directory's data.
    static QString restoringMessage();
    // Why the installed program does not start: the person's program directory cannot be laid out.
    static QString homeMessage();

private:
    // Finishes an interrupted restore and takes the directory's shared lock, then lays out an installed program's
    // directory (no restore can swap files under it now); false while a restore runs or when that fails.
    static bool openDirectory(const QString& programDir, QString* error);
};
