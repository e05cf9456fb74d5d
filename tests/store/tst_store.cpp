#include "platform/ProgramDir.h"
#include "store/Book.h"
#include "store/Connection.h"
#include "store/Dataset.h"
#include "store/Ini.h"
#include "store/Query.h"
#include "store/Statements.h"
#include "store/Tdmper.h"
#include "support/TestProgramDir.h"

#include <QFile>
#include <QtTest>

#include <memory>

using store::Connection;
using store::Dataset;
using store::Query;
namespace sql = store::sql;

namespace {

const char* const InsertContact = "insert into main (姓名, 手机) values (:name, :mobile)";
const char* const InsertUser = "insert into user1 (用户, 密码, 权限) values (:user, :password, :rights)";
const char* const MobileByName = "select 手机 from main where 姓名=:username";

bool insertContact(Connection& c, const QString& name, const QString& mobile = QStringLiteral("13012345678"))
{
    Query q(c, InsertContact);
    q.bind(QStringLiteral("Name"), name);
    q.bind(QStringLiteral("MOBILE"), mobile);
    return q.exec();
}

int scalar(Connection& c, const char* statement)
{
    Query q(c, statement);
    if (!q.exec() || !q.next())
        return -1;
    return q.text(0).toInt();
}

int countMain(Connection& c)
{
    return scalar(c, sql::CountMain);
}

// Names found by a statement, in the order it returns them.
QStringList names(Connection& c, const char* statement, const QString& parameter, const QString& value)
{
    Query q(c, statement);
    q.bind(parameter, value);
    QStringList found;
    if (!q.exec())
        return {QStringLiteral("<error: %1>").arg(q.errorText())};
    while (q.next())
        found.append(q.text(0));
    return found;
}

} // namespace

class TestStore : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;

