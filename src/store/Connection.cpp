#include "store/Connection.h"

#include "platform/ProgramDir.h"
#include "store/Book.h"
#include "store/Dialect.h"
#include "store/ServerProbe.h"
#include "store/ServerStatement.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>

#include <libpq-fe.h>

namespace store {

namespace {

// True when the session runs over a Unix socket or loopback, or is encrypted.
const char* const SessionIsSafe =
    "select coalesce(inet_server_addr() <<= inet '127.0.0.0/8' or inet_server_addr() = inet '::1', true) "
    "or coalesce((select ssl from pg_stat_ssl where pid = pg_backend_pid()), false)";

// Every session of this program carries its origin: the book's announcements of changes name it.
const char* const SetOrigin = "select set_config('velloran.origin', $1, false)";

// After a failed attempt to open a lost connection again, statements within this time get the same answer instead
// of waiting for the network once more: one save then tries once, not once per statement.
constexpr qint64 ReopenRest = 1000;

} // namespace

QString Connection::origin()
{
    static const QString token = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return token;
}

pg_conn* Connection::serverHandle() const
{
    if (m_open != &Dialect::server() || !QSqlDatabase::contains(m_name))
        return nullptr;
    const QSqlDatabase db = QSqlDatabase::database(m_name, false);
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    // Qt's driver names the handle by the struct's own tag.
    if (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0)
        return nullptr;
    return *static_cast<pg_conn* const*>(handle.data());
}

Connection::Connection(const QString& connectionName, const QString& fileName, Store store)
    : m_name(connectionName), m_fileName(fileName), m_store(store)
{
}

Connection::Connection(const QString& connectionName, const ServerSettings& server)
    : m_name(connectionName), m_explicitServer(true), m_server(server)
{
}

Connection::~Connection()
{
    close();
}

bool Connection::isServer() const
{
    if (m_explicitServer)
        return true;
    if (m_store == Store::File || m_fileName != Book::fileName())
        return false;
    ServerSettings chosen;
    // A server.ini that cannot be used still means a server: its error, never the local file.
    return !Book::current(&chosen) || chosen.isServer();
}

ServerSettings Connection::server() const
{
    if (m_explicitServer)
        return m_server;
    ServerSettings chosen;
    Book::current(&chosen);
    return chosen;
}

const Dialect& Connection::dialect() const
{
    // Asked for every statement: an open connection answers from the driver it opened with.
    if (m_open && isOpen())
        return *m_open;
    return isServer() ? Dialect::server() : Dialect::embedded();
}

bool Connection::open(QString* error)
{
    if (isOpen())
        return true;
    m_needsPassword = false;
    ServerSettings server;
    QString why;
    if (!m_explicitServer && m_store == Store::Chosen && m_fileName == Book::fileName() &&
        !Book::current(&server, &why)) {
        if (error)
            *error = why;
        return false;
    }
    if (m_explicitServer)
        server = m_server;
    const QString driver = server.isServer() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    // A name left registered for the other store (the program directory changed), or by a connection the server
    // ended, is registered anew.
    if (QSqlDatabase::contains(m_name))
        drop();
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_name);
    const bool toServer = server.isServer();
    const bool opened = toServer ? openServer(db, server, error) : openFile(db, error);
    if (!opened) {
        db.close();
        return false;
    }
    m_open = toServer ? &Dialect::server() : &Dialect::embedded();
    if (!run(m_open->sessionSettings(), error)) {
        db.close();
        return false;
    }
    if (toServer) {
        ServerStatement mark;
        if (!mark.exec(serverHandle(), SetOrigin, {origin()})) {
            if (error)
                *error = ServerProbe::failed(server, mark.error().databaseText());
            db.close();
            return false;
        }
    }
    return true;
}

