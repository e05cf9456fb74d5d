#include "backup/Database.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>

namespace backup {

namespace {

// One sqlite3 connection, closed however the function leaves.
class Handle {
public:
    Handle() = default;
    ~Handle() { sqlite3_close_v2(m_db); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    bool open(const QString& file, int flags, QString* error)
    {
        const int rc =
            sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK) {
            fail(error, QStringLiteral("无法打开数据库 %1").arg(file));
            return false;
        }
        sqlite3_busy_timeout(m_db, 5000);
        // Archives come from outside: a crafted schema must not run anything or corrupt memory.
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
        return true;
    }
    sqlite3* get() const { return m_db; }

    // The message with SQLite's own reason, for the error text.
    void fail(QString* error, const QString& what) const
    {
        if (error)
            *error = QStringLiteral("%1：%2").arg(what, m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString());
    }

    // Every row's first column of a statement with no parameters.
    bool column(const char* sql, QStringList* out, QString* error) const
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr) != SQLITE_OK) {
            fail(error, QStringLiteral("数据库无法读取"));
            return false;
        }
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            out->append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) {
            fail(error, QStringLiteral("数据库无法读取"));
            return false;
        }
        return true;
    }

private:
    sqlite3* m_db = nullptr;
};

// Every object of a database's schema as one comparable line: kind, name, table and its statement (whitespace
// folded, so only the statement itself counts).
constexpr const char* kSchemaQuery =
    "select type || char(31) || name || char(31) || tbl_name || char(31) || coalesce(sql, '') from sqlite_master";

QStringList schemaOf(const Handle& db, QString* error)
{
    QStringList rows;
    if (!db.column(kSchemaQuery, &rows, error))
        return {};
    for (QString& row : rows)
        row = row.simplified();
    rows.sort();
    return rows;
}

// The schema the build gives the program's database (data/*.sql, built into the program), made the way the build's
// data tool makes it: in a fresh database, comment lines left out.
QStringList expectedSchema(const QString& resource)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    lines.removeIf([](const QString& line) { return line.trimmed().startsWith(QLatin1String("--")); });
    Handle db;
    if (!db.open(QStringLiteral(":memory:"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) ||
        sqlite3_exec(db.get(), lines.join(QLatin1Char('\n')).toUtf8().constData(), nullptr, nullptr, nullptr) !=
            SQLITE_OK)
        return {};
    return schemaOf(db, nullptr);
}

QString kindName(const QString& type)
{
    if (type == QLatin1String("table"))
        return QStringLiteral("数据表");
    if (type == QLatin1String("index"))
        return QStringLiteral("索引");
    if (type == QLatin1String("trigger"))
        return QStringLiteral("触发器");
    if (type == QLatin1String("view"))
        return QStringLiteral("视图");
    return type;
}

// A database from an archive: sound, and of exactly the program's schema; a trigger could delete rows whenever the
// program adds one, a missing column would stop the program at its next start.
bool checkFile(const Handle& db, const QString& what, const QStringList& expected, QString* error)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    QStringList result;
    QString detail;
    if (!db.column("PRAGMA integrity_check", &result, &detail) || result != QStringList{QStringLiteral("ok")})
        return fail(QStringLiteral("档案中的%1已损坏（完整性检查未通过）。%2")
                        .arg(what, detail.isEmpty() ? result.join(QLatin1Char(' ')).left(200) : detail));
    if (expected.isEmpty())
        return fail(QStringLiteral("本程序缺少数据库结构的说明，无法检查档案中的%1。").arg(what));
    const QStringList actual = schemaOf(db, error);
    if (actual.isEmpty() && error && !error->isEmpty())
        return false;
    const auto field = [](const QString& row, int n) { return row.section(QChar(31), n, n); };
    const auto named = [&](const QString& name) {
        return std::any_of(actual.cbegin(), actual.cend(), [&](const QString& a) { return field(a, 1) == name; });
    };
    // The plainest reason first: a missing table.
    for (const QString& row : expected) {
        if (field(row, 0) == QLatin1String("table") && !named(field(row, 1)))
            return fail(QStringLiteral("档案中的%1缺少数据表“%2”，不是本程序的数据。").arg(what, field(row, 1)));
    }
    for (const QString& row : expected) {
        if (!actual.contains(row))
            return fail(
                QStringLiteral("档案中的%1里%2“%3”%4，不是本程序的数据。")
                    .arg(what, kindName(field(row, 0)), field(row, 1),
                         named(field(row, 1)) ? QStringLiteral("的结构与本程序的不同") : QStringLiteral("不存在")));
    }
    for (const QString& row : actual) {
        if (!expected.contains(row))
            return fail(QStringLiteral("档案中的%1含有本程序的数据库没有的%2“%3”，为安全起见已拒绝。")
                            .arg(what, kindName(field(row, 0)), field(row, 1)));
    }
    return true;
}

