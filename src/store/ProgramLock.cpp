#include "store/ProgramLock.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace store {

ProgramLock::ProgramLock(const QString& programDir) : m_path(programDir + QLatin1Char('/') + fileName()) {}

ProgramLock::~ProgramLock()
{
    unlock();
}

QString ProgramLock::fileName()
{
    return QStringLiteral(".velloran.lock");
}

ProgramLock::Result ProgramLock::tryLock(Mode mode, QString* error)
{
    unlock();
    const QByteArray path = QFile::encodeName(m_path);
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    // A read-only descriptor locks as well, for a lock file that exists but may not be written.
    if (fd < 0 && (errno == EACCES || errno == EROFS))
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        if (error)
            *error = QStringLiteral("无法打开锁文件 %1：%2").arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        return Result::Failed;
    }
    int rc;
    do
        rc = ::flock(fd, (mode == Mode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int e = errno;
        ::close(fd);
        if (e == EWOULDBLOCK)
            return Result::Busy;
        if (error)
            *error = QStringLiteral("无法锁定 %1：%2").arg(m_path, QString::fromLocal8Bit(std::strerror(e)));
        return Result::Failed;
    }
    m_fd = fd;
    return Result::Locked;
}

void ProgramLock::unlock()
{
    if (m_fd < 0)
        return;
    // Closing the only descriptor of the open file description releases the lock.
    ::close(m_fd);
    m_fd = -1;
}

} // namespace store
