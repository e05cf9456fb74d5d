#include "store/Connection.h"

#include "platform/ProgramDir.h"
#include "store/Statements.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QSqlDriver>

#include <sqlite3.h>

namespace store {

Connection::Connection(const QString& connectionName, const QString& fileName)
    : m_name(connectionName), m_fileName(fileName)
{
}

Connection::~Connection()
{
    close();
}

bool Connection::open(QString* error)
{
    if (isOpen())
        return true;
    const QString path = platform::ProgramDir::file(m_fileName);
    // mode=rw: a missing file is an error, never silently created as an empty database.
    if (!QFileInfo(path).isFile()) {
        if (error)
            *error = QStringLiteral("Could not find file '%1'.").arg(path);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::contains(m_name) ? QSqlDatabase::database(m_name, false)
                                                     : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
    db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
    if (!db.open()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    // Several connections and several running copies share the file; nothing committed may be lost on a crash.
    // The journal mode is set once in the installed database and never touched here.
    QSqlQuery pragma(db);
    for (const char* statement : {"PRAGMA busy_timeout=5000", "PRAGMA synchronous=FULL"}) {
        if (!pragma.exec(QString::fromLatin1(statement))) {
            if (error)
                *error = pragma.lastError().text();
            pragma.finish();
            db.close();
            return false;
        }
        pragma.finish();
    }
    return true;
}

bool Connection::isOpen() const
{
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

void Connection::close()
{
    if (!QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase Connection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

namespace {
bool run(const QSqlDatabase& db, const char* statement, QString* error)
{
    QSqlQuery q(db);
    if (q.exec(QString::fromLatin1(statement)))
        return true;
    if (error)
        *error = q.lastError().text();
    return false;
}
} // namespace

bool Connection::beginTransaction(QString* error)
{
    return open(error) && run(database(), "BEGIN IMMEDIATE", error);
}

bool Connection::commit(QString* error)
{
    return isOpen() && run(database(), "COMMIT", error);
}

void Connection::rollback()
{
    if (isOpen())
        run(database(), "ROLLBACK", nullptr);
}

bool Connection::inTransaction() const
{
    if (!isOpen())
        return false;
    const QVariant handle = database().driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    auto* db = *static_cast<sqlite3* const*>(handle.data());
    return db && sqlite3_get_autocommit(db) == 0;
}

bool Connection::userTables(QStringList* tables, QString* error)
{
    if (!open(error))
        return false;
    QSqlQuery q(database());
    q.setForwardOnly(true);
    // Reading the catalogue is also the first real read of the file: a file that is no database fails here.
    if (!q.exec(QString::fromUtf8(sql::UserTables))) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    tables->clear();
    while (q.next())
        tables->append(q.value(0).toString());
    if (q.lastError().isValid()) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    return true;
}

} // namespace store
