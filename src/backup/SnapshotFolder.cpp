#include "backup/SnapshotFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <iterator>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <unistd.h>

namespace backup {

namespace {

// What the folder can hold: the snapshot, the journals SQLite keeps beside it while it writes, the archive being
// written.
const char* const kFiles[] = {"call.mdb", "call.mdb-journal", "call.mdb-wal", "call.mdb-shm", "archive.zip"};

// What a signal handler removes: paths prepared beforehand, since a handler may only call unlink and rmdir. One
// snapshot at a time per process (a backup program runs one backup at a time); any other is left to the next run.
struct SignalSlot {
    std::atomic<bool> armed{false};
    char files[std::size(kFiles)][PATH_MAX] = {};
    char photos[PATH_MAX] = {}; // a server book's photos; left to the next run when it holds any
    char folder[PATH_MAX] = {};
};
SignalSlot g_slot;
std::atomic<const SnapshotFolder*> g_owner{nullptr};

extern "C" void removeAndEnd(int signal)
{
    if (g_slot.armed.load()) {
        for (const char* file : g_slot.files)
            ::unlink(file);
        ::rmdir(g_slot.photos);
        ::rmdir(g_slot.folder);
    }
    // The handler was reset on entry: the signal now ends the process as it would have.
    ::raise(signal);
}

bool arm(const SnapshotFolder* owner, const QString& folder)
{
    const SnapshotFolder* none = nullptr;
    if (!g_owner.compare_exchange_strong(none, owner))
        return false;
    const QByteArray dir = QFile::encodeName(folder);
    for (size_t i = 0; i < std::size(kFiles); ++i) {
        const QByteArray file = dir + '/' + kFiles[i];
        if (file.size() >= PATH_MAX || dir.size() >= PATH_MAX) {
            g_owner.store(nullptr);
            return false;
        }
        std::memcpy(g_slot.files[i], file.constData(), size_t(file.size()) + 1);
    }
    const QByteArray photos = dir + "/photo";
    if (photos.size() >= PATH_MAX) {
        g_owner.store(nullptr);
        return false;
    }
    std::memcpy(g_slot.photos, photos.constData(), size_t(photos.size()) + 1);
    std::memcpy(g_slot.folder, dir.constData(), size_t(dir.size()) + 1);
    g_slot.armed.store(true);
    return true;
}

void disarm(const SnapshotFolder* owner)
{
    if (g_owner.load() == owner) {
        g_slot.armed.store(false);
        g_owner.store(nullptr);
    }
}

// Whether the folder could be locked: no running backup holds it. The lock goes with the descriptor.
int lockFolder(const QString& path, bool wait)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

SnapshotFolder::~SnapshotFolder()
{
    remove();
}

void SnapshotFolder::removeLeftovers(const QString& parent)
{
    for (const QFileInfo& info :
         QDir(parent).entryInfoList({prefix() + QLatin1Char('*')}, QDir::AllEntries | QDir::Hidden | QDir::System)) {
        if (info.isSymLink() || !info.isDir()) {
            QFile::remove(info.filePath()); // the entry itself, never what a link leads to
            continue;
        }
        const int fd = lockFolder(info.filePath(), false);
        if (fd < 0)
            continue; // a backup is using it right now
        QDir(info.filePath()).removeRecursively();
        ::close(fd);
    }
}

bool SnapshotFolder::create(const QString& parent, QString* error)
{
    remove();
    removeLeftovers(parent);
    // A signal between making the folder and arming the handler would leave the folder behind: such a signal waits
    // until the handler knows the folder.
    sigset_t ending;
    sigset_t previous;
    sigemptyset(&ending);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaddset(&ending, signal);
    ::pthread_sigmask(SIG_BLOCK, &ending, &previous);
    struct Unblock {
        const sigset_t* previous;
        ~Unblock() { ::pthread_sigmask(SIG_SETMASK, previous, nullptr); }
    } unblock{&previous};
    // Another backup's clean-up may take a new folder for a left-over before it is locked: then take another.
    for (int attempt = 0; attempt < 3; ++attempt) {
        QByteArray pattern = QFile::encodeName(parent + QLatin1Char('/') + prefix() + QStringLiteral("XXXXXX"));
        if (!::mkdtemp(pattern.data())) {
            if (error)
                *error = QStringLiteral("无法在 %1 中创建临时文件夹：%2")
                             .arg(QDir::toNativeSeparators(parent), QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        const QString path = QFile::decodeName(pattern);
        const int fd = lockFolder(path, true);
        if (fd >= 0 && QFileInfo(path).isDir()) {
            m_path = path;
            m_fd = fd;
            arm(this, m_path);
            return true;
        }
        if (fd >= 0)
            ::close(fd);
    }
    if (error)
        *error = QStringLiteral("无法在 %1 中创建临时文件夹。").arg(QDir::toNativeSeparators(parent));
    return false;
}

QString SnapshotFolder::databasePath() const
{
    return m_path + QStringLiteral("/call.mdb");
}

QString SnapshotFolder::archivePath() const
{
    return m_path + QStringLiteral("/archive.zip");
}

void SnapshotFolder::remove()
{
    if (m_path.isEmpty())
        return;
    disarm(this);
    QDir(m_path).removeRecursively();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

void SnapshotFolder::removeOnSignals()
{
    struct sigaction action = {};
    action.sa_handler = removeAndEnd;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        ::sigaction(signal, &action, nullptr);
}

} // namespace backup
