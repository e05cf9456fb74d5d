#include "store/Query.h"

#include "store/Connection.h"
#include "store/Dialect.h"
#include "store/ServerStatement.h"

#include <QSqlDriver>
#include <QSqlError>

namespace store {

Query::Query(Connection& connection, const char* statement) : Query(connection, QString::fromUtf8(statement))
{
}

Query::Query(Connection& connection, const QString& statement)
    : m_connection(connection), m_statement(statement), m_placeholders(placeholders(statement))
{
}

Query::~Query()
{
    finish();
}

QStringList Query::placeholders(const QString& statement)
{
    QStringList names;
    for (const auto& [start, end] : ServerStatement::placeholders(statement))
        names.append(statement.mid(start, end - start));
    return names;
}

void Query::bindValue(const QString& name, const QVariant& value)
{
    const QString wanted = name.startsWith(QLatin1Char(':')) ? name : QLatin1Char(':') + name;
    // Binding a name again replaces its value, so one query can run for many values.
    for (auto& binding : m_bindings) {
        if (binding.first.compare(wanted, Qt::CaseInsensitive) == 0) {
            binding.second = value;
            return;
        }
    }
    m_bindings.append({wanted, value});
}

bool Query::exec()
{
    m_error.clear();
    m_unique = false;
    finish();
    if (!m_connection.ready(&m_error))
        return false;
    if (m_connection.serverHandle())
        return execOnServer();
    m_server.reset();
    if (!m_connection.isOpen())
        m_prepared = false;
    // A query that runs again keeps its prepared statement: deleting many rows by name prepares once.
    if (!m_prepared) {
        m_query = QSqlQuery(m_connection.database());
        m_query.setForwardOnly(true);
        if (!m_query.prepare(m_connection.dialect().statement(m_statement))) {
            m_error = m_query.lastError().text();
            return false;
        }
        m_prepared = true;
    }
    for (const QString& placeholder : std::as_const(m_placeholders)) {
        for (const auto& [name, value] : std::as_const(m_bindings)) {
            if (name.compare(placeholder, Qt::CaseInsensitive) == 0) {
                m_query.bindValue(placeholder, value);
                break;
            }
        }
    }
    if (!m_query.exec()) {
        const QSqlError e = m_query.lastError();
        m_error = e.text();
        m_unique = m_connection.isUniqueViolation(e);
        m_query.finish();
        return false;
    }
    return true;
}

QVariant Query::boundValue(const QString& name) const
{
    for (const auto& [bound, value] : std::as_const(m_bindings)) {
        if (bound.mid(1).compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return QVariant();
}

bool Query::execOnServer()
{
    if (!m_server) {
        m_server = std::make_unique<ServerStatement>();
        m_positional = ServerStatement::positional(m_connection.dialect().statement(m_statement), &m_names).toUtf8();
    }
    QList<QVariant> values;
    values.reserve(m_names.size());
    for (const QString& name : std::as_const(m_names))
        values.append(boundValue(name));
    // Only a read may run again: a change whose answer was lost may have been stored.
    const bool read = m_statement.trimmed().startsWith(QLatin1String("select"), Qt::CaseInsensitive);
    bool ok = m_server->exec(m_connection.serverHandle(), m_positional, values);
    if (!ok && m_server->lostConnection() && read && !m_connection.transactionBegun()) {
        m_connection.close();
        if (!m_connection.ready(&m_error))
            return false;
        ok = m_server->exec(m_connection.serverHandle(), m_positional, values);
    }
    if (!ok) {
        const QSqlError e = m_server->error();
        if (m_server->lostConnection())
            m_connection.lost(e.databaseText(), &m_error);
        else
            m_error = e.databaseText();
        m_unique = m_connection.isUniqueViolation(e);
        return false;
    }
    m_fields = m_server->record();
    m_row = -1;
    return true;
}

bool Query::next()
{
    if (m_server) {
        if (m_row + 1 < m_server->rows()) {
            ++m_row;
            return true;
        }
        finish();
        return false;
    }
    if (!m_query.isActive())
        return false;
    if (m_query.next())
        return true;
    if (m_query.lastError().isValid())
        m_error = m_query.lastError().text();
    m_query.finish();
    return false;
}

void Query::finish()
{
    if (m_server) {
        m_server->clear();
        m_row = -1;
    }
    if (m_query.isActive())
        m_query.finish();
}

QVariant Query::value(int column) const
{
    return m_server ? m_server->value(m_row, column) : m_query.value(column);
}

QString Query::text(const QString& field) const
{
    return text(column(field));
}

QString Query::text(int column) const
{
    if (column < 0)
        return QString();
    const QVariant v = value(column);
    return v.isNull() ? QString() : v.toString();
}

int Query::column(const QString& field) const
{
    return m_server ? m_fields.indexOf(field) : m_query.record().indexOf(field);
}

QSqlRecord Query::record() const
{
    if (!m_server)
        return m_query.record();
    QSqlRecord r = m_fields;
    if (m_row >= 0) {
        for (int i = 0; i < r.count(); ++i)
            r.setValue(i, m_server->value(m_row, i));
    }
    return r;
}

int Query::numRowsAffected() const
{
    return m_server ? m_server->rowsAffected() : m_query.numRowsAffected();
}

QVariant Query::lastInsertId() const
{
    return m_server ? QVariant() : m_query.lastInsertId();
}

} // namespace store
