#include "support/TestProgramDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

#include "store/Ini.h"

QString TestProgramDir::source()
{
    return QStringLiteral(VELLORAN_PROGRAM_DIR);
}

namespace {

// The owner's connection to the server's maintenance database, which makes and drops the books of the tests.
bool admin(const QStringList& statements)
{
    const QString name = QStringLiteral("fixture-admin");
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    if (!db.isOpen()) {
        db.setHostName(TestProgramDir::serverSocket());
        db.setDatabaseName(QStringLiteral("postgres"));
        db.setUserName(QStringLiteral("postgres"));
        if (!db.open()) {
            qWarning("fixture: server not reached: %s", qPrintable(db.lastError().text()));
            return false;
        }
    }
    for (const QString& s : statements) {
        QSqlQuery q(db);
        if (!q.exec(s)) {
            qWarning("fixture statement failed: %s: %s", qPrintable(s), qPrintable(q.lastError().text()));
            return false;
        }
    }
    return true;
}

// A connection to the directory's book: the SQLite file, or the server database as its owner.
class Owner {
public:
    explicit Owner(const TestProgramDir& dir) : m_name(QStringLiteral("fixture-") + QUuid::createUuid().toString())
    {
        QSqlDatabase db;
        if (TestProgramDir::onServer()) {
            db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
            db.setHostName(TestProgramDir::serverSocket());
            db.setDatabaseName(dir.database());
            db.setUserName(QStringLiteral("postgres"));
        } else {
            db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
            db.setDatabaseName(dir.file(QStringLiteral("call.mdb")));
        }
        m_open = db.open();
    }
    ~Owner()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    bool isOpen() const { return m_open; }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
    bool m_open = false;
};

} // namespace

QString TestProgramDir::serverSocket()
{
    // The folder may link to a shorter one: a Unix socket's path has room for about a hundred bytes only.
    const QString folder = qEnvironmentVariable("VELLORAN_TEST_SERVER");
    const QString real = QFileInfo(folder).canonicalFilePath();
    return real.isEmpty() ? folder : real;
}

bool TestProgramDir::onServer()
{
    return !serverSocket().isEmpty();
}

TestProgramDir::TestProgramDir()
{
    const QDir from(source());
    QDirIterator it(source(), QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = from.relativeFilePath(path);
        if (rel == QLatin1String("velloran") || rel == QLatin1String("data") || rel.endsWith(QLatin1String("-wal"))
            || rel.endsWith(QLatin1String("-shm")))
            continue;
        const QString target = file(rel);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(path, target);
    }
    QDir().mkpath(file(QStringLiteral("photo")));
    if (!onServer())
        return;
    static int made = 0;
    m_database = QStringLiteral("vt_%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
    m_valid = admin({QStringLiteral("create database %1 template velloran_template").arg(m_database)}) &&
              store::Ini::write(file(QStringLiteral("server.ini")), QStringLiteral("server"),
                                {{QStringLiteral("host"), serverSocket()},
                                 {QStringLiteral("dbname"), m_database},
                                 {QStringLiteral("user"), QStringLiteral("velloran_app")}});
}

TestProgramDir::~TestProgramDir()
{
    if (!m_database.isEmpty())
        admin({QStringLiteral("drop database if exists %1 with (force)").arg(m_database)});
}

bool TestProgramDir::exec(const QStringList& statements) const
{
    Owner book(*this);
    bool ok = book.isOpen();
    for (const QString& s : statements) {
        if (!ok)
            break;
        QSqlQuery q(book.db());
        ok = q.exec(s);
        if (!ok)
            qWarning("fixture statement failed: %s: %s", qPrintable(s), qPrintable(q.lastError().text()));
    }
    return ok;
}

static QString sqlText(const QString& s)
{
    QString q = s;
    q.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

bool TestProgramDir::addContact(const QString& name, const QString& sex, int month, int day, const QString& mobile) const
{
    return exec({QStringLiteral("insert into main (姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间) "
                                "values (%1,%2,%3,%4,'朋友',' ',%5,' ',' ',' ','no.bmp','2026年12月01日')")
                     .arg(sqlText(name), sqlText(sex))
                     .arg(month)
                     .arg(day)
                     .arg(sqlText(mobile))});
}

bool TestProgramDir::addUser(const QString& name, const QString& password, const QString& rights) const
{
    return exec({QStringLiteral("insert into user1 (用户,密码,权限) values (%1,%2,%3)")
                     .arg(sqlText(name), sqlText(password), sqlText(rights))});
}

bool TestProgramDir::addSignInUser(const QString& name, const QString& password, const QString& rights) const
{
    if (!addUser(name, password, rights))
        return false;
    const QString userIni = file(QStringLiteral("user.ini"));
    store::Ini::write(userIni, QStringLiteral("ok"), QStringLiteral("yes"), QStringLiteral("1"));
    store::Ini::write(userIni, QStringLiteral("user"), name, QStringLiteral("1"));
    store::Ini::write(userIni, QStringLiteral("cuser"), QStringLiteral("name"), name);
    QDir().mkpath(file(name));
    QFile::copy(file(QStringLiteral("modal/set.ini")), file(name + QStringLiteral("/set.ini")));
    return store::Ini::write(file(name + QStringLiteral("/set.ini")), QStringLiteral("user"), QStringLiteral("name"), name);
}

bool TestProgramDir::refuse(const QString& operation, const QString& table, const QString& message,
                            const QString& condition) const
{
    if (!onServer()) {
        return exec({QStringLiteral("create trigger refuse_%1 before %2 on %1 %3 begin select raise(abort, '%4'); end")
                         .arg(table, operation, condition.isEmpty() ? QString() : QStringLiteral("when ") + condition,
                              message)});
    }
    return exec({QStringLiteral("create function refuse_%1() returns trigger language plpgsql as $$ begin if %2 then "
                                "raise exception '%3'; end if; return coalesce(new, old); end $$")
                     .arg(table, condition.isEmpty() ? QStringLiteral("true") : condition, message),
                 QStringLiteral("create trigger refuse_%1 before %2 on %1 for each row execute function refuse_%1()")
                     .arg(table, operation)});
}

bool TestProgramDir::allow(const QString& table) const
{
    return exec({onServer() ? QStringLiteral("drop trigger refuse_%1 on %1").arg(table)
                            : QStringLiteral("drop trigger refuse_%1").arg(table)});
}

QList<QStringList> TestProgramDir::rows(const QString& select) const
{
    Owner book(*this);
    QSqlQuery q(book.db());
    QList<QStringList> out;
    if (!book.isOpen() || !q.exec(select))
        return out;
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < q.record().count(); ++i)
            values.append(q.value(i).toString());
        out.append(values);
    }
    return out;
}

int TestProgramDir::count(const QString& table) const
{
    const QString n = value(QStringLiteral("select count(*) from ") + table);
    return n.isNull() ? -1 : n.toInt();
}

QString TestProgramDir::value(const QString& select) const
{
    Owner book(*this);
    QSqlQuery q(book.db());
    if (book.isOpen() && q.exec(select) && q.next())
        return q.value(0).toString();
    return QString();
}

QByteArray TestProgramDir::read(const QString& relative) const
{
    QFile f(file(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool TestProgramDir::write(const QString& relative, const QByteArray& bytes) const
{
    QFile f(file(relative));
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}
