#include "backup/ServerSnapshot.h"

#include "backup/BookCopy.h"
#include "backup/Database.h"
#include "platform/ProgramDir.h"
#include "platform/SaveFile.h"
#include "store/Book.h"
#include "store/BookLock.h"
#include "store/Connection.h"
#include "store/ServerBook.h"
#include "store/ServerProbe.h"
#include "store/ServerSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <algorithm>

#include <sqlite3.h>

namespace backup {

namespace {

// The book's rows as the archive's call.mdb holds them: contacts oldest first, so that the numbers the file gives
// them keep their order.
const char* const ReadContacts =
    "select 姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间 from main order by id";
const char* const WriteContacts =
    "insert into main (姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间) "
    "values (?,?,?,?,?,?,?,?,?,?,?,?)";
const char* const ReadUsers = "select 用户,密码,权限 from user1";
const char* const WriteUsers = "insert into user1 (用户,密码,权限) values (?,?,?)";
const char* const ReadPhotos = "select name, data from photo order by name";

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

bool run(const QSqlDatabase& db, const QStringList& statements, QString* error)
{
    QSqlQuery q(db);
    for (const QString& s : statements) {
        if (!q.exec(s))
            return fail(error, q.lastError().text());
        q.finish();
    }
    return true;
}

// One SQLite connection of this function's own, removed however it leaves.
class File {
public:
    File(const QString& path, bool readOnly) : m_name(QStringLiteral("backup.file-") + QUuid::createUuid().toString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        db.setDatabaseName(path);
        m_open = db.open();
        if (!m_open)
            m_error = db.lastError().text();
    }
    ~File()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    bool isOpen(QString* error) const { return m_open || fail(error, m_error); }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
    bool m_open = false;
    QString m_error;
};

// The archive's call.mdb, written through SQLite itself: a whole book goes in without Qt's conversion of every
// value. The installed schema, the same statements the build's call.mdb is made from; its pragmas (the
// persistent journal mode) wait until the rows are in, which go in without a journal: a scratch file, read back at
// once, needs no durability.
class Snapshot {
public:
    ~Snapshot() { sqlite3_close_v2(m_db); }
    bool create(const QString& path, QString* error)
    {
        QFile schema(QStringLiteral(":/schema/schema.sql"));
        if (!schema.open(QIODevice::ReadOnly))
            return fail(error, schema.errorString());
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK)
            return failed(error);
        QStringList statements;
        QString statement;
        for (const QString& line : QString::fromUtf8(schema.readAll()).split(QLatin1Char('\n'))) {
            if (line.trimmed().startsWith(QLatin1String("--")))
                continue;
            statement += line + QLatin1Char('\n');
            if (line.trimmed().endsWith(QLatin1Char(';'))) {
                (statement.trimmed().startsWith(QLatin1String("PRAGMA"), Qt::CaseInsensitive) ? m_finish : statements)
                    .append(statement);
                statement.clear();
            }
        }
        statements << QStringLiteral("PRAGMA journal_mode=OFF") << QStringLiteral("PRAGMA synchronous=OFF")
                   << QStringLiteral("BEGIN");
        return exec(statements, error);
    }
    // Rows of a server's select into a table of the same columns, each value as the server gave it.
    bool copy(store::Connection& server, const char* select, const char* insert, int* rows, QString* error)
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, insert, -1, &st, nullptr) != SQLITE_OK)
            return failed(error);
        *rows = 0;
        const bool ok = store::ServerBook::readRows(
            server, select, store::ServerBook::Rows::Small,
            [&](const char* const* values, const int* lengths, int columns, QString* e) {
                for (int i = 0; i < columns; ++i) {
                    values[i] ? sqlite3_bind_text(st, i + 1, values[i], lengths[i], SQLITE_STATIC)
                              : sqlite3_bind_null(st, i + 1);
                }
                const bool stored = sqlite3_step(st) == SQLITE_DONE;
                sqlite3_reset(st);
                ++*rows;
                return stored || failed(e);
            },
            error);
        sqlite3_finalize(st);
        return ok;
    }
    bool finish(QString* error) { return exec(QStringList{QStringLiteral("COMMIT")} + m_finish, error); }

private:
    bool exec(const QStringList& statements, QString* error)
    {
        for (const QString& s : statements) {
            if (sqlite3_exec(m_db, s.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
                return failed(error);
        }
        return true;
    }
    bool failed(QString* error) const
    {
        return fail(error, m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("SQLite"));
    }

    sqlite3* m_db = nullptr;
    QStringList m_finish;
};

bool writeFile(const QString& path, const QByteArray& data, QString* error)
{
    platform::SaveFile out(path);
    return (out.open() && out.write(data) && out.commit()) || fail(error, out.errorString());
}

} // namespace

