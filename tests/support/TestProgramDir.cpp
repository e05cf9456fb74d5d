#include "support/TestProgramDir.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include "store/Ini.h"

QString TestProgramDir::source()
{
    return QStringLiteral(VELLORAN_PROGRAM_DIR);
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
}

bool TestProgramDir::exec(const QStringList& statements) const
{
    const QString name = QStringLiteral("fixture-") + QUuid::createUuid().toString();
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file(QStringLiteral("call.mdb")));
        ok = db.open();
        for (const QString& s : statements) {
            if (!ok)
                break;
            QSqlQuery q(db);
            ok = q.exec(s);
            if (!ok)
                qWarning("fixture statement failed: %s: %s", qPrintable(s), qPrintable(q.lastError().text()));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
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

int TestProgramDir::count(const QString& table) const
{
    const QString name = QStringLiteral("fixture-") + QUuid::createUuid().toString();
    int n = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file(QStringLiteral("call.mdb")));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("select count(*) from ") + table) && q.next())
                n = q.value(0).toInt();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return n;
}

QString TestProgramDir::value(const QString& select) const
{
    const QString name = QStringLiteral("fixture-") + QUuid::createUuid().toString();
    QString v;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file(QStringLiteral("call.mdb")));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(select) && q.next())
                v = q.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return v;
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
