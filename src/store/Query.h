#pragma once

#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>

#include <memory>

namespace store {

class Connection;
class ServerStatement;

// One fixed statement over a connection, with named parameters bound as text. Parameter names are matched
// without regard to case (callers bind "UserName" to ":username"). Rows are read forward only, and the
// statement is finished as soon as it is read to the end or the query goes away: an open SELECT would hold a
// read snapshot and keep this connection from seeing other connections' new rows. On a server the statement and
// its values go in one round trip and the answer comes whole (ServerStatement); a read that finds the connection
// lost runs once more on a new one.
class Query {
public:
    Query(Connection& connection, const char* statement);
    Query(Connection& connection, const QString& statement);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // Binding a name that is already bound replaces its value.
    void bind(const QString& name, const QString& value) { bindValue(name, value); }
    // Bytes (a photo), bound as binary data.
    void bind(const QString& name, const QByteArray& bytes) { bindValue(name, bytes); }
    void bind(const QString& name, const char* value) { bindValue(name, QString::fromUtf8(value)); }
    // A value as read from another store: a number stays a number, NULL stays NULL.
    void bind(const QString& name, const QVariant& value) { bindValue(name, value); }
    // Opens the connection if needed (a connection opens with its first statement), prepares, binds, runs.
    bool exec();
    bool next();
    void finish();

    // Field of the current row by name: as text (empty for NULL), or as a whole number.
    QString text(const QString& field) const;
    QString text(int column) const;
    QVariant value(int column) const;
    int column(const QString& field) const;
    // The columns, with the current row's values.
    QSqlRecord record() const;
    int numRowsAffected() const;
    // Row id given to the row the last successful INSERT stored (invalid otherwise, and on a server: its INSERT
    // returns the key instead).
    QVariant lastInsertId() const;

    QString errorText() const { return m_error; }
    // True when the last failure was a UNIQUE constraint (a second record of the same name).
    bool uniqueViolation() const { return m_unique; }

    static QStringList placeholders(const QString& statement);

private:
    void bindValue(const QString& name, const QVariant& value);
    bool execOnServer();
    QVariant boundValue(const QString& name) const;

    Connection& m_connection;
    QString m_statement;
    QStringList m_placeholders;
    QList<QPair<QString, QVariant>> m_bindings;
    QSqlQuery m_query;
    QString m_error;
    bool m_unique = false;
    bool m_prepared = false;
    // On a server: the statement in the server's own form, its placeholders' names by number, the answer and the
    // row read last.
    std::unique_ptr<ServerStatement> m_server;
    QByteArray m_positional;
    QStringList m_names;
    QSqlRecord m_fields;
    int m_row = -1;
};

} // namespace store
