#include "backup/Database.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

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

bool countContacts(const Handle& db, int* contacts, QString* error)
{
    QStringList rows;
    if (!db.column("select count(*) from main", &rows, error) || rows.size() != 1)
        return false;
    if (contacts)
        *contacts = rows.first().toInt();
    return true;
}

} // namespace

bool Database::snapshot(const QString& source, const QString& target, int* contacts, QString* error)
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
    // All pages in one step: one read transaction, so writers of running copies neither restart nor tear it.
    int rc;
    while ((rc = sqlite3_backup_step(copy, -1)) == SQLITE_BUSY || rc == SQLITE_LOCKED)
        sqlite3_sleep(50);
    sqlite3_backup_finish(copy);
    if (rc != SQLITE_DONE) {
        to.fail(error, QStringLiteral("复制通讯录数据库失败"));
        return false;
    }
    return countContacts(to, contacts, error);
}

bool Database::check(const QString& file, int* contacts, QString* error)
{
    Handle db;
    if (!db.open(file, SQLITE_OPEN_READWRITE, error))
        return false;
    QStringList result;
    QString detail;
    if (!db.column("PRAGMA integrity_check", &result, &detail) || result != QStringList{QStringLiteral("ok")}) {
        if (error)
            *error = QStringLiteral("档案中的通讯录数据库已损坏（完整性检查未通过）。%1")
                         .arg(detail.isEmpty() ? result.join(QLatin1Char(' ')).left(200) : detail);
        return false;
    }
    QStringList tables;
    if (!db.column("select name from sqlite_master where type='table'", &tables, error))
        return false;
    for (const QString& t : {QStringLiteral("main"), QStringLiteral("user1"), QStringLiteral("version")}) {
        if (!tables.contains(t)) {
            if (error)
                *error = QStringLiteral("档案中的通讯录数据库缺少数据表“%1”，不是本程序的数据。").arg(t);
            return false;
        }
    }
    return countContacts(db, contacts, error);
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
