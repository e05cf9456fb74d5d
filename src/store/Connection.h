#pragma once

#include "store/ServerSettings.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

class QSqlError;
struct pg_conn;

namespace store {

class Dialect;

// One named connection, owned by one window or module, to a database of the program directory or to the office
// server that holds the contact book. It never creates a missing database and never alters a file's header: it
// only opens and reads/writes rows. Which store it reaches is decided here, never by its owner.
class Connection {
public:
    enum class Store {
        Chosen, // call.mdb means the contact book: the embedded file, or the server the program directory names
        File    // always the file of that name in the program directory
    };

    // connectionName must be unique in the process ("login.acper", "main.acper" ...); fileName is relative to
    // the program directory ("call.mdb", "qh.mdb").
    Connection(const QString& connectionName, const QString& fileName, Store store = Store::Chosen);
    // A connection to this server, whatever the program directory uses (set-up and backups of a server book).
    Connection(const QString& connectionName, const ServerSettings& server);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the connection when it is closed; true when it is open afterwards. error gets the reason otherwise:
    // for a server, a Chinese sentence naming it, then the server's or libpq's own text.
    bool open(QString* error = nullptr);
    bool isOpen() const;
    void close();
    // Open, and on a server still working: a connection the server has ended (a restart, a firewall closing an idle
    // connection) is noticed without a round trip and opened again, once. A connection lost inside a transaction is
    // not: the transaction is gone, and its statements must not run on without it until a rollback or a new
    // transaction. False with the reason, naming the server.
    bool ready(QString* error = nullptr);
    // A statement found the connection lost: it is closed, and *error gets what the user reads (naming the server,
    // then the technical text).
    void lost(const QString& detail, QString* error);
    // The libpq connection of a server connection that is open (nullptr otherwise).
    ::pg_conn* serverHandle() const;
    // This program's mark on its changes: every server session carries it, so that the program can tell the changes
    // other desktops announce from its own.
    static QString origin();

    QSqlDatabase database() const;
    QString name() const { return m_name; }
    // The store this connection reaches, decided without opening it.
    bool isServer() const;
    // The server it reaches (isServer() true), with the password given this run.
    ServerSettings server() const;
    const Dialect& dialect() const;
    // True when the last open failed because the server wants a password and none was given.
    bool needsPassword() const { return m_needsPassword; }

    // A transaction over this connection. It takes the write lock at once (waiting up to the lock timeout), so a
    // statement inside never fails half-way for a lock another connection or copy holds.
    bool beginTransaction(QString* error = nullptr);
    // Fails, and rolls back, when a statement inside failed and spoilt the transaction: nothing is then stored.
    bool commit(QString* error = nullptr);
    void rollback();
    // False once a failed statement has ended the transaction by itself (a full disk, for instance, does).
    bool inTransaction() const;
    // beginTransaction() succeeded and neither a commit nor a rollback has ended that transaction since.
    bool transactionBegun() const { return m_begun || m_broken; }
    // The server connection was lost inside the transaction begun last: nothing of it is stored.
    bool broken() const { return m_broken; }
    bool isUniqueViolation(const QSqlError& error) const;

    // Names of the database's user tables (system tables left out).
    bool userTables(QStringList* tables, QString* error = nullptr);

private:
    bool openFile(QSqlDatabase& db, QString* error);
    bool openServer(QSqlDatabase& db, const ServerSettings& server, QString* error);
    bool run(const QStringList& statements, QString* error);
    bool startTransaction(QString* error);
    // Closes the session and forgets its registration, keeping what the owner knows of its transaction.
    void drop();

    QString m_name;
    QString m_fileName;
    Store m_store = Store::Chosen;
    bool m_explicitServer = false;
    ServerSettings m_server;
    bool m_needsPassword = false;
    const Dialect* m_open = nullptr; // the dialect of the store it is open on
    bool m_begun = false;            // beginTransaction() succeeded and nothing has ended the transaction since
    bool m_broken = false;           // the server connection was lost inside a transaction, not yet rolled back
    qint64 m_reopenFailedAt = 0;     // when opening again after a loss last failed (ms since the epoch), and why
    QString m_reopenFailure;
};

} // namespace store
