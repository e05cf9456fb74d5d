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
            m_posted = {m_state, m_pending, m_changed, m_originalKey, m_rows[size_t(m_current)]};
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
    m_posted = {m_state, m_pending, m_changed, m_originalKey,
                 m_state == State::Edit ? m_rows[size_t(m_current)] : QSqlRecord()};
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

namespace {

QString textOf(const QSqlRecord& record, const QString& field)
{
    const QVariant v = record.value(field);
    return v.isNull() ? QString() : v.toString();
}

} // namespace

QList<Dataset::Clash> Dataset::clashesOf(const QSqlRecord& read, const QSqlRecord& mine, const QSqlRecord& now,
                                         const QStringList& changed)
{
    QList<Clash> clashes;
    for (const QString& field : changed) {
        const QString theirs = textOf(now, field);
        const QString written = textOf(mine, field);
        if (theirs != textOf(read, field) && theirs != written)
            clashes.append({field, theirs, written});
    }
    return clashes;
}

bool Dataset::reread(QSqlRecord* now, bool* found)
{
    m_error.clear();
    *found = false;
    if (m_state != State::Edit || !m_connection) {
        m_error = QStringLiteral("The dataset is not editing a row.");
        return false;
    }
    Query q(*m_connection, QStringLiteral("select * from %1 where %2=:key").arg(quoted(m_table), quoted(m_keyField)));
    q.bind(QStringLiteral("key"), m_originalKey);
    if (!q.exec()) {
        m_error = q.errorText();
        return false;
    }
    *found = q.next();
    if (*found)
        *now = q.record();
    q.finish();
    if (!q.errorText().isEmpty()) {
        m_error = q.errorText();
        return false;
    }
    return true;
}

QList<Dataset::Clash> Dataset::clashes(const QSqlRecord& now) const
{
    if (m_state != State::Edit)
        return {};
    return clashesOf(m_rows[size_t(m_current)], m_pending, now, m_changed);
}

void Dataset::rebase(const QString& field, const QString& stored)
{
    if (m_state != State::Edit || m_rows[size_t(m_current)].indexOf(field) < 0)
        return;
    m_rows[size_t(m_current)].setValue(field, stored);
    setField(field, textOf(m_pending, field));
}

void Dataset::reappend()
{
    if (m_state != State::Edit)
        return;
    m_changed.clear();
    for (int i = 0; i < m_pending.count(); ++i) {
        const QString name = m_pending.fieldName(i);
        if (name.compare(m_keyField, Qt::CaseInsensitive) == 0 && numberedKey())
            m_pending.setNull(i);
        else if (!m_pending.isNull(i))
            m_changed.append(name);
    }
    m_originalKey.clear();
    m_state = State::Append;
}

void Dataset::unpost()
{
    if (m_posted.state == State::Append && m_state == State::Browse && !m_rows.empty()) {
        m_rows.pop_back();
        m_current = m_rows.empty() ? -1 : rowCount() - 1;
    } else if (m_posted.state == State::Edit && m_state == State::Browse && m_current >= 0) {
        m_rows[size_t(m_current)] = m_posted.replaced;
    } else {
        return;
    }
    m_state = m_posted.state;
    m_pending = m_posted.pending;
    m_changed = m_posted.changed;
    m_originalKey = m_posted.originalKey;
    m_posted = Posted();
}

} // namespace store
