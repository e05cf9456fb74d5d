#include "platform/SaveFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

const QLatin1String kMarker(".velloran-");

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Writes go through symbolic links to the file they name, as QSaveFile's do.
QString resolved(const QString& target)
{
    QFileInfo info(target);
    for (int depth = 0; depth < 16 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.filePath();
}

void syncDirectory(const QString& dir)
{
    // Makes the rename itself durable; a file system that cannot sync directories still has the new contents.
    const int fd = ::open(native(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

SaveFile::SaveFile(const QString& target) : m_target(target) {}

SaveFile::~SaveFile()
{
    cancel();
}

bool SaveFile::isTemporaryName(const QString& fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^.+\\.velloran-[A-Za-z0-9]{6}$"));
    return pattern.match(fileName).hasMatch();
}

bool SaveFile::open()
{
    cancel();
    m_error.clear();
    m_final = resolved(m_target);
    const QFileInfo finalInfo(m_final);
    if (finalInfo.exists() && !finalInfo.isFile()) {
        m_error = QStringLiteral("%1 is not a regular file").arg(m_final);
        return false;
    }
    // A file made read-only is not replaced behind the user's back (QSaveFile refuses it too).
    if (finalInfo.exists() && !finalInfo.isWritable()) {
        m_error = QStringLiteral("Existing file %1 is not writable").arg(m_final);
        return false;
    }
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        QString suffix;
        for (int i = 0; i < 6; ++i)
            suffix += QLatin1Char(alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet - 1))]);
        m_temporary = m_final + kMarker + suffix;
        // The kernel applies the umask to a new file, as it does to any file the program creates.
        m_fd = ::open(native(m_temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        m_error = systemError();
        m_temporary.clear();
        return false;
    }
    // A replaced file keeps its permissions.
    struct stat existing {};
    if (::stat(native(m_final).constData(), &existing) == 0)
        ::fchmod(m_fd, existing.st_mode & 07777);
    return true;
}

bool SaveFile::write(const char* data, qint64 size)
{
    if (m_fd < 0)
        return false;
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_error = n < 0 ? systemError() : QStringLiteral("no space left");
            cancel();
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool SaveFile::commit()
{
    if (m_fd < 0)
        return false;
    // A full disk may show itself only at the sync or the close.
    bool written = ::fsync(m_fd) == 0;
    QString error = written ? QString() : systemError();
    if (::close(m_fd) != 0 && written) {
        written = false;
        error = systemError();
    }
    m_fd = -1;
    if (!written) {
        m_error = error;
        cancel();
        return false;
    }
    if (std::rename(native(m_temporary).constData(), native(m_final).constData()) != 0) {
        m_error = systemError();
        cancel();
        return false;
    }
    m_temporary.clear();
    syncDirectory(QFileInfo(m_final).absolutePath());
    return true;
}

void SaveFile::cancel()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(native(m_temporary).constData());
        m_temporary.clear();
    }
}

int SaveFile::removeLeftovers(const QString& dir)
{
    const QDateTime settled = QDateTime::currentDateTimeUtc().addSecs(-60);
    int removed = 0;
    const auto sweep = [&](const QString& folder) {
        const QFileInfoList files =
            QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
        for (const QFileInfo& file : files) {
            if (isTemporaryName(file.fileName()) && file.isFile() && !file.isSymLink() &&
                file.lastModified().toUTC() < settled && QFile::remove(file.filePath()))
                ++removed;
        }
    };
    sweep(dir);
    const QFileInfoList folders = QDir(dir).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo& folder : folders)
        sweep(folder.filePath());
    return removed;
}

} // namespace platform
