#pragma once

#include "store/ServerSettings.h"

#include <memory>

namespace store {

class Connection;

// The lock of a contact book on a server, the counterpart of ProgramLock for a program directory: every running
// program holds it shared for its whole run, a restore needs it exclusively. It is an advisory lock of a session
// on a connection of its own, so the server drops it when that connection ends, however the holder ends.
class BookLock {
public:
    enum class Mode { Shared, Exclusive };
    enum class Result { Locked, Busy, Failed };

    explicit BookLock(const ServerSettings& server);
    ~BookLock();
    BookLock(const BookLock&) = delete;
    BookLock& operator=(const BookLock&) = delete;

    // Never waits. A lock this object holds is released first.
    Result tryLock(Mode mode, QString* error = nullptr);
    void unlock();
    bool isLocked() const { return m_locked; }

    // The running program's shared lock, held until releaseRun(). Holding it again is cheap.
    static Result holdRun(const ServerSettings& server, QString* error = nullptr);
    static void releaseRun();

private:
    ServerSettings m_server;
    std::unique_ptr<Connection> m_connection;
    bool m_locked = false;
};

} // namespace store
