#pragma once

#include <QString>

namespace store {

// The lock of one program directory. Every running main program holds it shared for its whole run (several
// copies may work on the same data at once); replacing the data, as a restore does, needs it exclusively. It is
// an flock on a lock file in the directory: the kernel drops it when the holder ends, however it ends. flock
// locks belong to the open file description, so every object is a holder of its own, even within one process.
class ProgramLock {
public:
    enum class Mode { Shared, Exclusive };
    enum class Result {
        Locked, // held in the asked mode
        Busy,   // another holder has it in a conflicting mode
        Failed  // the lock file could not be opened or locked (error says why)
    };

    explicit ProgramLock(const QString& programDir);
    ~ProgramLock();
    ProgramLock(const ProgramLock&) = delete;
    ProgramLock& operator=(const ProgramLock&) = delete;

    // Never waits. A lock this object already holds is released first (flock would convert it non-atomically).
    Result tryLock(Mode mode, QString* error = nullptr);
    void unlock();
    bool isLocked() const { return m_fd >= 0; }

    // The lock file's name in the program directory; it is never deleted (that would race with a new holder).
    static QString fileName();

private:
    QString m_path;
    int m_fd = -1;
};

} // namespace store
