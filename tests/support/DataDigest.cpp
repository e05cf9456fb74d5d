#include "support/DataDigest.h"

#include "store/Ini.h"
#include "support/TestProgramDir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QUuid>

namespace {

QByteArray rowsOf(const QString& file)
{
    QByteArray out;
    const QString name = QStringLiteral("digest-") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (db.open()) {
            for (const QString& table : {QStringLiteral("main"), QStringLiteral("user1"), QStringLiteral("version")}) {
                QSqlQuery q(db);
                if (!q.exec(QStringLiteral("select * from ") + table + QStringLiteral(" order by rowid")))
                    out += "no table " + table.toUtf8() + '\n';
                while (q.next()) {
                    QStringList values;
                    for (int i = 0; i < q.record().count(); ++i)
                        values.append(q.value(i).toString());
                    out += table.toUtf8() + ':' + values.join(QLatin1Char('|')).toUtf8() + '\n';
                }
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}

// The rows of a book on the tests' server, as the directory's server.ini names it (the photos' bytes are left out:
// a restore may add a desktop's own photos to the server, which photo/ shows anyway).
QByteArray serverRows(const QString& programDir)
{
    QByteArray out;
    const QString name = QStringLiteral("digest-") + QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(TestProgramDir::serverSocket());
        db.setDatabaseName(store::Ini::read(programDir + QStringLiteral("/server.ini"), QStringLiteral("server"),
                                            QStringLiteral("dbname")));
        db.setUserName(QStringLiteral("postgres"));
        if (db.open()) {
            // The server numbers restored rows anew: their order is what counts, not the numbers.
            for (const char* select :
                 {"select 姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间 from main "
                  "order by id",
                  "select * from user1 order by 用户", "select * from version"}) {
                QSqlQuery q(db);
                if (!q.exec(QString::fromUtf8(select)))
                    out += "no table\n";
                while (q.next()) {
                    QStringList values;
                    for (int i = 0; i < q.record().count(); ++i)
                        values.append(q.value(i).toString());
                    out += values.join(QLatin1Char('|')).toUtf8() + '\n';
                }
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}

} // namespace

QMap<QString, QByteArray> dataDigest(const QString& programDir)
{
    QMap<QString, QByteArray> digest;
    const QDir dir(programDir);
    QDirIterator it(programDir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = dir.relativeFilePath(path);
        if (rel == QLatin1String("backup") || rel.startsWith(QLatin1String("backup/")) ||
            rel == QLatin1String(".velloran.lock") || rel == QLatin1String("call.mdb-wal") ||
            rel == QLatin1String("call.mdb-shm"))
            continue;
        if (it.fileInfo().isDir()) {
            digest.insert(rel + QLatin1Char('/'), QByteArray());
        } else if (rel == QLatin1String("call.mdb")) {
            digest.insert(rel, rowsOf(path));
        } else {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            digest.insert(rel, QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex());
        }
    }
    // A directory whose book lies on the server: the book is what is there, not the desktop's unused file.
    if (TestProgramDir::onServer() && QFileInfo::exists(programDir + QStringLiteral("/server.ini")))
        digest.insert(QStringLiteral("call.mdb"), serverRows(programDir));
    return digest;
}
