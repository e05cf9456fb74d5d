#include "backup/ServerCommands.h"

#include "backup/BookCopy.h"
#include "platform/ProgramDir.h"
#include "store/Book.h"
#include "store/BookLock.h"
#include "store/Connection.h"
#include "store/Query.h"
#include "store/ServerBook.h"
#include "store/ServerProbe.h"
#include "store/ServerSettings.h"

#include <QDir>
#include <QTextStream>
#include <QUuid>

namespace backup {

namespace {

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

QString noServer()
{
    return QStringLiteral(
        "程序目录中的 server.ini 没有指定服务器：请在其中写 [server] 一节（host、dbname、user 等）。");
}

QString connectionName(const char* what)
{
    return QStringLiteral("data.server-%1-%2").arg(QLatin1String(what), QUuid::createUuid().toString());
}

// A book with the tables of this program's version, ready for the running program.
bool isReady(store::Connection& c, const store::ServerSettings& server, QString* error)
{
    QStringList missing;
    QString version;
    QString why;
    if (!store::ServerBook::inspect(c, &missing, &version, &why))
        return fail(error, store::ServerProbe::failed(server, why));
    if (!missing.isEmpty())
        return fail(error, store::ServerProbe::missingTables(server, missing));
    if (version != store::ServerBook::version())
        return fail(error, store::ServerProbe::otherVersion(server, version, store::ServerBook::version()));
    return true;
}

} // namespace

bool ServerCommands::init(const store::ServerSettings& server, QString* done, QString* error)
{
    if (!server.isServer())
        return fail(error, noServer());
    store::Connection c(connectionName("init"), server);
    if (!c.open(error))
        return false;
    bool existed = false;
    QString why;
    if (!store::ServerBook::create(c, &existed, &why)) {
        if (existed)
            return upgrade(c, server, done, error);
        return fail(error, store::ServerProbe::failed(server, why));
    }
    *done =
        QStringLiteral("已在服务器 %1 的数据库 %2 中建立通讯录（数据表 %3）。")
            .arg(server.displayName(), server.databaseName(), store::ServerBook::tables().join(QStringLiteral("、")));
    return true;
}

bool ServerCommands::upgrade(store::Connection& c, const store::ServerSettings& server, QString* done, QString* error)
{
    QStringList missing;
    QString version;
    QString why;
    if (!store::ServerBook::inspect(c, &missing, &version, &why))
        return fail(error, store::ServerProbe::failed(server, why));
    if (missing.isEmpty() && version == store::ServerBook::version())
        return fail(error, QStringLiteral("服务器 %1 上的数据库 %2 中已经有通讯录的数据表，什么也没有改变。")
                               .arg(server.displayName(), server.databaseName()));
    if (!missing.isEmpty() || version != store::ServerBook::olderVersion())
        return fail(error, QStringLiteral("服务器 %1 上的数据库 %2 中的数据表不是本程序能升级的通讯录（版本 %3），"
                                          "什么也没有改变。")
                               .arg(server.displayName(), server.databaseName(),
                                    version.isEmpty() ? QStringLiteral("无") : version));
    // Like a restore, only while no program runs on the book: its tables change under it.
    store::BookLock lock(server);
    switch (lock.tryLock(store::BookLock::Mode::Exclusive, &why)) {
    case store::BookLock::Result::Locked:
        break;
    case store::BookLock::Result::Busy:
        return fail(error, QStringLiteral("Velloran 正在使用服务器 %1 上的通讯录（在这台或别的电脑上），不能升级。"
                                          "请先关闭所有使用这个通讯录的 Velloran，再升级。")
                               .arg(server.displayName()));
    case store::BookLock::Result::Failed:
        return fail(error, why);
    }
    if (!store::ServerBook::upgrade(c, &version, &why))
        return fail(error, store::ServerProbe::failed(server, why));
    *done = QStringLiteral("已把服务器 %1 的数据库 %2 中的通讯录从 %3 版升级到 %4 版，各台电脑可以使用了。")
                .arg(server.displayName(), server.databaseName(), version, store::ServerBook::version());
    return true;
}

bool ServerCommands::push(const QString& programDir, const store::ServerSettings& server, QString* done, QString* error)
{
    if (!server.isServer())
        return fail(error, noServer());
    platform::ProgramDir::set(programDir);
    store::Connection desktop(connectionName("desktop"), store::Book::fileName(), store::Connection::Store::File);
    if (!desktop.open(error))
        return fail(error, QStringLiteral("无法打开这台电脑上的通讯录 call.mdb：%1").arg(error ? *error : QString()));
    store::Connection c(connectionName("push"), server);
    if (!c.open(error) || !isReady(c, server, error))
        return false;
    QString why;
    if (!c.beginTransaction(&why))
        return fail(error, store::ServerProbe::failed(server, why));
    int contacts = 0;
    int users = 0;
    int photos = 0;
    // Only into an empty book, under the write lock: another desktop's first contact is never mixed in.
    if (!store::ServerBook::count(c, &contacts, &users, &photos, &why)) {
        c.rollback();
        return fail(error, store::ServerProbe::failed(server, why));
    }
    if (contacts + users + photos > 0) {
        c.rollback();
        return fail(error, QStringLiteral("服务器 %1 上的通讯录不是空的（%2 位联系人、%3 个用户、%4 张照片），"
                                          "什么也没有复制。")
                               .arg(server.displayName())
                               .arg(contacts)
                               .arg(users)
                               .arg(photos));
    }
    const bool copied =
        BookCopy::copyRows(desktop.database(), c.database(), &contacts, &users, &why) &&
        BookCopy::insertPhotos(c.database(), platform::ProgramDir::file(QStringLiteral("photo")), &photos, &why);
    if (!copied) {
        c.rollback();
        return fail(error, store::ServerProbe::failed(server, why));
    }
    if (!c.commit(&why))
        return fail(error, store::ServerProbe::failed(server, why));
    *done = QStringLiteral("已把 %1 位联系人、%2 个用户和 %3 张照片复制到服务器 %4 的数据库 %5。")
                .arg(contacts)
                .arg(users)
                .arg(photos)
                .arg(server.displayName(), server.databaseName());
    return true;
}

bool ServerCommands::status(const QString& programDir, const store::ServerSettings& server, QString* done,
                            QString* error)
{
    int contacts = 0;
    int users = 0;
    int photos = 0;
    QString why;
    if (!server.isServer()) {
        platform::ProgramDir::set(programDir);
        store::Connection desktop(connectionName("desktop"), store::Book::fileName(), store::Connection::Store::File);
        store::Query q(desktop, "select count(*) from main");
        if (!q.exec() || !q.next())
            return fail(
                error,
                QStringLiteral("这个程序目录使用这台电脑上的通讯录 call.mdb，但它无法读取：%1").arg(q.errorText()));
        *done = QStringLiteral("这个程序目录使用这台电脑上的通讯录 call.mdb，共有 %1 位联系人。").arg(q.text(0));
        return true;
    }
    store::Connection c(connectionName("status"), server);
    if (!c.open(error) || !isReady(c, server, error))
        return false;
    if (!store::ServerBook::count(c, &contacts, &users, &photos, &why))
        return fail(error, store::ServerProbe::failed(server, why));
    *done = QStringLiteral("这个程序目录使用服务器 %1 上的通讯录（数据库 %2）：服务器可以连接，共有 %3 位联系人、"
                           "%4 个用户、%5 张照片。")
                .arg(server.displayName(), server.databaseName())
                .arg(contacts)
                .arg(users)
                .arg(photos);
    return true;
}

int ServerCommands::run(const QStringList& arguments, const QString& programDir, QTextStream& out, QTextStream& err)
{
    const QString command = arguments.size() == 1 ? arguments.first() : QString();
    if (command != QLatin1String("init") && command != QLatin1String("push") && command != QLatin1String("status")) {
        err << QStringLiteral("用法：data server init|push|status（服务器由程序目录中的 server.ini 指定）") << Qt::endl;
        return 2;
    }
    store::ServerSettings server;
    QString error;
    QString done;
    bool ok = store::Book::settingsFor(programDir, &server, &error);
    if (ok) {
        ok = command == QLatin1String("init")   ? init(server, &done, &error)
             : command == QLatin1String("push") ? push(programDir, server, &done, &error)
                                                : status(programDir, server, &done, &error);
    }
    if (!ok) {
        // One line: the messages' own line breaks would split it.
        err << QStringLiteral("data server %1 失败：").arg(command) << error.simplified() << Qt::endl;
        return 1;
    }
    out << done << Qt::endl;
    return 0;
}

} // namespace backup