bool countContacts(const Handle& db, int* contacts, QString* error)
{
    QStringList rows;
    if (!db.column("select count(*) from main", &rows, error) || rows.size() != 1)
        return false;
    if (contacts)
        *contacts = rows.first().toInt();
    return true;
}

bool userNames(const Handle& db, QStringList* users, QString* error)
{
    QStringList names;
    if (!db.column("select 用户 from user1", &names, error))
        return false;
    if (users)
        *users = names;
    return true;
}

} // namespace

bool Database::snapshot(const QString& source, const QString& target, int* contacts, QStringList* users, QString* error)
{
    if (!QFileInfo(source).isFile()) {
        if (error)
            *error = QStringLiteral("找不到通讯录数据库 %1。").arg(source);
        return false;
    }
    QFile::remove(target);
    Handle from;
    Handle to;
    // Read-write without create: reading a database in WAL mode needs its -shm, and a missing file stays missing.
    if (!from.open(source, SQLITE_OPEN_READWRITE, error) ||
        !to.open(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error))
        return false;
    // A scratch file, read back at once: it needs no durability, and a backup should not wait on the disk.
    QStringList ignored;
    to.column("PRAGMA synchronous=OFF", &ignored, nullptr);
    sqlite3_backup* copy = sqlite3_backup_init(to.get(), "main", from.get(), "main");
    if (!copy) {
        to.fail(error, QStringLiteral("无法复制通讯录数据库"));
        return false;
    }
    // All pages in one step: one read transaction, so writers of running copies neither restart nor tear it. A
    // database some other program keeps locked for minutes is reported, not waited for without end.
    const QDeadlineTimer deadline(120 * 1000);
    int rc;
    while (((rc = sqlite3_backup_step(copy, -1)) == SQLITE_BUSY || rc == SQLITE_LOCKED) && !deadline.hasExpired())
        sqlite3_sleep(50);
    sqlite3_backup_finish(copy);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        if (error)
            *error = QStringLiteral("通讯录数据库一直被别的程序占用着，无法备份；请关闭那个程序后再试。");
        return false;
    }
    if (rc != SQLITE_DONE) {
        to.fail(error, QStringLiteral("复制通讯录数据库失败"));
        return false;
    }
    return countContacts(to, contacts, error) && userNames(to, users, error);
}

bool Database::check(const QString& file, int* contacts, QStringList* users, QString* error)
{
    static const QStringList expected = expectedSchema(QStringLiteral(":/schema/schema.sql"));
    Handle db;
    if (!db.open(file, SQLITE_OPEN_READWRITE, error) ||
        !checkFile(db, QStringLiteral("通讯录数据库 call.mdb "), expected, error) ||
        !countContacts(db, contacts, error))
        return false;
    return userNames(db, users, error);
}

bool Database::checkAreaCodes(const QString& file, QString* error)
{
    static const QStringList expected = expectedSchema(QStringLiteral(":/schema/qh-schema.sql"));
    Handle db;
    return db.open(file, SQLITE_OPEN_READWRITE, error) &&
           checkFile(db, QStringLiteral("区号数据库 qh.mdb "), expected, error);
}

bool Database::checkpoint(const QString& file, bool* inUse, QString* error)
{
    {
        Handle db;
        if (!db.open(file, SQLITE_OPEN_READWRITE, error))
            return false;
        QStringList rows;
        if (!db.column("PRAGMA wal_checkpoint(TRUNCATE)", &rows, error))
            return false;
    }
    if (inUse)
        *inUse = QFileInfo::exists(file + QStringLiteral("-wal"));
    return true;
}

} // namespace backup
