#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace store {

// One named connection to a database file of the program directory, owned by one window or module.
// It never creates a missing database and never alters the file's header: it only opens and reads/writes rows.
class Connection {
public:
    // connectionName must be unique in the process ("login.acper", "main.acper" ...); fileName is relative to
    // the program directory ("call.mdb", "qh.mdb").
    Connection(const QString& connectionName, const QString& fileName);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the connection when it is closed; true when it is open afterwards. error gets the reason otherwise.
    bool open(QString* error = nullptr);
    bool isOpen() const;
    void close();

    QSqlDatabase database() const;
    QString name() const { return m_name; }

    // A transaction over this connection. It takes the write lock at once (waiting up to the busy timeout), so a
    // statement inside never fails half-way for a lock another connection or copy holds.
    bool beginTransaction(QString* error = nullptr);
    bool commit(QString* error = nullptr);
    void rollback();
    // False once a failed statement has ended the transaction by itself (a full disk, for instance, does).
    bool inTransaction() const;

    // Names of the database's user tables (system tables left out).
    bool userTables(QStringList* tables, QString* error = nullptr);

private:
    QString m_name;
    QString m_fileName;
};

} // namespace store
