#pragma once

#include <QSqlError>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QList>
#include <QPair>
#include <QVariant>

#include <vector>

struct pg_conn;
struct pg_result;

namespace store {

// One statement on a server connection through libpq itself: the text and its values travel together in one round
// trip, each value bound as a parameter (never formatted into the text), and the whole answer comes back at once.
// Qt's driver needs three round trips for a bound statement (PREPARE, EXECUTE, DEALLOCATE), which an office's
// network makes the larger part of every save.
class ServerStatement {
public:
    ServerStatement() = default;
    ~ServerStatement();
    ServerStatement(const ServerStatement&) = delete;
    ServerStatement& operator=(const ServerStatement&) = delete;

    // A statement with named placeholders (":name") as the server takes it: "$1", "$2" … in the order the names
    // first appear, the same number for a name used twice. Quoted text is left alone. *names gets the names.
    static QString positional(const QString& statement, QStringList* names);
    // Where the named placeholders stand: from the colon to the end of the name. Quoted text and "::" casts hold none.
    static QList<QPair<qsizetype, qsizetype>> placeholders(const QString& statement);

    // Runs a positional statement with these values: NULL for a null value, bytes as binary data, anything else as
    // its text. False with the server's error when it fails.
    bool exec(pg_conn* connection, const QByteArray& statement, const QList<QVariant>& values);
    // Several statements without values, in one round trip (session settings, BEGIN with its lock).
    bool run(pg_conn* connection, const QByteArray& statements);
    void clear();

    int rows() const;
    int columns() const;
    // The column names and types, values null.
    QSqlRecord record() const;
    // A value as Qt's types hold it: text, whole numbers, bytes (bytea), a null of the column's type for NULL.
    QVariant value(int row, int column) const;
    int rowsAffected() const;

    // The failure of the last exec() or run(): the server's text and its SQLSTATE as the native code.
    QSqlError error() const { return m_error; }
    // True when the last failure ended the connection itself (the server went away, the network broke).
    bool lostConnection() const { return m_lost; }

    // Whether a connection still works, found without a round trip: input the server already sent is read, and a
    // server that has closed the connection (a restart, an administrator) is noticed here.
    static bool isAlive(pg_conn* connection);

private:
    bool finish(pg_conn* connection, pg_result* result);

    pg_result* m_result = nullptr;
    QSqlError m_error;
    bool m_lost = false;
};

} // namespace store
