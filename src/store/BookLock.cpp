#include "store/BookLock.h"

#include "store/Connection.h"
#include "store/Query.h"

#include <QUuid>

namespace store {

namespace {

// The book's lock key: one pair of numbers for every program on that database ("VELL", 1).
const char* const TryShared = "select pg_try_advisory_lock_shared(1447382092, 1)";
const char* const TryExclusive = "select pg_try_advisory_lock(1447382092, 1)";

std::unique_ptr<BookLock>& runLock()
{
    static std::unique_ptr<BookLock> lock;
    return lock;
}

} // namespace

BookLock::BookLock(const ServerSettings& server) : m_server(server) {}

BookLock::~BookLock()
{
    unlock();
}

BookLock::Result BookLock::tryLock(Mode mode, QString* error)
{
    unlock();
    m_connection =
        std::make_unique<Connection>(QStringLiteral("book.lock-") + QUuid::createUuid().toString(), m_server);
    Query q(*m_connection, mode == Mode::Shared ? TryShared : TryExclusive);
    if (!q.exec() || !q.next()) {
        if (error)
            *error = q.errorText();
        m_connection.reset();
        return Result::Failed;
    }
    const bool locked = q.text(0) == QLatin1String("true") || q.text(0) == QLatin1String("1");
    q.finish();
    if (!locked) {
        m_connection.reset();
        return Result::Busy;
    }
    m_locked = true;
    return Result::Locked;
}

void BookLock::unlock()
{
    // Closing the session releases its advisory locks.
    m_connection.reset();
    m_locked = false;
}

BookLock::Result BookLock::holdRun(const ServerSettings& server, QString* error)
{
    std::unique_ptr<BookLock>& held = runLock();
    if (held && held->m_server == server && held->isLocked())
        return Result::Locked;
    auto lock = std::make_unique<BookLock>(server);
    const Result result = lock->tryLock(Mode::Shared, error);
    if (result == Result::Locked)
        held = std::move(lock);
    return result;
}

void BookLock::releaseRun()
{
    runLock().reset();
}

} // namespace store