bool Connection::ready(QString* error)
{
    if (m_broken) {
        if (error)
            *error = ServerProbe::lost(server(), QString());
        return false;
    }
    if (isOpen()) {
        if (m_open != &Dialect::server() || ServerStatement::isAlive(serverHandle()))
            return true;
        // The server has ended the connection. A transaction on it is gone with it.
        if (m_begun) {
            m_begun = false;
            m_broken = true;
            drop();
            if (error)
                *error = ServerProbe::lost(server(), QString());
            return false;
        }
        drop();
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (m_reopenFailedAt != 0 && now - m_reopenFailedAt < ReopenRest) {
        if (error)
            *error = m_reopenFailure;
        return false;
    }
    QString why;
    if (open(&why)) {
        m_reopenFailedAt = 0;
        return true;
    }
    m_reopenFailedAt = QDateTime::currentMSecsSinceEpoch();
    m_reopenFailure = why;
    if (error)
        *error = why;
    return false;
}

void Connection::lost(const QString& detail, QString* error)
{
    if (m_begun) {
        m_begun = false;
        m_broken = true;
    }
    const ServerSettings where = server();
    drop();
    if (error)
        *error = ServerProbe::lost(where, detail);
}

bool Connection::openFile(QSqlDatabase& db, QString* error)
{
    const QString path = platform::ProgramDir::file(m_fileName);
    // mode=rw: a missing file is an error, never silently created as an empty database.
    if (!QFileInfo(path).isFile()) {
        if (error)
            *error = QStringLiteral("Could not find file '%1'.").arg(path);
        return false;
    }
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
    db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
    if (!db.open()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    return true;
}

bool Connection::openServer(QSqlDatabase& db, const ServerSettings& server, QString* error)
{
    if (!db.isValid()) {
        if (error)
            *error = ServerProbe::failed(server, QStringLiteral("Qt 的 PostgreSQL 驱动（QPSQL）没有安装。"));
        return false;
    }
    // Everything but the password goes into the connect options, each value checked and quoted.
    db.setConnectOptions(server.qtConnectOptions());
    db.setPassword(server.password());
    if (!db.open()) {
        // libpq itself tells an unanswered connection from refused credentials and a missing password.
        QString detail;
        switch (ServerProbe::probe(server, &detail)) {
        case ServerProbe::Outcome::NeedsPassword:
            m_needsPassword = true;
            detail = ServerProbe::needsPassword(server);
            break;
        case ServerProbe::Outcome::Unreachable:
            detail = ServerProbe::unreachable(server, detail);
            break;
        case ServerProbe::Outcome::Refused:
            detail = ServerProbe::refused(server, detail);
            break;
        case ServerProbe::Outcome::Connected: // it answers now: Qt's own reason
            detail = ServerProbe::refused(server, db.lastError().text());
            break;
        }
        if (error)
            *error = detail;
        return false;
    }
    if (server.needsEncryptionCheck()) {
        QSqlQuery check(db);
        if (!check.exec(QString::fromLatin1(SessionIsSafe)) || !check.next() || !check.value(0).toBool()) {
            if (error)
                *error = check.lastError().isValid() ? ServerProbe::failed(server, check.lastError().text())
                                                     : ServerProbe::unencrypted(server);
            return false;
        }
    }
    return true;
}

bool Connection::isOpen() const
{
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

void Connection::close()
{
    m_begun = false;
    m_broken = false;
    drop();
}

void Connection::drop()
{
    m_open = nullptr;
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

bool Connection::run(const QStringList& statements, QString* error)
{
    if (pg_conn* handle = serverHandle()) {
        // Every statement in one round trip.
        ServerStatement batch;
        if (batch.run(handle, statements.join(QStringLiteral("; ")).toUtf8()))
            return true;
        if (batch.lostConnection())
            lost(batch.error().databaseText(), error);
        else if (error)
            *error = ServerProbe::failed(server(), batch.error().databaseText());
        return false;
    }
    QSqlQuery q(database());
    for (const QString& statement : statements) {
        if (!q.exec(statement)) {
            if (error)
                *error = isServer() ? ServerProbe::failed(server(), q.lastError().text()) : q.lastError().text();
            return false;
        }
        q.finish();
    }
    return true;
}

bool Connection::beginTransaction(QString* error)
{
    // A transaction a failed statement spoilt is over for every purpose but its rollback.
    if (m_begun || m_broken)
        rollback();
    // Nothing of a transaction has reached the server before its first statement: one that finds the connection
    // lost may start again on a new one.
    if (startTransaction(error))
        return true;
    if (isOpen() || m_open)
        return false;
    return startTransaction(error);
}

bool Connection::startTransaction(QString* error)
{
    if (!ready(error))
        return false;
    if (run(dialect().beginTransaction(), error)) {
        m_begun = true;
        return true;
    }
    m_broken = false;
    if (isOpen())
        rollback();
    return false;
}

bool Connection::commit(QString* error)
{
    if (m_broken || !isOpen()) {
        rollback();
        if (error)
            *error = ServerProbe::lost(server(), QString());
        return false;
    }
    // The server answers COMMIT of a spoilt transaction with a rollback, not with an error.
    if (!inTransaction()) {
        rollback();
        if (error)
            *error = QStringLiteral("事务中有语句失败，事务已撤销，没有保存任何内容。");
        return false;
    }
    m_begun = false;
    if (run({QStringLiteral("COMMIT")}, error))
        return true;
    // A connection lost while the commit was on its way leaves its outcome unknown.
    if (m_broken || !isOpen()) {
        m_broken = false;
        if (error)
            *error = ServerProbe::lostAtCommit(server());
    }
    return false;
}

void Connection::rollback()
{
    m_begun = false;
    m_broken = false;
    if (isOpen())
        run({QStringLiteral("ROLLBACK")}, nullptr);
}

bool Connection::inTransaction() const
{
    return !m_broken && isOpen() && dialect().inTransaction(database(), m_begun);
}

bool Connection::isUniqueViolation(const QSqlError& error) const
{
    return dialect().isUniqueViolation(error);
}

bool Connection::userTables(QStringList* tables, QString* error)
{
    if (!ready(error))
        return false;
    QSqlQuery q(database());
    q.setForwardOnly(true);
    // Reading the catalogue is also the first real read of the file: a file that is no database fails here.
    if (!q.exec(dialect().userTables())) {
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
