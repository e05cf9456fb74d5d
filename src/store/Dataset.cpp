#include "store/Dataset.h"

#include "store/Connection.h"
#include "store/Dialect.h"
#include "store/Query.h"

#include <QSqlField>

namespace store {

namespace {
QString quoted(const QString& identifier)
{
    QString q = identifier;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}
} // namespace

Dataset::Dataset(const QString& table, const QString& keyField) : m_table(table), m_keyField(keyField)
{
}

void Dataset::setStatement(const QString& statement)
{
    m_statement = statement;
    m_parameters.clear();
}

void Dataset::setParameter(const QString& name, const QString& value)
{
    for (auto& p : m_parameters) {
        if (p.first.compare(name, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    }
    m_parameters.append({name, value});
}

bool Dataset::open(bool readRows)
{
    close();
    m_error.clear();
    if (!m_connection) {
        m_error = QStringLiteral("Missing Connection or ConnectionString");
        return false;
    }
    Query q(*m_connection, m_statement);
    for (const auto& [name, value] : std::as_const(m_parameters))
        q.bind(name, value);
    if (!q.exec()) {
        m_error = q.errorText();
        return false;
    }
    m_columns = q.record();
    for (int i = 0; i < m_columns.count(); ++i)
        m_columns.setValue(i, QVariant());
    if (readRows) {
        while (q.next())
            m_rows.push_back(q.record());
        if (!q.errorText().isEmpty()) {
            m_error = q.errorText();
            m_rows.clear();
            return false;
        }
    }
    q.finish();
    m_current = m_rows.empty() ? -1 : 0;
    m_state = State::Browse;
    return true;
}

void Dataset::close()
{
    m_rows.clear();
    m_current = -1;
    m_pending = QSqlRecord();
    m_changed.clear();
    m_state = State::Closed;
}

void Dataset::setCurrentIndex(int index)
{
    if (index >= 0 && index < rowCount())
        m_current = index;
}

void Dataset::append()
{
    if (m_state == State::Closed)
        return;
    m_pending = m_columns;
    m_changed.clear();
    m_originalKey.clear();
    m_state = State::Append;
}

bool Dataset::edit()
{
    if (m_state == State::Closed || m_current < 0)
        return false;
    if (m_state == State::Edit)
        return true;
    m_pending = m_rows[size_t(m_current)];
    m_originalKey = m_pending.value(m_keyField).toString();
    m_changed.clear();
    m_state = State::Edit;
    return true;
}

void Dataset::cancel()
{
    if (m_state == State::Append || m_state == State::Edit) {
        m_pending = QSqlRecord();
        m_changed.clear();
        m_state = State::Browse;
    }
}

QSqlRecord* Dataset::currentRecord()
{
    if (m_state == State::Append || m_state == State::Edit)
        return &m_pending;
    if (m_current >= 0 && m_current < rowCount())
        return &m_rows[size_t(m_current)];
    return nullptr;
}

const QSqlRecord* Dataset::currentRecord() const
{
    return const_cast<Dataset*>(this)->currentRecord();
}

QString Dataset::field(const QString& name) const
{
    const QSqlRecord* r = currentRecord();
    if (!r)
        return QString();
    const QVariant v = r->value(name);
    return v.isNull() ? QString() : v.toString();
}

void Dataset::setField(const QString& name, const QString& value)
{
    if (m_state != State::Append && m_state != State::Edit)
        return;
    const int i = m_pending.indexOf(name);
    if (i < 0)
        return;
    m_pending.setValue(i, value);
    const QString exact = m_pending.fieldName(i);
    // An edit writes back only the fields whose text differs from what was read: another window or copy may have
    // changed the others since, and writing them back unchanged would silently undo that change.
    if (m_state == State::Edit) {
        const QVariant read = m_rows[size_t(m_current)].value(i);
        if ((read.isNull() ? QString() : read.toString()) == value) {
            m_changed.removeAll(exact);
            return;
        }
    }
    if (!m_changed.contains(exact))
        m_changed.append(exact);
}

bool Dataset::hasField(const QString& name) const
{
    return m_columns.indexOf(name) >= 0;
}

QStringList Dataset::fieldNames() const
{
    QStringList names;
    for (int i = 0; i < m_columns.count(); ++i)
        names.append(m_columns.fieldName(i));
    return names;
}

bool Dataset::numberedKey() const
{
    return m_keyField.compare(QLatin1String("id"), Qt::CaseInsensitive) == 0 && m_columns.indexOf(m_keyField) >= 0;
}

bool Dataset::post()
{
    m_error.clear();
    m_unique = false;
    // A closed dataset ignored append() and setField(): saying "stored" here would lose the caller's record.
    if (m_state == State::Closed) {
        m_error = QStringLiteral("The dataset is closed; nothing was stored.");
        return false;
    }
    if (m_state != State::Append && m_state != State::Edit)
        return true;
    if (!m_connection) {
        m_error = QStringLiteral("Missing Connection or ConnectionString");
        return false;
    }
    // Column names come from the table itself, values are bound: no user text reaches the statement.
    QStringList columns;
    for (const QString& name : std::as_const(m_changed)) {
        if (name.compare(QLatin1String("id"), Qt::CaseInsensitive) != 0 || m_state == State::Edit)
            columns.append(name);
    }
    QString statement;
    if (m_state == State::Append) {
        QStringList names;
        QStringList params;
        for (int i = 0; i < columns.size(); ++i) {
            names.append(quoted(columns.at(i)));
            params.append(QStringLiteral(":p%1").arg(i));
        }
        statement = names.isEmpty() ? QStringLiteral("insert into %1 default values").arg(quoted(m_table))
                                    : QStringLiteral("insert into %1 (%2) values (%3)")
                                          .arg(quoted(m_table), names.join(QLatin1Char(',')),
                                               params.join(QLatin1Char(',')));
        if (numberedKey())
            statement += m_connection->dialect().returningKey(m_keyField);
    } else {
        if (columns.isEmpty()) {
            m_rows[size_t(m_current)] = m_pending;
            m_state = State::Browse;
            return true;
        }
        QStringList sets;
        for (int i = 0; i < columns.size(); ++i)
            sets.append(QStringLiteral("%1=:p%2").arg(quoted(columns.at(i))).arg(i));
        statement = QStringLiteral("update %1 set %2 where %3=:key")
                        .arg(quoted(m_table), sets.join(QLatin1Char(',')), quoted(m_keyField));
    }
    Query q(*m_connection, statement);
    for (int i = 0; i < columns.size(); ++i) {
        const QVariant v = m_pending.value(columns.at(i));
        q.bind(QStringLiteral("p%1").arg(i), v.isNull() ? QString() : v.toString());
    }
    if (m_state == State::Edit)
        q.bind(QStringLiteral("key"), m_originalKey);
    if (!q.exec()) {
        m_error = q.errorText();
        m_unique = q.uniqueViolation();
        return false;
    }
    if (m_state == State::Edit && q.numRowsAffected() == 0) {
        m_error = QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read.");
        return false;
    }
    if (m_state == State::Append) {
        // The database numbers the new row; without its id an edit of this row could never find it again.
        const int key = m_pending.indexOf(m_keyField);
        if (key >= 0 && m_pending.isNull(key) && numberedKey())
            m_pending.setValue(key, m_connection->dialect().returningKey(m_keyField).isEmpty()
                                        ? q.lastInsertId()
                                        : (q.next() ? QVariant(q.text(0)) : QVariant()));
        m_rows.push_back(m_pending);
        m_current = rowCount() - 1;
    } else {
        m_rows[size_t(m_current)] = m_pending;
    }
    m_pending = QSqlRecord();
    m_changed.clear();
    m_state = State::Browse;
    return true;
}

} // namespace store
