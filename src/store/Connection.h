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

    // Names of the database's user tables (system tables left out).
    bool userTables(QStringList* tables, QString* error = nullptr);

private:
    QString m_name;
    QString m_fileName;
};

} // namespace store