private slots:
    void init()
    {
        m_dir = std::make_unique<TestProgramDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(QFile::exists(m_dir->file("call.mdb")));
        platform::ProgramDir::set(m_dir->path());
    }

    void cleanup() { m_dir.reset(); }

    void placeholdersOutsideQuotesOnly()
    {
        QCOMPARE(Query::placeholders("select ':no', \":nor\" from t where a=:First and b=:用户_2 and c=:First"),
                 QStringList({":First", ":用户_2", ":First"}));
        QVERIFY(Query::placeholders("select 1 where a='12:30'").isEmpty());
    }

    void namesWithQuotesFoundAndDeletedByTheirOwnStatement()
    {
        Connection c("main.acper", "call.mdb");
        const QStringList tricky = {QString::fromUtf8("张'三"), QString::fromUtf8(" 李  四 "), "O\"Brien",
                                    "x' or '1'='1", QString::fromUtf8("张三")};
        for (const QString& name : tricky)
            QVERIFY2(insertContact(c, name), qPrintable(name));
        QCOMPARE(countMain(c), tricky.size());

        // The parameter is named in other letter cases than the statement's :username.
        for (const QString& name : tricky) {
            QCOMPARE(names(c, sql::SelectNameByName, "UserName", name), QStringList{name});
            QCOMPARE(names(c, sql::SelectNameByName, ":USERNAME", name), QStringList{name});
        }

        for (const QString& name : {QString::fromUtf8("张'三"), QString("x' or '1'='1")}) {
            Query del(c, sql::DeleteByName);
            del.bind("userName", name);
            QVERIFY2(del.exec(), qPrintable(del.errorText()));
            QCOMPARE(del.numRowsAffected(), 1);
        }
        QCOMPARE(countMain(c), 3);
        QCOMPARE(names(c, sql::SelectNameByName, "username", QString::fromUtf8("张三")),
                 QStringList{QString::fromUtf8("张三")});
        QCOMPARE(names(c, sql::SelectNameByName, "username", QString::fromUtf8(" 李  四 ")),
                 QStringList{QString::fromUtf8(" 李  四 ")});
        QVERIFY(names(c, sql::SelectNameByName, "username", QString::fromUtf8("张'三")).isEmpty());
    }

    void lookupIgnoresAsciiCase()
    {
        QVERIFY(m_dir->addContact("abc"));
        QVERIFY(m_dir->addUser("abc", "pw", "1"));
        Connection c("main.acper", "call.mdb");
        QCOMPARE(names(c, MobileByName, "username", "ABC"), QStringList{"13012345678"});
        QCOMPARE(names(c, sql::SelectNameByName, "username", "ABC"), QStringList{"abc"});
        QCOMPARE(names(c, sql::SelectUserByName, "DUser", "AbC"), QStringList{"abc"});

        Query del(c, sql::DeleteUser);
        del.bind("euser", "ABC");
        QVERIFY(del.exec());
        QCOMPARE(del.numRowsAffected(), 1);
        QCOMPARE(m_dir->count("user1"), 0);
    }

    void secondIdenticalNameRefused_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("same") << QString::fromUtf8("张三") << QString::fromUtf8("张三");
        QTest::newRow("ascii case") << "Zhang San" << "zHANG sAN";
    }

    void secondIdenticalNameRefused()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        Connection c("main.acper", "call.mdb");
        QVERIFY(insertContact(c, first, "111"));

        Query dup(c, InsertContact);
        dup.bind("name", second);
        dup.bind("mobile", "222");
        QVERIFY(!dup.exec());
        QVERIFY(dup.uniqueViolation());
        QVERIFY(!dup.errorText().isEmpty());

        // Neither as a new row nor by renaming another one.
        QVERIFY(insertContact(c, "other", "444"));
        Dataset ds("main", "id");
        ds.setConnection(&c);
        ds.setStatement(sql::SelectMainByName);
        ds.setParameter("UserName", "other");
        QVERIFY(ds.open());
        ds.append();
        ds.setField(QString::fromUtf8("姓名"), second);
        ds.setField(QString::fromUtf8("手机"), "333");
        QVERIFY(!ds.post());
        QVERIFY(ds.uniqueViolation());
        QCOMPARE(ds.state(), Dataset::State::Append);
        ds.cancel();
        QVERIFY(ds.edit());
        ds.setField(QString::fromUtf8("姓名"), second);
        QVERIFY(!ds.post());
        QVERIFY(ds.uniqueViolation());
        QCOMPARE(ds.state(), Dataset::State::Edit);

        QCOMPARE(countMain(c), 2);
        QCOMPARE(names(c, MobileByName, "username", first), QStringList{"111"});
        QCOMPARE(names(c, sql::SelectNameByName, "username", first), QStringList{first});
        QCOMPARE(names(c, MobileByName, "username", "other"), QStringList{"444"});

        Query user(c, InsertUser);
        user.bind("user", first);
        QVERIFY(user.exec());
        user.bind("user", second);
        QVERIFY(!user.exec());
        QVERIFY(user.uniqueViolation());
        QCOMPARE(m_dir->count("user1"), 1);

        // Other failures are not taken for a duplicate.
        Query bad(c, "insert into main (没有这列) values (:x)");
        QVERIFY(!bad.exec());
        QVERIFY(!bad.uniqueViolation());
        QVERIFY(!bad.errorText().isEmpty());
    }

    void connectionsSeeEachOthersRowsAtOnce()
    {
        Connection main("main.acper", "call.mdb");
        store::Tdmper dmper;
        QVERIFY(insertContact(main, "one"));
        QCOMPARE(countMain(dmper.acper), 1);

        // An open dataset and a query read to its end (still alive) must not pin an old snapshot.
        Dataset ds("main", "id");
        ds.setConnection(&dmper.acper);
        ds.setStatement(sql::SelectMainNewestFirst);
        QVERIFY(ds.open());
        QCOMPARE(ds.rowCount(), 1);
        Query readAll(dmper.acper, sql::SelectMain);
        QVERIFY(readAll.exec());
        while (readAll.next()) {
        }

        QVERIFY(insertContact(main, "two"));
        QCOMPARE(countMain(dmper.acper), 2);
        QVERIFY(ds.isOpen());

        ds.append();
        ds.setField(QString::fromUtf8("姓名"), "three");
        QVERIFY2(ds.post(), qPrintable(ds.errorText()));
        QCOMPARE(countMain(main), 3);
        QCOMPARE(names(main, sql::SelectNameByName, "username", "three"), QStringList{"three"});

        QVERIFY(ds.open());
        QCOMPARE(ds.rowCount(), 3);
        QCOMPARE(ds.field(QString::fromUtf8("姓名")), QString("three"));
    }

    void datasetAppendEditClose()
    {
        QVERIFY(m_dir->addContact("other", QString::fromUtf8("女"), 1, 2, "999"));
        Connection c("main.acper", "call.mdb");
        Dataset ds("main", "id");
        ds.setConnection(&c);
        ds.setStatement(sql::SelectMainByName);
        ds.setParameter("username", QString::fromUtf8("张三"));
        QVERIFY(ds.open());
        QVERIFY(ds.isEmpty());

        ds.append();
        ds.setField(QString::fromUtf8("姓名"), QString::fromUtf8("张三"));
        ds.setField(QString::fromUtf8("手机"), "111");
        ds.setField(QString::fromUtf8("生月"), "3");
        QVERIFY2(ds.post(), qPrintable(ds.errorText()));
        QCOMPARE(ds.state(), Dataset::State::Browse);
        QCOMPARE(countMain(c), 2);

        // The appended row can be edited at once: its stored key is known.
        QVERIFY(ds.edit());
        ds.setField(QString::fromUtf8("手机"), "222");
        QVERIFY2(ds.post(), qPrintable(ds.errorText()));
        QCOMPARE(names(c, MobileByName, "username", QString::fromUtf8("张三")), QStringList{"222"});

        // Edit by key after reopening; the other row is untouched.
        QVERIFY(ds.open());
        QCOMPARE(ds.rowCount(), 1);
        QVERIFY(ds.edit());
        ds.setField(QString::fromUtf8("姓名"), QString::fromUtf8("张三丰"));
        ds.setField(QString::fromUtf8("手机"), "333");
        QVERIFY2(ds.post(), qPrintable(ds.errorText()));
        QCOMPARE(names(c, MobileByName, "username", QString::fromUtf8("张三丰")), QStringList{"333"});
        QVERIFY(names(c, MobileByName, "username", QString::fromUtf8("张三")).isEmpty());
        QCOMPARE(names(c, MobileByName, "username", "other"), QStringList{"999"});
        QCOMPARE(countMain(c), 2);

        // Closing drops whatever is pending.
        ds.append();
        ds.setField(QString::fromUtf8("姓名"), "dropped");
        ds.close();
        QVERIFY(!ds.isOpen());
        QVERIFY(!ds.post());
        QCOMPARE(countMain(c), 2);

        ds.setParameter("username", "other");
        QVERIFY(ds.open());
        QVERIFY(ds.edit());
        ds.setField(QString::fromUtf8("手机"), "000");
        ds.close();
        QCOMPARE(names(c, MobileByName, "username", "other"), QStringList{"999"});
    }

    void twoEditsOfOneRowKeepEachOthersChanges()
    {
        QVERIFY(m_dir->addContact("amy", QString::fromUtf8("女"), 1, 2, "111"));
        Connection main("main.acper", "call.mdb");
        store::Tdmper dmper;
        // Two windows (or two running copies) read the same row, then each changes one field and writes back all.
        Dataset first("main", "id");
        Dataset second("main", "id");
        for (Dataset* ds : {&first, &second}) {
            ds->setConnection(ds == &first ? &main : &dmper.acper);
            ds->setStatement(sql::SelectMainByName);
            ds->setParameter("username", "amy");
            QVERIFY(ds->open());
            QVERIFY(ds->edit());
        }
        const auto writeBack = [](Dataset* ds, const QString& changed, const QString& value) {
            for (const QString& field : ds->fieldNames())
                ds->setField(field, field == changed ? value : ds->field(field));
            return ds->post();
        };
        QVERIFY(writeBack(&first, QString::fromUtf8("手机"), "222"));
        QVERIFY(writeBack(&second, QString::fromUtf8("住址"), QString::fromUtf8("太原")));
        QCOMPARE(names(main, MobileByName, "username", "amy"), QStringList{"222"});
        QCOMPARE(names(main, "select 住址 from main where 姓名=:username", "username", "amy"),
                 QStringList{QString::fromUtf8("太原")});
    }

    void closedDatasetNeverReportsAStore()
    {
        Connection c("main.acper", "call.mdb");
        Dataset ds("main", "id");
        ds.setConnection(&c);
        ds.setStatement("select * from 没有这表");
        QVERIFY(!ds.open());
        QVERIFY(!ds.errorText().isEmpty());
        ds.append();
        ds.setField(QString::fromUtf8("姓名"), "lost");
        QVERIFY(!ds.post());
        QCOMPARE(countMain(c), 0);
    }

    void editOfRemovedRowFails_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("field");
        QTest::newRow("main by id") << "main" << "id" << QString::fromUtf8("手机");
        QTest::newRow("user1 by name") << "user1" << QString::fromUtf8("用户") << QString::fromUtf8("密码");
    }

    void editOfRemovedRowFails()
    {
        QFETCH(QString, table);
        QFETCH(QString, key);
        QFETCH(QString, field);
        QVERIFY(m_dir->addContact("gone"));
        QVERIFY(m_dir->addUser("gone", "pw", "1"));
        Connection main("main.acper", "call.mdb");
        store::Tdmper dmper;

        Dataset ds(table, key);
        ds.setConnection(&main);
        ds.setStatement("select * from " + table);
        QVERIFY(ds.open());
        QCOMPARE(ds.rowCount(), 1);

        Query del(dmper.acper, table == "main" ? sql::DeleteByName : sql::DeleteUser);
        del.bind(table == "main" ? "username" : "euser", "gone");
        QVERIFY(del.exec());
        QCOMPARE(del.numRowsAffected(), 1);

        QVERIFY(ds.edit());
        ds.setField(field, "new");
        QVERIFY(!ds.post());
        QVERIFY(!ds.errorText().isEmpty());
        QVERIFY(!ds.uniqueViolation());
        QCOMPARE(m_dir->count(table), 0);
    }

    void missingDatabaseIsNotCreated()
    {
        if (TestProgramDir::onServer()) {
            // A server.ini naming a database that is not there: refused, and nothing is made on the server.
            QVERIFY(store::Ini::write(m_dir->file("server.ini"), "server", "dbname", "vt_never_made"));
            store::Book::choose(m_dir->path());
            Connection c("main.acper", "call.mdb");
            QString error;
            QVERIFY(!c.open(&error));
            QVERIFY2(error.contains("拒绝了连接（数据库 vt_never_made）"), qPrintable(error));
            QCOMPARE(m_dir->value("select count(*) from pg_database where datname='vt_never_made'"), QString("0"));
            return;
        }
        QVERIFY(QFile::remove(m_dir->file("call.mdb")));
        Connection c("main.acper", "call.mdb");
        QString error;
        QVERIFY(!c.open(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!c.isOpen());

        Query q(c, sql::SelectMain);
        QVERIFY(!q.exec());
        QVERIFY(!q.errorText().isEmpty());
        QStringList tables;
        QVERIFY(!c.userTables(&tables, &error));
        QVERIFY(!QFile::exists(m_dir->file("call.mdb")));
    }

    void garbageFileFailsAtFirstRead()
    {
        if (TestProgramDir::onServer())
            QSKIP("a file's own failure");
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i)
            garbage.append(char((i * 131 + 7) & 0xff));
        QVERIFY(m_dir->write("call.mdb", garbage));

        Connection c("main.acper", "call.mdb");
        QString error;
        c.open(&error); // opening may succeed: nothing is read yet
        QStringList tables;
        QVERIFY(!c.userTables(&tables, &error));
        QVERIFY(!error.isEmpty());

        Query q(c, sql::SelectMain);
        QVERIFY(!q.exec());
        QVERIFY(!q.errorText().isEmpty());
        Query ins(c, InsertContact);
        ins.bind("name", "x");
        QVERIFY(!ins.exec());

        Dataset ds("main", "id");
        ds.setConnection(&c);
        ds.setStatement(sql::SelectMain);
        QVERIFY(!ds.open());
        c.close();
        QCOMPARE(m_dir->read("call.mdb"), garbage);
    }

    // A transaction is known as open until its commit; a statement failing inside one spoils it on the server,
    // whose COMMIT would then silently roll back: commit() says so instead.
    void transactionStateIsKnown()
    {
        Connection c("main.acper", "call.mdb");
        QVERIFY(!c.inTransaction());
        QVERIFY(c.beginTransaction());
        QVERIFY(c.inTransaction());
        QVERIFY(insertContact(c, "one"));
        QVERIFY(c.inTransaction());
        QVERIFY(c.commit());
        QVERIFY(!c.inTransaction());
        QCOMPARE(countMain(c), 1);

        QVERIFY(c.beginTransaction());
        QVERIFY(insertContact(c, "two"));
        QVERIFY(!insertContact(c, "ONE"));
        if (TestProgramDir::onServer()) {
            QVERIFY(!c.inTransaction());
            QString error;
            QVERIFY(!c.commit(&error));
            QVERIFY(!error.isEmpty());
            QCOMPARE(countMain(c), 1);
        } else {
            QVERIFY(c.commit()); // SQLite undoes the failed statement alone
            QCOMPARE(countMain(c), 2);
        }
        QVERIFY(c.beginTransaction()); // usable again either way
        c.rollback();
    }

    void connectionSettingsAndWal()
    {
        if (TestProgramDir::onServer()) {
            Connection c("main.acper", "call.mdb");
            for (int round = 0; round < 2; ++round) { // the session settings come back after a reopen
                QVERIFY(c.open());
                QCOMPARE(names(c, "select current_setting('lock_timeout')", "x", "x"), QStringList{"5s"});
                QCOMPARE(names(c, "select current_setting('synchronous_commit')", "x", "x"), QStringList{"on"});
                c.close();
            }
            QStringList tables;
            QVERIFY(c.userTables(&tables));
            tables.sort();
            QCOMPARE(tables, QStringList({"main", "main_removed", "photo", "user1", "version"}));
            return;
        }
        // The installed file carries WAL in its header (bytes 18 and 19 are 2).
        QFile installed(TestProgramDir::source() + "/call.mdb");
        QVERIFY(installed.open(QIODevice::ReadOnly));
        const QByteArray header = installed.read(100);
        QVERIFY(header.startsWith("SQLite format 3"));
        QCOMPARE(int(header.at(18)), 2);
        QCOMPARE(int(header.at(19)), 2);

        Connection c("main.acper", "call.mdb");
        for (int round = 0; round < 2; ++round) { // the settings come back after a reopen
            QVERIFY(c.open());
            QCOMPARE(scalar(c, "PRAGMA busy_timeout"), 5000);
            QCOMPARE(scalar(c, "PRAGMA synchronous"), 2);
            QCOMPARE(names(c, "PRAGMA journal_mode", "x", "x"), QStringList{"wal"});
            c.close();
        }
        QStringList tables;
        QVERIFY(c.userTables(&tables));
        QVERIFY(tables.contains("main") && tables.contains("user1") && tables.contains("version"));
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
