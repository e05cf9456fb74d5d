#pragma once

#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>

namespace store {

class Connection;

// One fixed statement over a connection, with named parameters bound as text. Parameter names are matched
// without regard to case (callers bind "UserName" to ":username"). Rows are read forward only, and the
// statement is finished as soon as it is read to the end or the query goes away: an open SELECT would hold a
// read snapshot and keep this connection from seeing other connections' new rows.
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
    QVariant value(int column) const { return m_query.value(column); }
    int column(const QString& field) const;
    QSqlRecord record() const { return m_query.record(); }
    int numRowsAffected() const { return m_query.numRowsAffected(); }
    // Row id given to the row the last successful INSERT stored (invalid otherwise).
    QVariant lastInsertId() const { return m_query.lastInsertId(); }

    QString errorText() const { return m_error; }
    // True when the last failure was a UNIQUE constraint (a second record of the same name).
    bool uniqueViolation() const { return m_unique; }

    static QStringList placeholders(const QString& statement);

private:
    void bindValue(const QString& name, const QVariant& value);

    Connection& m_connection;
    QString m_statement;
    QStringList m_placeholders;
    QList<QPair<QString, QVariant>> m_bindings;
    QSqlQuery m_query;
    QString m_error;
    bool m_unique = false;
    bool m_prepared = false;
};

} // namespace store
