#include "store/Book.h"

#include "platform/ErrorLead.h"
#include "platform/ProgramDir.h"
#include "store/BookLock.h"
#include "store/Connection.h"
#include "store/PhotoStore.h"
#include "store/ServerBook.h"
#include "store/ServerProbe.h"

#include <QFileInfo>

#include <QDir>
#include <QMutex>

#include <memory>

namespace store {

namespace {

struct Choice {
    QString dir;
    bool chosen = false;
    bool usable = true;
    ServerSettings settings;
    QString error;
    QString password;
};

QMutex& mutex()
{
    static QMutex m;
    return m;
}

Choice& choice()
{
    static Choice c;
    return c;
}

// With the mutex held.
void chooseLocked(const QString& dir)
{
    Choice& c = choice();
    c.dir = dir;
    c.chosen = true;
    c.error.clear();
    c.usable = ServerSettings::load(dir, &c.settings, &c.error);
    c.settings.setPassword(c.password);
}

QString normalised(const QString& dir)
{
    return QDir(dir).absolutePath();
}

} // namespace

void Book::choose(const QString& programDir)
{
    const QMutexLocker lock(&mutex());
    choice().password.clear();
    chooseLocked(normalised(programDir));
    // The error reports' advice points at the server when the book lies there.
    platform::ErrorLead::setServer(choice().settings.isServer() ? choice().settings.displayName() : QString());
}

bool Book::current(ServerSettings* settings, QString* error)
{
    return settingsFor(platform::ProgramDir::path(), settings, error);
}

bool Book::settingsFor(const QString& programDir, ServerSettings* settings, QString* error)
{
    const QString dir = normalised(programDir);
    const QMutexLocker lock(&mutex());
    Choice& c = choice();
    if (!c.chosen || c.dir != dir) {
        // Another directory than the chosen one: when it has become the program directory (tests start the
        // program on one copy after another), it is chosen now; otherwise its own server.ini answers.
        if (c.chosen && dir != normalised(platform::ProgramDir::path()))
            return ServerSettings::load(dir, settings, error);
        c.password.clear();
        chooseLocked(dir);
    }
    *settings = c.settings;
    if (!c.usable && error)
        *error = c.error;
    return c.usable;
}

void Book::setPassword(const QString& password)
{
    const QMutexLocker lock(&mutex());
    choice().password = password;
    choice().settings.setPassword(password);
}

Book::Check Book::check(Connection& connection, QString* failure)
{
    if (!connection.isServer()) {
        if (!QFileInfo(platform::ProgramDir::file(fileName())).isFile())
            return Check::Missing;
        QStringList tables;
        QString error;
        if (!connection.userTables(&tables, &error)) {
            *failure = platform::ErrorLead::compose(platform::ErrorLead::openDatabase(fileName()), error);
            return Check::Failed;
        }
        for (const char* wanted : {"version", "main", "user1"}) {
            if (!tables.contains(QString::fromLatin1(wanted), Qt::CaseInsensitive)) {
                *failure = QStringLiteral("数据不完整！");
                return Check::Failed;
            }
        }
        return Check::Ok;
    }
    if (!connection.open(failure))
        return connection.needsPassword() ? Check::NeedsPassword : Check::Failed;
    const ServerSettings server = connection.server();
    QStringList missing;
    QString version;
    QString error;
    if (!ServerBook::inspect(connection, &missing, &version, &error)) {
        *failure = ServerProbe::failed(server, error);
        return Check::Failed;
    }
    if (!missing.isEmpty()) {
        *failure = ServerProbe::missingTables(server, missing);
        return Check::Failed;
    }
    if (version != ServerBook::version()) {
        *failure = ServerProbe::otherVersion(server, version, ServerBook::version());
        return Check::Failed;
    }
    switch (BookLock::holdRun(server, &error)) {
    case BookLock::Result::Locked:
        return Check::Ok;
    case BookLock::Result::Busy:
        *failure = ServerProbe::restoring(server);
        return Check::Failed;
    case BookLock::Result::Failed:
        break;
    }
    *failure = ServerProbe::failed(server, error);
    return Check::Failed;
}

void Book::forget()
{
    BookLock::releaseRun();
    PhotoStore::closeConnection();
    platform::ErrorLead::setServer(QString());
    const QMutexLocker lock(&mutex());
    choice() = Choice();
}

} // namespace store
