#include "store/Dialect.h"

#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <libpq-fe.h>
#include <sqlite3.h>

namespace store {

namespace {

class Embedded final : public Dialect {
public:
    // Several connections and several running copies share the file; nothing committed may be lost on a crash.
    // The journal mode is set once in the installed database and never touched here.
    QStringList sessionSettings() const override
    {
        return {QStringLiteral("PRAGMA busy_timeout=5000"), QStringLiteral("PRAGMA synchronous=FULL")};
    }
    QStringList beginTransaction() const override { return {QStringLiteral("BEGIN IMMEDIATE")}; }
    QString userTables() const override
    {
        return QStringLiteral("select name from sqlite_master where type='table' and name not like 'sqlite_%'");
    }
    // The columns are COLLATE NOCASE: the statements compare names as they are written.
    QString statement(const QString& fixed) const override { return fixed; }
    QString returningKey(const QString&) const override { return QString(); }
    bool isUniqueViolation(const QSqlError& e) const override
    {
        // SQLite's extended result code 2067 is SQLITE_CONSTRAINT_UNIQUE; 19 is the plain constraint code.
        return e.nativeErrorCode() == QLatin1String("2067") || e.nativeErrorCode() == QLatin1String("19") ||
               e.databaseText().contains(QLatin1String("UNIQUE constraint failed"));
    }
    // A failed statement ends SQLite's transaction by itself (a full disk does) or leaves it usable: SQLite says
    // which.
    bool inTransaction(const QSqlDatabase& db, bool) const override
    {
        sqlite3* handle = nativeHandle(db);
        return handle && sqlite3_get_autocommit(handle) == 0;
    }
    bool photosInBook() const override { return false; }
    bool readTexts(const QSqlDatabase& db, const QString& fixed, const TextSink& sink, QString* error) const override
    {
        sqlite3* handle = nativeHandle(db);
        if (!handle) {
            if (error)
                *error = QStringLiteral("The connection is not open on a database file.");
            return false;
        }
        return readSqliteTexts(handle, statement(fixed).toUtf8(), sink, error);
    }
    // The connection never sees its own changes as another's; the readers that ask never write.
    bool dataVersion(const QSqlDatabase& db, qint64* version) const override
    {
        sqlite3* handle = nativeHandle(db);
        sqlite3_stmt* st = nullptr;
        const bool ok = handle && sqlite3_prepare_v2(handle, "PRAGMA data_version", -1, &st, nullptr) == SQLITE_OK &&
                        sqlite3_step(st) == SQLITE_ROW;
        if (ok)
            *version = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return ok;
    }

private:
    static sqlite3* nativeHandle(const QSqlDatabase& db)
    {
        const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
        if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
            return nullptr;
        return *static_cast<sqlite3* const*>(handle.data());
    }
};

class Server final : public Dialect {
public:
    // lock_timeout waits for another writer as SQLite's busy_timeout does; every commit reaches the server's disk.
    QStringList sessionSettings() const override
    {
        return {QStringLiteral("SET lock_timeout = '5s'"), QStringLiteral("SET synchronous_commit = on")};
    }
    // SHARE ROW EXCLUSIVE admits readers and keeps every other writer of these tables waiting until the end,
    // as SQLite's BEGIN IMMEDIATE does; it needs no more than the running program's UPDATE right.
    QStringList beginTransaction() const override
    {
        return {QStringLiteral("BEGIN"), QStringLiteral("LOCK TABLE main, user1, photo IN SHARE ROW EXCLUSIVE MODE")};
    }
    QString userTables() const override
    {
        return QStringLiteral("select tablename from pg_catalog.pg_tables where schemaname = current_schema()");
    }
    QString statement(const QString& fixed) const override
    {
        static QMutex mutex;
        static QHash<QString, QString> done;
        const QMutexLocker lock(&mutex);
        const auto found = done.constFind(fixed);
        if (found != done.constEnd())
            return *found;
        // Only the conditions after "where" compare names; an assignment to a name must stay as it is.
        static const QRegularExpression where(QStringLiteral("\\bwhere\\b"), QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression comparison(QStringLiteral("(^|[\\s(,])(姓名|用户)\\s*=\\s*(:[A-Za-z_]\\w*)"));
        const QRegularExpressionMatch at = where.match(fixed);
        QString result = fixed;
        if (at.hasMatch()) {
            QString condition = fixed.mid(at.capturedEnd());
            QString rewritten;
            qsizetype from = 0;
            for (auto it = comparison.globalMatch(condition); it.hasNext();) {
                const QRegularExpressionMatch m = it.next();
                rewritten += condition.mid(from, m.capturedStart() - from) + m.captured(1) + foldedName(m.captured(2)) +
                             QLatin1Char('=') + foldedName(m.captured(3));
                from = m.capturedEnd();
            }
            condition = rewritten + condition.mid(from);
            result = fixed.left(at.capturedEnd()) + condition;
        }
        done.insert(fixed, result);
        return result;
    }
    QString returningKey(const QString& key) const override
    {
        QString quoted = key;
        quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
        return QStringLiteral(" returning \"%1\"").arg(quoted);
    }
    // SQLSTATE 23505: unique_violation.
    bool isUniqueViolation(const QSqlError& e) const override { return e.nativeErrorCode() == QLatin1String("23505"); }
    // Statements run through libpq and take their whole answer, so libpq's own status is current: a transaction a
    // failed statement spoilt is "in error". A statement of Qt's driver still under way leaves it "active": the
    // transaction is then asked, and a spoilt one refuses even this.
    bool inTransaction(const QSqlDatabase& db, bool begun) const override
    {
        if (!begun || !db.isOpen())
            return false;
        const QVariant handle = db.driver()->handle();
        if (qstrcmp(handle.typeName(), "pg_conn*") == 0 || qstrcmp(handle.typeName(), "PGconn*") == 0) {
            const PGTransactionStatusType status = PQtransactionStatus(*static_cast<PGconn* const*>(handle.data()));
            if (status != PQTRANS_ACTIVE)
                return status == PQTRANS_INTRANS;
        }
        QSqlQuery probe(db);
        return probe.exec(QStringLiteral("SELECT 1"));
    }
    bool photosInBook() const override { return true; }
    bool readTexts(const QSqlDatabase& db, const QString& fixed, const TextSink& sink, QString* error) const override
    {
        const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
        // Qt's driver names the handle by the struct's own tag.
        if (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0) {
            if (error)
                *error = QStringLiteral("The connection is not open on a server.");
            return false;
        }
        return readServerTexts(*static_cast<pg_conn* const*>(handle.data()), statement(fixed).toUtf8(), sink, error);
    }
    // Nothing on the server tells cheaply that the book is unchanged: every whole-table read reads.
    bool dataVersion(const QSqlDatabase&, qint64*) const override { return false; }
};

} // namespace

const Dialect& Dialect::embedded()
{
    static const Embedded dialect;
    return dialect;
}

const Dialect& Dialect::server()
{
    static const Server dialect;
    return dialect;
}

QString Dialect::foldedName(const QString& expression)
{
    return QStringLiteral("translate(%1, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')").arg(expression);
}

} // namespace store
