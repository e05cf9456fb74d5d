#include "store/Query.h"

#include "store/Connection.h"
#include "store/Dialect.h"

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
    QChar quote;
    for (qsizetype i = 0; i < statement.size(); ++i) {
        const QChar c = statement.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            continue;
        }
        if (c == QLatin1Char(':') && i + 1 < statement.size()
            && (statement.at(i + 1).isLetter() || statement.at(i + 1) == QLatin1Char('_'))) {
            qsizetype j = i + 1;
            while (j < statement.size() && (statement.at(j).isLetterOrNumber() || statement.at(j) == QLatin1Char('_')))
                ++j;
            names.append(statement.mid(i, j - i));
            i = j - 1;
        }
    }
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
    if (!m_connection.isOpen())
        m_prepared = false;
    if (!m_connection.open(&m_error))
        return false;
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

bool Query::next()
{
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
    if (m_query.isActive())
        m_query.finish();
}

QString Query::text(const QString& field) const
{
    return text(column(field));
}

QString Query::text(int column) const
{
    if (column < 0)
        return QString();
    const QVariant v = m_query.value(column);
    return v.isNull() ? QString() : v.toString();
}

int Query::column(const QString& field) const
{
    return m_query.record().indexOf(field);
}

} // namespace store
