// What only a book on the office's server has: the start-up's checks of the server, users and photos shared by
// every desktop, the server's password, the running program's rights, the run's lock against a restore, and
// archives that move between the two stores.
#include "app/Program.h"
#include "app/Tlogin.h"
#include "backup/Backup.h"
#include "backup/Restore.h"
#include "backup/ServerCommands.h"
#include "mainwin/Forms.h"
#include "mainwin/Tmain.h"
#include "platform/PasswordAsk.h"
#include "platform/ProgramDir.h"
#include "store/Book.h"
#include "store/BookChanges.h"
#include "store/BookLock.h"
#include "store/Connection.h"
#include "store/Ini.h"
#include "store/PhotoStore.h"
#include "store/Query.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const char* const Insert = "insert into main (姓名, 手机) values (:name, '130')";

// Names in the order the book lists them, newest first.
QStringList newestFirst(store::Connection& c)
{
    store::Query q(c, "select 姓名 from main order by id desc");
    QStringList names;
    if (!q.exec())
        return {q.errorText()};
    while (q.next())
        names << q.text(0);
    return names;
}

} // namespace

class tst_office : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;
    std::unique_ptr<PromptRecorder> m_prompts;

    QString label() const { return forms::login->findChild<QLabel*>("Label1")->text(); }
    bool setServer(const QList<QPair<QString, QString>>& values) const
    {
        return store::Ini::write(m_dir->file("server.ini"), "server", values);
    }
    // Starts the program's windows as the program body does and waits until the start-up window is gone or waits
    // for a sign-in.
    void start()
    {
        store::Book::choose(m_dir->path());
        forms::entered = false;
        forms::main = new Tmain;
        forms::login = new Tlogin(m_dir->path(), *forms::main);
        forms::login->show();
    }
    bool signInShown() const
    {
        return QTest::qWaitFor([] { return forms::login->findChild<QWidget*>("Panel3")->isVisible(); });
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(TestProgramDir::onServer(), "runs against the tests' private server only");
        Tlogin::setFailurePause(20);
    }

    void init()
    {
        m_dir = std::make_unique<TestProgramDir>();
        QVERIFY(m_dir->isValid());
        m_prompts = std::make_unique<PromptRecorder>();
        platform::ProgramDir::set(m_dir->path());
    }

    void cleanup()
    {
        platform::PasswordAsk::setHandler({});
        Program::shutdown();
        m_prompts.reset();
        m_dir.reset();
    }

    void startFailuresNameTheServer_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("says");
        QTest::newRow("unreachable") << "unreachable"
                                     << "无法连接服务器 /nonexistent/socket：";
        QTest::newRow("refused credentials") << "stranger"
                                             << "拒绝了连接（数据库 ";
        QTest::newRow("no tables") << "noTables"
                                   << "没有通讯录的数据表";
        QTest::newRow("older version") << "older"
                                       << "旧版本";
        QTest::newRow("being restored") << "restoring"
                                        << "正在恢复服务器";
        QTest::newRow("a password in server.ini") << "password"
                                                  << "密码不能写在 server.ini 中";
    }

    void startFailuresNameTheServer()
    {
        QFETCH(QString, setup);
        QFETCH(QString, says);
        store::ServerSettings server;
        QVERIFY(store::Book::settingsFor(m_dir->path(), &server));
        std::unique_ptr<store::BookLock> restore;
        if (setup == "unreachable") {
            QVERIFY(setServer({{"host", "/nonexistent/socket"}}));
        } else if (setup == "stranger") {
            QVERIFY(setServer({{"user", "nobody_here"}}));
        } else if (setup == "noTables") {
            QVERIFY(m_dir->exec({"drop table main", "drop table photo"}));
        } else if (setup == "older") {
            QVERIFY(m_dir->exec({"update version set 版本='3.0'"}));
        } else if (setup == "restoring") {
            restore = std::make_unique<store::BookLock>(server);
            QCOMPARE(restore->tryLock(store::BookLock::Mode::Exclusive), store::BookLock::Result::Locked);
        } else if (setup == "password") {
            QVERIFY(setServer({{"password", "secret"}}));
        }
        start();
        QTRY_VERIFY(forms::login->isHidden());
        QVERIFY(forms::login->failed());
        QVERIFY2(label().contains(says), qPrintable(label()));
        // The Chinese sentence leads; a technical text, when there is one, follows on its own line.
        QVERIFY2(label().at(0).unicode() > 0x2e80 || label().startsWith("server.ini"), qPrintable(label()));
    }

    // A user made at another desktop signs in here; one deleted there is gone here, down to open mode.
    void usersFollowTheServer()
    {
        QVERIFY(m_dir->addUser("amy", "pw", "超级用户"));
        start();
        QVERIFY(signInShown());
        QCOMPARE(forms::login->findChild<QComboBox*>("ComboBox1")->itemText(0), QString("amy"));
        QCOMPARE(store::Ini::read(m_dir->file("user.ini"), "ok", "yes"), QString("1"));
        Program::shutdown();

        QVERIFY(m_dir->exec({"delete from user1"}));
        start();
        QTRY_VERIFY(forms::login->isHidden());
        QVERIFY(forms::entered);
        QVERIFY(store::Ini::keys(m_dir->file("user.ini"), "user").isEmpty());
        QCOMPARE(store::Ini::read(m_dir->file("user.ini"), "ok", "yes"), QString("0"));
    }

    void serverPasswordAskedOnceAndKeptInMemory_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("entered");
        QTest::newRow("right") << "secret" << true;
        QTest::newRow("wrong") << "guess" << false;
    }

    void serverPasswordAskedOnceAndKeptInMemory()
    {
        QFETCH(QString, answer);
        QFETCH(bool, entered);
        QVERIFY(setServer({{"user", "velloran_pw"}}));
        int asked = 0;
        platform::PasswordAsk::setHandler([&](const QString& text, QString* password) {
            ++asked;
            *password = answer;
            return text.contains("velloran_pw");
        });
        start();
        QTRY_VERIFY(forms::login->isHidden());
        QCOMPARE(forms::entered, entered);
        QCOMPARE(asked, 1);
        if (!entered)
            QVERIFY2(label().contains("拒绝了连接"), qPrintable(label()));
        QVERIFY(!m_dir->read("server.ini").contains(answer.toUtf8()));
    }

    // The running program's role changes rows and nothing else.
    void programChangesRowsOnly()
    {
        store::Connection c("main.acper", "call.mdb");
        for (const char* statement : {"drop table main", "create table extra (a integer)", "delete from version",
                                      "alter table main add column x text", "truncate photo"}) {
            store::Query q(c, statement);
            QVERIFY2(!q.exec(), statement);
        }
        store::Query add(c, Insert);
        add.bind("name", "张三");
        QVERIFY2(add.exec(), qPrintable(add.errorText()));
        QCOMPARE(m_dir->count("main"), 1);
    }

    // Exactly the names SQLite's NOCASE takes for one are one on the server: A-Z fold, nothing else does.
    void namesFoldLikeTheEmbeddedFile()
    {
        store::Connection server("main.acper", "call.mdb");
        store::Connection file("file.acper", "call.mdb", store::Connection::Store::File);
        const QList<QPair<QString, QString>> pairs = {{"Zhang San", "zHANG sAN"},
                                                      {"Ärger", "ärger"},
                                                      {"ＡＢＣ", "ａｂｃ"},
                                                      {"Straße", "STRASSE"},
                                                      {"İstanbul", "istanbul"},
                                                      {"Ωmega", "ωmega"},
                                                      {"Ǆ", "ǆ"}};
        for (store::Connection* c : {&server, &file}) {
            for (const auto& [first, second] : pairs) {
                store::Query q(*c, Insert);
                q.bind("name", first);
                QVERIFY2(q.exec(), qPrintable(q.errorText()));
                q.bind("name", second);
                const bool stored = q.exec();
                QCOMPARE(stored, first != "Zhang San");
                QCOMPARE(q.uniqueViolation(), !stored);
            }
        }
        QCOMPARE(newestFirst(server), newestFirst(file));
    }

    // A photo saved at one desktop is shown at another, and a changed one replaces the other's copy.
    void photosReachEveryDesktop()
    {
        TestProgramDir other;
        QVERIFY(store::Ini::write(other.file("server.ini"), "server", "dbname", m_dir->database()));
        const QString name = "张三.jpg";
        for (const QByteArray& bytes : {QByteArray(3000, 'a'), QByteArray(2000, 'b')}) {
            platform::ProgramDir::set(m_dir->path());
            QVERIFY(m_dir->write("photo/" + name, bytes));
            QString error;
            QVERIFY2(store::PhotoStore::put(store::PhotoStore::connection(), name, &error), qPrintable(error));
            store::Book::forget();
            platform::ProgramDir::set(other.path());
            QVERIFY2(store::PhotoStore::refresh(store::PhotoStore::connection(), name, &error), qPrintable(error));
            QCOMPARE(other.read("photo/" + name), bytes);
            store::Book::forget();
        }
        QCOMPARE(m_dir->count("photo"), 1);
    }

    // The desktop's book, its users and its photos go to an empty server book in one transaction, order kept.
    void pushCopiesTheDesktopBook()
    {
        QVERIFY(m_dir->exec({"insert into photo (name, data) values ('x.jpg', 'x')"}));
        store::Connection file("file.acper", "call.mdb", store::Connection::Store::File);
        for (const char* name : {"老大", "老二"}) {
            store::Query q(file, Insert);
            q.bind("name", name);
            QVERIFY(q.exec());
        }
        store::Query user(file, "insert into user1 (用户, 密码, 权限) values ('amy', 'pw', '超级用户')");
        QVERIFY(user.exec());
        file.close();
        QVERIFY(m_dir->write("photo/老二.jpg", QByteArray(700, 'q')));
        store::ServerSettings server;
        QVERIFY(store::Book::settingsFor(m_dir->path(), &server));
        QString done;
        QString error;
        QVERIFY(!backup::ServerCommands::push(m_dir->path(), server, &done, &error));
        QVERIFY2(error.contains("不是空的"), qPrintable(error));
        QCOMPARE(m_dir->count("main"), 0);

        QVERIFY(m_dir->exec({"delete from photo"}));
        QVERIFY2(backup::ServerCommands::push(m_dir->path(), server, &done, &error), qPrintable(error));
        QVERIFY2(done.startsWith("已把 2 位联系人、1 个用户和 1 张照片复制到服务器"), qPrintable(done));
        store::Connection c("main.acper", "call.mdb");
        QCOMPARE(newestFirst(c), QStringList({"老二", "老大"}));
        QCOMPARE(m_dir->value("select 权限 from user1 where 用户='amy'"), QString("超级用户"));
        QCOMPARE(m_dir->value("select length(data) from photo where name='老二.jpg'"), QString("700"));
    }

    // Each running program holds the book's lock shared; a restore needs it alone, at any desktop; a server that
    // refuses the archive's book leaves the server and the desktop's files as they were.
    void restoreWaitsForEveryProgram()
    {
        QVERIFY(m_dir->addContact("原来"));
        QTemporaryDir out;
        const QString archive = out.filePath("book.zip");
        QString error;
        QVERIFY2(backup::Backup::write(m_dir->path(), archive, {}, nullptr, &error), qPrintable(error));
        store::ServerSettings server;
        QVERIFY(store::Book::settingsFor(m_dir->path(), &server));
        QCOMPARE(store::BookLock::holdRun(server), store::BookLock::Result::Locked);
        backup::Restore::Result result;
        QVERIFY(!backup::Restore::run(m_dir->path(), archive, {}, &result, &error));
        QVERIFY2(error.contains("正在使用服务器"), qPrintable(error));
        store::BookLock::releaseRun();

        QVERIFY(m_dir->addContact("后来"));
        QVERIFY(m_dir->write("zzz", "later notes"));
        QVERIFY(m_dir->refuse("insert", "main", "disk full"));
        QVERIFY(!backup::Restore::run(m_dir->path(), archive, {}, &result, &error));
        QVERIFY2(error.startsWith("恢复失败，原来的数据保持不变") && error.contains("disk full"), qPrintable(error));
        QCOMPARE(m_dir->read("zzz"), QByteArray("later notes"));
        QCOMPARE(m_dir->count("main"), 2);
        QVERIFY(m_dir->allow("main"));
        QVERIFY2(backup::Restore::run(m_dir->path(), archive, {}, &result, &error), qPrintable(error));
        QCOMPARE(m_dir->value("select string_agg(姓名, ',') from main"), QString("原来"));
    }

    // "data server init" brings a book of the older version up to this one in place: rows kept, and the program
    // then follows the changes of other desktops in it. A book of this version is left alone.
    void olderBookUpgradedInPlace()
    {
        QVERIFY(m_dir->addContact("老大"));
        QVERIFY(m_dir->exec({"drop trigger main_stamp on main", "drop trigger main_gone on main",
                             "drop trigger main_announce on main", "drop trigger user1_announce on user1",
                             "drop function book_stamp()", "drop function book_announce()", "drop table main_removed",
                             "alter table main drop column stamp", "drop sequence book_change",
                             "update version set 版本='4.0'"}));
        store::ServerSettings owner;
        QVERIFY(store::ServerSettings::fromValues(
            {{"host", TestProgramDir::serverSocket()}, {"dbname", m_dir->database()}, {"user", "postgres"}}, &owner,
            nullptr));
        QString done;
        QString error;
        QVERIFY2(backup::ServerCommands::init(owner, &done, &error), qPrintable(error));
        QVERIFY2(done.contains("从 4.0 版升级到 4.1 版"), qPrintable(done));
        QCOMPARE(m_dir->value("select 版本 from version"), QString("4.1"));

        store::Connection c("main.acper", "call.mdb");
        qint64 mark = -1;
        QVERIFY2(store::BookChanges::mark(c, &mark, &error), qPrintable(error));
        QVERIFY(m_dir->exec({"delete from main where 姓名='老大'"}));
        QVERIFY(m_dir->addContact("老二"));
        store::BookChanges::Delta delta;
        QVERIFY2(store::BookChanges::since(c, mark, 10, &delta, &error), qPrintable(error));
        QCOMPARE(delta.gone, QStringList({"老大"}));
        QCOMPARE(delta.present.size(), size_t(1));
        QCOMPARE(delta.present[0][0], QString("老二"));

        QVERIFY(!backup::ServerCommands::init(owner, &done, &error));
        QVERIFY2(error.contains("什么也没有改变"), qPrintable(error));
    }

    // An archive of the embedded file restores into a server book and back, order and photos kept.
    void archivesMoveBetweenTheStores()
    {
        TestProgramDir embedded;
        QVERIFY(QFile::remove(embedded.file("server.ini")));
        platform::ProgramDir::set(embedded.path());
        store::Connection file("file.acper", "call.mdb", store::Connection::Store::File);
        for (const char* name : {"老大", "老二", "老三"}) {
            store::Query q(file, Insert);
            q.bind("name", name);
            QVERIFY(q.exec());
        }
        file.close();
        QVERIFY(embedded.write("photo/老二.jpg", QByteArray(1500, 'p')));
        QTemporaryDir out;
        QString error;
        QVERIFY2(backup::Backup::write(embedded.path(), out.filePath("a.zip"), {}, nullptr, &error), qPrintable(error));

        backup::Restore::Result result;
        QVERIFY2(backup::Restore::run(m_dir->path(), out.filePath("a.zip"), {}, &result, &error), qPrintable(error));
        platform::ProgramDir::set(m_dir->path());
        store::Connection server("main.acper", "call.mdb");
        QCOMPARE(newestFirst(server), QStringList({"老三", "老二", "老大"}));
        QCOMPARE(m_dir->value("select length(data) from photo where name='老二.jpg'"), QString("1500"));

        QVERIFY(m_dir->exec({"delete from main where 姓名='老大'"}));
        QVERIFY2(backup::Backup::write(m_dir->path(), out.filePath("b.zip"), {}, nullptr, &error), qPrintable(error));
        QVERIFY2(backup::Restore::run(embedded.path(), out.filePath("b.zip"), {}, &result, &error), qPrintable(error));
        platform::ProgramDir::set(embedded.path());
        QCOMPARE(newestFirst(file), QStringList({"老三", "老二"}));
        QCOMPARE(embedded.read("photo/老二.jpg"), QByteArray(1500, 'p'));
    }
};

QTEST_MAIN(tst_office)
#include "tst_office.moc"
