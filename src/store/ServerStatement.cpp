#include "store/ServerStatement.h"

#include <QSqlField>

#include <libpq-fe.h>

namespace store {

namespace {

// Type numbers of the server's catalogue (pg_type.oid) that are not text.
enum : Oid {
    BoolOid = 16,
    ByteaOid = 17,
    Int8Oid = 20,
    Int2Oid = 21,
    Int4Oid = 23,
    OidOid = 26,
    Float4Oid = 700,
    Float8Oid = 701,
    NumericOid = 1700
};

QMetaType typeOf(Oid oid)
{
    switch (oid) {
    case BoolOid:
        return QMetaType(QMetaType::Bool);
    case ByteaOid:
        return QMetaType(QMetaType::QByteArray);
    case Int8Oid:
        return QMetaType(QMetaType::LongLong);
    case Int2Oid:
    case Int4Oid:
        return QMetaType(QMetaType::Int);
    case OidOid:
        return QMetaType(QMetaType::UInt);
    case Float4Oid:
    case Float8Oid:
    case NumericOid:
        return QMetaType(QMetaType::Double);
    default:
        return QMetaType(QMetaType::QString);
    }
}

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

} // namespace

ServerStatement::~ServerStatement()
{
    clear();
}

void ServerStatement::clear()
{
    if (m_result)
        PQclear(m_result);
    m_result = nullptr;
}

QList<QPair<qsizetype, qsizetype>> ServerStatement::placeholders(const QString& statement)
{
    QList<QPair<qsizetype, qsizetype>> spans;
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
        // "::" is the server's cast, not a placeholder.
        const bool cast = (i + 1 < statement.size() && statement.at(i + 1) == QLatin1Char(':')) ||
                          (i > 0 && statement.at(i - 1) == QLatin1Char(':'));
        if (c == QLatin1Char(':') && !cast && i + 1 < statement.size() &&
            (statement.at(i + 1).isLetter() || statement.at(i + 1) == QLatin1Char('_'))) {
            qsizetype j = i + 1;
            while (j < statement.size() && isNameChar(statement.at(j)))
                ++j;
            spans.append({i, j});
            i = j - 1;
        }
    }
    return spans;
}

QString ServerStatement::positional(const QString& statement, QStringList* names)
{
    names->clear();
    QString out;
    out.reserve(statement.size());
    qsizetype done = 0;
    for (const auto& [start, end] : placeholders(statement)) {
        const QString name = statement.mid(start + 1, end - start - 1);
        qsizetype number = -1;
        for (qsizetype k = 0; k < names->size() && number < 0; ++k) {
            if (names->at(k).compare(name, Qt::CaseInsensitive) == 0)
                number = k;
        }
        if (number < 0) {
            names->append(name);
            number = names->size() - 1;
        }
        out += QStringView(statement).mid(done, start - done);
        out += QLatin1Char('$') + QString::number(number + 1);
        done = end;
    }
    out += QStringView(statement).mid(done);
    return out;
}

bool ServerStatement::exec(pg_conn* connection, const QByteArray& statement, const QList<QVariant>& values)
{
    clear();
    std::vector<QByteArray> bytes(size_t(values.size()));
    std::vector<const char*> pointers(size_t(values.size()), nullptr);
    std::vector<int> lengths(size_t(values.size()), 0);
    std::vector<int> formats(size_t(values.size()), 0);
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QVariant& v = values.at(i);
        const auto k = size_t(i);
        if (v.isNull())
            continue;
        if (v.typeId() == QMetaType::QByteArray) {
            bytes[k] = v.toByteArray();
            formats[k] = 1;
        } else if (v.typeId() == QMetaType::Bool) {
            bytes[k] = v.toBool() ? "t" : "f";
        } else {
            bytes[k] = v.toString().toUtf8();
        }
        pointers[k] = bytes[k].constData();
        lengths[k] = int(bytes[k].size());
    }
    // The server takes each value's type from where it stands in the statement.
    return finish(connection, PQexecParams(connection, statement.constData(), int(values.size()), nullptr,
                                           pointers.data(), lengths.data(), formats.data(), 0));
}

bool ServerStatement::run(pg_conn* connection, const QByteArray& statements)
{
    clear();
    return finish(connection, PQexec(connection, statements.constData()));
}

bool ServerStatement::finish(pg_conn* connection, pg_result* result)
{
    m_error = QSqlError();
    m_lost = false;
    m_result = result;
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return true;
    m_lost = PQstatus(connection) == CONNECTION_BAD;
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    QString text = QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(connection)).trimmed();
    if (text.isEmpty())
        text = QString::fromUtf8(PQerrorMessage(connection)).trimmed();
    m_error = QSqlError(QString(), text, QSqlError::StatementError, QString::fromLatin1(state ? state : ""));
    clear();
    return false;
}

int ServerStatement::rows() const
{
    return m_result ? PQntuples(m_result) : 0;
}

int ServerStatement::columns() const
{
    return m_result ? PQnfields(m_result) : 0;
}

QSqlRecord ServerStatement::record() const
{
    QSqlRecord record;
    for (int i = 0; i < columns(); ++i) {
        QSqlField field(QString::fromUtf8(PQfname(m_result, i)), typeOf(PQftype(m_result, i)));
        record.append(field);
    }
    return record;
}

QVariant ServerStatement::value(int row, int column) const
{
    if (!m_result || row < 0 || row >= rows() || column < 0 || column >= columns())
        return QVariant();
    const Oid oid = PQftype(m_result, column);
    if (PQgetisnull(m_result, row, column))
        return QVariant(typeOf(oid));
    const char* text = PQgetvalue(m_result, row, column);
    switch (oid) {
    case BoolOid:
        return text[0] == 't';
    case ByteaOid: {
        size_t length = 0;
        unsigned char* data = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &length);
        const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(length));
        PQfreemem(data);
        return bytes;
    }
    case Int8Oid:
        return QByteArray::fromRawData(text, qstrlen(text)).toLongLong();
    case Int2Oid:
    case Int4Oid:
        return QByteArray::fromRawData(text, qstrlen(text)).toInt();
    case OidOid:
        return QByteArray::fromRawData(text, qstrlen(text)).toUInt();
    case Float4Oid:
    case Float8Oid:
    case NumericOid:
        return QByteArray::fromRawData(text, qstrlen(text)).toDouble();
    default:
        return QString::fromUtf8(text, PQgetlength(m_result, row, column));
    }
}

int ServerStatement::rowsAffected() const
{
    return m_result ? QByteArray(PQcmdTuples(m_result)).toInt() : 0;
}

bool ServerStatement::isAlive(pg_conn* connection)
{
    if (!connection || PQstatus(connection) != CONNECTION_OK)
        return false;
    // Reads what the server has sent meanwhile without waiting. A server that ends a session sends its reason
    // first, then closes: the second read meets the end.
    for (int read = 0; read < 2 && PQstatus(connection) == CONNECTION_OK; ++read)
        PQconsumeInput(connection);
    return PQstatus(connection) == CONNECTION_OK;
}

} // namespace store
