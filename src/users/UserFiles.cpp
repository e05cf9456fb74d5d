#include "users/UserFiles.h"

#include "platform/Files.h"
#include "platform/ProgramDir.h"
#include "store/AtomicFile.h"
#include "store/Ini.h"
#include "users/UserRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kUser = QStringLiteral("user");

QString settingsOf(const QString& folder)
{
    return folder + QStringLiteral("/set.ini");
}

} // namespace

QString UserFiles::userIni()
{
    return platform::ProgramDir::file(QStringLiteral("user.ini"));
}

QStringList UserFiles::users()
{
    return store::Ini::keys(userIni(), kUser);
}

bool UserFiles::taken(const QString& name)
{
    if (users().contains(name, Qt::CaseInsensitive))
        return true;
    // Dangling links and hidden entries too: a folder of that name could not be made over them either.
    const QStringList entries = QDir(platform::ProgramDir::path())
                                    .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    return entries.contains(name, Qt::CaseInsensitive);
}

QString UserFiles::folder(const QString& name)
{
    if (!platform::ProgramDir::isSafeComponent(name) || !UserRules::isUsableName(name))
        return QString();
    const QString exact = platform::ProgramDir::file(name);
    if (QFileInfo(exact).isDir())
        return exact;
    const QStringList dirs = QDir(platform::ProgramDir::path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& dir : dirs) {
        if (dir.compare(name, Qt::CaseInsensitive) == 0)
            return platform::ProgramDir::file(dir);
    }
    return QString();
}

bool UserFiles::makeFolder(const QString& name, QString* error)
{
    if (!platform::ProgramDir::isSafeComponent(name) || !UserRules::isUsableName(name)
        || !QDir(platform::ProgramDir::path()).mkdir(name)) {
        *error = QStringLiteral("Cannot create directory %1").arg(platform::ProgramDir::file(name));
        return false;
    }
    return true;
}

bool UserFiles::registerUser(const QString& name, QString* error)
{
    const QString ini = userIni();
    return store::Ini::write(ini, kUser, name, QStringLiteral("1"), error)
        && store::Ini::write(ini, QStringLiteral("ok"), QStringLiteral("yes"), QStringLiteral("1"), error)
        && store::Ini::write(ini, QStringLiteral("cuser"), QStringLiteral("name"), name, error);
}

bool UserFiles::makeSettingsCopy(const QString& name, QString* error)
{
    const QString scratch = platform::ProgramDir::file(QStringLiteral("setb.ini"));
    // A missing template leaves setb.ini as it was; it gets the new owner's name all the same.
    platform::Files::copyOverwrite(platform::ProgramDir::file(QStringLiteral("modal/set.ini")), scratch);
    const QString target = settingsOf(platform::ProgramDir::file(name));
    // The owner decides where the settings are saved back at a sign-in: a copy carrying another owner's name
    // would overwrite that user's settings.
    if (!store::Ini::write(scratch, kUser, QStringLiteral("name"), name, error)
        || !platform::Files::copyOverwrite(scratch, target)
        || store::Ini::read(target, kUser, QStringLiteral("name")) != name) {
        *error = QStringLiteral("Unable to write to %1").arg(target);
        return false;
    }
    return true;
}

void UserFiles::removeNewFolder(const QString& name)
{
    if (!platform::ProgramDir::isSafeComponent(name) || !UserRules::isUsableName(name))
        return;
    const QString dir = platform::ProgramDir::file(name);
    platform::Files::remove(settingsOf(dir));
    QDir(platform::ProgramDir::path()).rmdir(name);
}

bool UserFiles::unregisterUser(const QString& name, QString* error)
{
    const QString ini = userIni();
    if (!store::Ini::removeKey(ini, kUser, name, error))
        return false;
    // The sign-in writes the name as typed, in whatever letter case.
    if (store::Ini::read(ini, QStringLiteral("cuser"), QStringLiteral("name")).compare(name, Qt::CaseInsensitive) == 0)
        return store::Ini::write(ini, QStringLiteral("cuser"), QStringLiteral("name"), QStringLiteral("0"), error);
    return true;
}

UserFiles::FolderOutcome UserFiles::removeFolder(const QString& name)
{
    const QString dir = folder(name);
    if (dir.isEmpty())
        return FolderOutcome::Missing;
    // A folder that is a link goes as a link: what it names may be another place's, and is left alone.
    if (QFileInfo(dir).isSymLink())
        return platform::Files::remove(dir) ? FolderOutcome::Removed : FolderOutcome::Kept;
    platform::Files::remove(settingsOf(dir));
    // rmdir removes only an empty folder: whatever else the user kept there stays.
    return QDir(platform::ProgramDir::path()).rmdir(QFileInfo(dir).fileName()) ? FolderOutcome::Removed
                                                                                : FolderOutcome::Kept;
}

bool UserFiles::setOpenMode(QString* error)
{
    return store::Ini::write(userIni(), QStringLiteral("ok"), QStringLiteral("yes"), QStringLiteral("0"), error);
}

UserFiles::Snapshot::Snapshot()
{
    const QString path = userIni();
    m_existed = QFileInfo::exists(path);
    QFile file(path);
    if (m_existed && !platform::ProgramDir::leadsOut(path) && file.open(QIODevice::ReadOnly)) {
        m_bytes = file.readAll();
        m_readable = file.error() == QFile::NoError;
    }
}

bool UserFiles::Snapshot::restore() const
{
    const QString path = userIni();
    if (!m_existed)
        return platform::Files::remove(path);
    // A file that could not be read was never rewritten either (the profile writer refuses it).
    if (!m_readable)
        return true;
    return store::AtomicFile::write(path, m_bytes);
}