bool ServerSnapshot::take(const store::ServerSettings& server, const QString& programDir, const QString& scratch,
                          int* contacts, ProgramData::Collected* collected, QString* error)
{
    const QString book = scratch + QStringLiteral("/call.mdb");
    const QString photos = scratch + QStringLiteral("/photo");
    if (!QDir().mkpath(photos))
        return fail(error, QStringLiteral("无法创建临时文件夹 %1。").arg(photos));
    store::Connection source(QStringLiteral("backup.server-") + QUuid::createUuid().toString(), server);
    if (!source.open(error))
        return false;
    QStringList serverPhotos;
    QStringList tooLarge;
    {
        Snapshot target;
        if (!target.create(book, error))
            return false;
        // One snapshot of the server for contacts, users and photos alike; nothing is written there.
        int users = 0;
        QString why;
        const bool copied =
            run(source.database(), {QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")}, &why) &&
            target.copy(source, ReadContacts, WriteContacts, contacts, &why) &&
            target.copy(source, ReadUsers, WriteUsers, &users, &why) && target.finish(&why) &&
            store::ServerBook::readRows(
                source, ReadPhotos, store::ServerBook::Rows::Large,
                [&](const char* const* values, const int* lengths, int, QString* e) {
                    const QString name = QString::fromUtf8(values[0], lengths[0]);
                    // Never a path outside photo/, and only what a restore of this archive accepts.
                    if (!values[1] || !platform::ProgramDir::isSafeComponent(name) ||
                        !ProgramData::isPictureName(name))
                        return true;
                    if (lengths[1] > ProgramData::MaxPhotoSize) {
                        tooLarge.append(QStringLiteral("photo/%1（大于 %2 MB 的图片）")
                                            .arg(name)
                                            .arg(ProgramData::MaxPhotoSize >> 20));
                        return true;
                    }
                    serverPhotos.append(name);
                    return writeFile(photos + QLatin1Char('/') + name, QByteArray(values[1], lengths[1]), e);
                },
                &why) &&
            run(source.database(), {QStringLiteral("COMMIT")}, &why);
        if (!copied) {
            source.rollback();
            return fail(error, store::ServerProbe::failed(server, why));
        }
    }

    // The users' folders that go along are those of the snapshot's users, as for the embedded book.
    int checkedContacts = 0;
    QStringList users;
    if (!Database::check(book, &checkedContacts, &users, error))
        return false;
    const ProgramData::Collected desktop = ProgramData::collect(programDir, users);
    // The desktop's data with the server's book in place of call.mdb and photo/.
    const QSet<QString> fromServer(serverPhotos.cbegin(), serverPhotos.cend());
    QList<ProgramData::Item> photoItems{{QStringLiteral("photo"), photos, true}};
    for (const QString& name : std::as_const(serverPhotos))
        photoItems.append({QStringLiteral("photo/") + name, photos + QLatin1Char('/') + name, false});
    QList<ProgramData::Item> rest;
    qsizetype photoAt = -1;
    for (const ProgramData::Item& item : desktop.items) {
        const bool photo = item.relative == QLatin1String("photo") || item.relative.startsWith(QLatin1String("photo/"));
        if (photo && photoAt < 0)
            photoAt = rest.size();
        if (item.relative == QLatin1String("call.mdb") || (photo && item.relative == QLatin1String("photo")))
            continue;
        // The placeholder and other files of this desktop's photo/ that the server does not hold go along.
        if (photo && (item.directory || fromServer.contains(item.relative.mid(6))))
            continue;
        if (photo)
            photoItems.append(item);
        else
            rest.append(item);
    }
    std::sort(photoItems.begin(), photoItems.end(),
              [](const ProgramData::Item& a, const ProgramData::Item& b) { return a.relative < b.relative; });
    if (photoAt < 0)
        photoAt = rest.size();
    QList<ProgramData::Item>* items = &collected->items;
    items->clear();
    items->append({QStringLiteral("call.mdb"), book, false});
    items->append(rest.mid(0, photoAt));
    items->append(photoItems);
    items->append(rest.mid(photoAt));
    collected->leftOut = desktop.leftOut + tooLarge;
    return true;
}

bool ServerSnapshot::lockBook(const QString& programDir, store::ServerSettings* server,
                              std::unique_ptr<store::BookLock>* lock, QString* error)
{
    if (!store::Book::settingsFor(programDir, server, error))
        return false;
    if (!server->isServer())
        return true;
    *lock = std::make_unique<store::BookLock>(*server);
    QString why;
    switch ((*lock)->tryLock(store::BookLock::Mode::Exclusive, &why)) {
    case store::BookLock::Result::Locked:
        return true;
    case store::BookLock::Result::Busy:
        return fail(error, QStringLiteral("Velloran 正在使用服务器 %1 上的通讯录（在这台或别的电脑上），不能恢复数据。"
                                          "请先关闭所有使用这个通讯录的 Velloran，再恢复。")
                               .arg(server->displayName()));
    case store::BookLock::Result::Failed:
        break;
    }
    return fail(error, why);
}

bool ServerSnapshot::replace(const store::ServerSettings& server, const QString& unpacked, int* contacts,
                             QString* error)
{
    File source(unpacked + QStringLiteral("/call.mdb"), true);
    if (!source.isOpen(error))
        return false;
    store::Connection target(QStringLiteral("restore.server-") + QUuid::createUuid().toString(), server);
    if (!target.open(error))
        return false;
    const QSqlDatabase db = target.database();
    int users = 0;
    QString why;
    int photos = 0;
    const bool done = target.beginTransaction(&why) &&
                      run(db,
                          {QStringLiteral("DELETE FROM photo"), QStringLiteral("DELETE FROM user1"),
                           QStringLiteral("DELETE FROM main")},
                          &why) &&
                      BookCopy::copyRows(source.db(), db, contacts, &users, &why) &&
                      BookCopy::insertPhotos(db, unpacked + QStringLiteral("/photo"), &photos, &why);
    if (!done) {
        target.rollback();
        return fail(error, store::ServerProbe::failed(server, why));
    }
    return target.commit(error);
}

} // namespace backup
