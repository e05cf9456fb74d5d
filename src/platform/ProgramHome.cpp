#include "platform/ProgramHome.h"

#include "platform/Files.h"
#include "platform/ProgramDir.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace platform {

namespace {

// Read-only data of the installed version: replaced whenever the installed copy differs.
const QString kAreaCodes = QStringLiteral("qh.mdb");

bool present(const QFileInfo& info)
{
    return info.exists() || info.isSymLink();
}

bool sameBytes(const QString& a, const QString& b)
{
    QFile fa(a);
    QFile fb(b);
    if (QFileInfo(a).size() != QFileInfo(b).size() || !fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    return fa.readAll() == fb.readAll();
}

// SQLite would replay a write-ahead log or journal left by a vanished call.mdb into the fresh one and break it; they
// hold that database's last changes, so they are moved aside, never deleted.
void setAsideLeftovers(const QString& database)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        const QString leftover = database + QLatin1String(suffix);
        if (!present(QFileInfo(leftover)))
            continue;
        QString aside = leftover + QStringLiteral(".orphan-") + stamp;
        for (int n = 2; present(QFileInfo(aside)); ++n)
            aside = leftover + QStringLiteral(".orphan-%1-%2").arg(stamp).arg(n);
        QFile::rename(leftover, aside);
    }
}

} // namespace

ProgramHome ProgramHome::choose(const QString& executable, const QString& home)
{
    const QString programs = QFileInfo(executable).absolutePath();
    ProgramHome portable{programs, programs, programs, QString(), QString()};
    if (!programs.endsWith(QLatin1String("/lib/velloran")))
        return portable;
    const QString prefix = QDir::cleanPath(programs + QStringLiteral("/../.."));
    const QString share = prefix + QStringLiteral("/share/velloran");
    if (!QFileInfo(share + QStringLiteral("/template/call.mdb")).isFile() || home.isEmpty())
        return portable;
    // The configuration of the /usr prefix is /etc; of any other prefix (/usr/local, /opt/x), PREFIX/etc.
    const QString etc = prefix.endsWith(QLatin1String("/usr")) ? QDir::cleanPath(prefix + QStringLiteral("/../etc"))
                                                               : prefix + QStringLiteral("/etc");
    return {QDir::cleanPath(home) + QStringLiteral("/Velloran"), programs, share, share + QStringLiteral("/template"),
            etc + QStringLiteral("/velloran")};
}

namespace {

bool createDirectory(const QString& dir, QString* error)
{
    const QFileInfo root(dir);
    if (root.isDir())
        return true;
    if (present(root) || !QDir().mkpath(dir)) {
        if (error)
            *error = present(root) ? QStringLiteral("%1 is not a folder").arg(dir)
                                   : QStringLiteral("Cannot create directory %1").arg(dir);
        return false;
    }
    // A person's contacts are nobody else's business.
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}

} // namespace

bool ProgramHome::layOut(QString* error) const
{
    if (!installed())
        return true;
    if (!createDirectory(dir, error))
        return false;
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    QDirIterator it(templates, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString relative = QDir(templates).relativeFilePath(from);
        const QString to = dir + QLatin1Char('/') + relative;
        const QFileInfo target(to);
        // A folder (photo/, modal/) that is a link leads elsewhere: nothing of the template is written there.
        if (relative.contains(QLatin1Char('/')) && QFileInfo(target.absolutePath()).isSymLink())
            continue;
        if (relative == kAreaCodes) {
            // A link is the person's own arrangement: never written through.
            if (target.isSymLink() || (target.isFile() && sameBytes(from, to)))
                continue;
            QString why;
            if (!Files::copyOverwrite(from, to, &why))
                return fail(why);
            continue;
        }
        if (present(target))
            continue;
        if (!QDir().mkpath(target.absolutePath()))
            return fail(QStringLiteral("Cannot create directory %1").arg(target.absolutePath()));
        if (relative == QLatin1String("call.mdb"))
            setAsideLeftovers(to);
        // QFile::copy renames its finished copy into place without replacing: a file that appeared meanwhile stays.
        QFile copy(from);
        if (!copy.copy(to) && !present(QFileInfo(to)))
            return fail(QStringLiteral("Cannot create %1: %2").arg(to, copy.errorString()));
        QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::WriteOwner);
    }
    return true;
}

bool ProgramHome::settle(ProgramHome* home, QString* error)
{
    *home = choose(QCoreApplication::applicationFilePath(), QDir::homePath());
    if (!home->installed())
        return true;
    ProgramDir::setInstalled(home->programs, home->manual, home->defaults);
    return createDirectory(home->dir, error);
}

} // namespace platform
