#include "backup/ServerSnapshot.h"

#include "backup/BookCopy.h"
#include "platform/ProgramDir.h"
#include "platform/SaveFile.h"
#include "store/Book.h"
#include "store/BookLock.h"
#include "store/Connection.h"
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

namespace backup {

namespace {

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
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
    // The installed schema, the same statements the build's call.mdb is made from.
    bool createBook(QString* error)
    {
        QFile schema(QStringLiteral(":/backup/schema.sql"));
        if (!schema.open(QIODevice::ReadOnly))
            return fail(error, schema.errorString());
        QSqlQuery q(db());
        QString statement;
        for (const QString& line : QString::fromUtf8(schema.readAll()).split(QLatin1Char('\n'))) {
            if (line.trimmed().startsWith(QLatin1String("--")))
                continue;
            statement += line + QLatin1Char('\n');
            if (line.trimmed().endsWith(QLatin1Char(';'))) {
                if (!q.exec(statement))
                    return fail(error, q.lastError().text());
                q.finish();
                statement.clear();
            }
        }
        // The version row belongs to the schema; the rows come from the server.
        return true;
    }

private:
    QString m_name;
    bool m_open = false;
    QString m_error;
};

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

bool writeFile(const QString& path, const QByteArray& data, QString* error)
{
    platform::SaveFile out(path);
    return (out.open() && out.write(data) && out.commit()) || fail(error, out.errorString());
}

} // namespace

bool ServerSnapshot::take(const store::ServerSettings& server, const QString& programDir, const QString& scratch,
                          int* contacts, QList<ProgramData::Item>* items, QString* error)
{
    const QString book = scratch + QStringLiteral("/call.mdb");
    const QString photos = scratch + QStringLiteral("/photo");
    if (!QDir().mkpath(photos))
        return fail(error, QStringLiteral("无法创建临时文件夹 %1。").arg(photos));
    store::Connection source(QStringLiteral("backup.server-") + QUuid::createUuid().toString(), server);
    if (!source.open(error))
        return false;
    QStringList serverPhotos;
    {
        File target(book, false);
        if (!target.isOpen(error) || !target.createBook(error))
            return false;
        // One snapshot of the server for contacts, users and photos alike; nothing is written there.
        const QSqlDatabase db = source.database();
        int users = 0;
        QString why;
        const bool copied = run(db, {QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")}, &why) &&
                            target.db().transaction() && BookCopy::copyRows(db, target.db(), contacts, &users, &why) &&
                            target.db().commit() &&
                            BookCopy::readPhotos(
                                db,
                                [&](const QString& name, const QByteArray& data, QString* e) {
                                    if (!platform::ProgramDir::isSafeComponent(name))
                                        return true; // never a path outside photo/
                                    serverPhotos.append(name);
                                    return writeFile(photos + QLatin1Char('/') + name, data, e);
                                },
                                &why) &&
                            run(db, {QStringLiteral("COMMIT")}, &why);
        if (!copied) {
            source.rollback();
            return fail(error,
                        store::ServerProbe::failed(server, why.isEmpty() ? target.db().lastError().text() : why));
        }
    }

    // The desktop's data with the server's book in place of call.mdb and photo/.
    const QSet<QString> fromServer(serverPhotos.cbegin(), serverPhotos.cend());
    QList<ProgramData::Item> photoItems{{QStringLiteral("photo"), photos, true}};
    for (const QString& name : std::as_const(serverPhotos))
        photoItems.append({QStringLiteral("photo/") + name, photos + QLatin1Char('/') + name, false});
    QList<ProgramData::Item> rest;
    qsizetype photoAt = -1;
    for (const ProgramData::Item& item : ProgramData::collect(programDir)) {
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
    items->clear();
    items->append({QStringLiteral("call.mdb"), book, false});
    items->append(rest.mid(0, photoAt));
    items->append(photoItems);
    items->append(rest.mid(photoAt));
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
    bool done =
        run(db,
            {QStringLiteral("BEGIN"), QStringLiteral("LOCK TABLE main, user1, photo IN SHARE ROW EXCLUSIVE MODE"),
             QStringLiteral("DELETE FROM photo"), QStringLiteral("DELETE FROM user1"),
             QStringLiteral("DELETE FROM main")},
            &why) &&
        BookCopy::copyRows(source.db(), db, contacts, &users, &why);
    const QString photos = unpacked + QStringLiteral("/photo");
    for (const QString& name : BookCopy::photoFiles(photos)) {
        if (!done)
            break;
        QFile file(photos + QLatin1Char('/') + name);
        done = file.open(QIODevice::ReadOnly) ? BookCopy::insertPhoto(db, name, file.readAll(), &why)
                                              : fail(&why, file.errorString());
    }
    if (!done) {
        target.rollback();
        return fail(error, store::ServerProbe::failed(server, why));
    }
    return target.commit(error);
}

} // namespace backup
