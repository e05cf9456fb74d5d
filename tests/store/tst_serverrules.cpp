// The rules of the office server's settings and SQL that need no server: what server.ini may say, how a
// connection is secured, how the fixed statements compare names there, and how desktops follow each other.
#include "platform/ProgramDir.h"
#include "store/BookChanges.h"
#include "store/Connection.h"
#include "store/Dataset.h"
#include "store/Dialect.h"
#include "store/Ini.h"
#include "store/ServerSettings.h"
#include "store/ServerStatement.h"
#include "store/Statements.h"
#include "store/UserList.h"

#include <QSqlField>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

using store::ServerSettings;

namespace {

ServerSettings settings(const QList<QPair<QString, QString>>& values, QString* error = nullptr)
{
    ServerSettings s;
    QString why;
    if (!ServerSettings::fromValues(values, &s, &why) && error)
        *error = why;
    return s;
}

} // namespace

class tst_serverrules : public QObject {
    Q_OBJECT
private slots:
    void refusedValues_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("says");
        QTest::newRow("a password") << "password"
                                    << "secret"
                                    << "密码不能写在 server.ini 中";
        QTest::newRow("another option") << "options"
                                        << "-c search_path=evil"
                                        << "不认识的设置";
        QTest::newRow("a second option after ;") << "dbname"
                                                 << "book;host=evil"
                                                 << "分号";
        QTest::newRow("a second option after a space") << "host"
                                                       << "db host=evil"
                                                       << "主机名";
        QTest::newRow("a connection string as database") << "dbname"
                                                         << "postgresql://evil/x"
                                                         << "连接地址";
        QTest::newRow("a key=value as database") << "dbname"
                                                 << "x host=evil"
                                                 << "=";
        QTest::newRow("a line break") << "user"
                                      << "amy\nhost=evil"
                                      << "控制字符";
        QTest::newRow("no such sslmode") << "sslmode"
                                         << "sometimes"
                                         << "verify-full";
        QTest::newRow("port out of range") << "port"
                                           << "70000"
                                           << "端口";
        QTest::newRow("a service with a quote") << "service"
                                                << "a'b"
                                                << "只能由";
    }

    void refusedValues()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, says);
        QString error;
        const ServerSettings s = settings({{"host", "db.office.lan"}, {key, value}}, &error);
        QVERIFY2(error.startsWith("server.ini 中的设置无效：") && error.contains(says), qPrintable(error));
        QVERIFY(!s.isServer());
    }

    // Values are quoted as libpq reads them, so a quote or backslash stays inside its own value.
    void connectOptionsQuoteEveryValue()
    {
        QString error;
        const ServerSettings s = settings({{"HOST", " db.office.lan "},
                                           {"dbname", "通讯录 o'neil\\x"},
                                           {"user", "amy"},
                                           {"sslrootcert", "/etc/ssl/office ca.pem"}},
                                          &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(s.qtConnectOptions(), QString("host='db.office.lan';dbname='通讯录 o\\'neil\\\\x';user='amy';"
                                               "sslrootcert='/etc/ssl/office ca.pem';sslmode='verify-full';"
                                               "connect_timeout='10';keepalives='1';keepalives_idle='30';"
                                               "keepalives_interval='10';keepalives_count='3';"
                                               "tcp_user_timeout='20000';application_name='velloran'"));
        QCOMPARE(s.displayName(), QString("db.office.lan"));
        QCOMPARE(s.databaseName(), QString("通讯录 o'neil\\x"));
    }

    void encryptionByHost_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("sslmode");
        QTest::addColumn<QString>("used");
        QTest::addColumn<bool>("checked");
        QTest::newRow("another computer") << "db.office.lan"
                                          << ""
                                          << ""
                                          << "verify-full" << false;
        QTest::newRow("an address elsewhere") << "192.168.1.5"
                                              << ""
                                              << ""
                                              << "verify-full" << false;
        QTest::newRow("plain only when asked for") << "db.office.lan"
                                                   << ""
                                                   << "disable"
                                                   << "disable" << false;
        QTest::newRow("prefer may fall back to plain") << "db.office.lan"
                                                       << ""
                                                       << "prefer"
                                                       << "prefer" << true;
        QTest::newRow("a socket folder") << "/run/postgresql"
                                         << ""
                                         << ""
                                         << "" << false;
        QTest::newRow("loopback") << "localhost,127.0.0.1,::1"
                                  << ""
                                  << ""
                                  << "" << false;
        QTest::newRow("one host elsewhere in a list") << "localhost,db.office.lan"
                                                      << ""
                                                      << ""
                                                      << "verify-full" << false;
        QTest::newRow("a service names its host") << ""
                                                  << "office"
                                                  << ""
                                                  << "" << true;
        QTest::newRow("a service with sslmode") << ""
                                                << "office"
                                                << "require"
                                                << "require" << false;
    }

    void encryptionByHost()
    {
        QFETCH(QString, host);
        QFETCH(QString, service);
        QFETCH(QString, sslmode);
        QFETCH(QString, used);
        QFETCH(bool, checked);
        QString error;
        const ServerSettings s =
            settings({{"host", host}, {"service", service}, {"sslmode", sslmode}, {"user", "amy"}}, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(s.effectiveSslMode(), used);
        QCOMPARE(s.needsEncryptionCheck(), checked);
    }

    void fileWithoutServerIsTheEmbeddedStore()
    {
        QTemporaryDir dir;
        ServerSettings s;
        QString error;
        QVERIFY(ServerSettings::load(dir.path(), &s, &error));
        QVERIFY(!s.isServer());
        QVERIFY(store::Ini::write(ServerSettings::iniFile(dir.path()), "server", "host", " "));
        QVERIFY(ServerSettings::load(dir.path(), &s, &error));
        QVERIFY(!s.isServer());

        // Saved and read back; a key emptied in the form goes, the password never reaches the file.
        ServerSettings typed = settings({{"host", "db"}, {"dbname", "book"}, {"user", "amy"}});
        typed.setPassword("secret");
        QVERIFY(typed.save(dir.path(), &error));
        QVERIFY(ServerSettings::load(dir.path(), &s, &error));
        QCOMPARE(s.values(), typed.values());
        QFile file(ServerSettings::iniFile(dir.path()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains("secret"));
        QVERIFY(settings({{"host", "db"}}).save(dir.path(), &error));
        QVERIFY(ServerSettings::load(dir.path(), &s, &error));
        QCOMPARE(s.values(), (QList<QPair<QString, QString>>{{"host", "db"}}));

        // An installed program's administrator names the server for everybody without a server.ini of their own.
        QTemporaryDir person;
        QVERIFY(store::Ini::write(dir.path() + "/server.ini", "server", "dbname", "office"));
        platform::ProgramDir::setInstalled("/usr/lib/velloran", "/usr/share/velloran", dir.path());
        QVERIFY(ServerSettings::load(person.path(), &s, &error));
        QCOMPARE(s.value("dbname"), QString("office"));
        QVERIFY(store::Ini::write(ServerSettings::iniFile(person.path()), "server", "host", " "));
        QVERIFY(ServerSettings::load(person.path(), &s, &error));
        QVERIFY(!s.isServer()); // a file of one's own, even an empty one, wins
        platform::ProgramDir::setInstalled({}, {}, {});
    }

    // The server folds exactly A-Z in every statement that compares names, and nothing else changes.
    void serverStatementsFoldNames()
    {
        const store::Dialect& server = store::Dialect::server();
        const QString fold = "translate(%1, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')";
        QCOMPARE(server.statement(store::sql::SelectNameByName),
                 "select 姓名 from main where " + fold.arg("姓名") + "=" + fold.arg(":username"));
        QCOMPARE(server.statement(store::sql::RehashUserPassword), "update user1 set 密码=:hash where " +
                                                                       fold.arg("用户") + "=" + fold.arg(":duser") +
                                                                       " and 密码=:plain");
        QCOMPARE(server.statement("update main set 姓名=:name where id=:key"),
                 QString("update main set 姓名=:name where id=:key"));
        QCOMPARE(server.statement(store::sql::SelectMainNewestFirst), QString(store::sql::SelectMainNewestFirst));
        QCOMPARE(store::Dialect::embedded().statement(store::sql::DeleteUser), QString(store::sql::DeleteUser));
    }

    // user.ini follows the users of a shared book: new ones added, gone ones removed, the mode with them.
    void userListFollowsTheBook()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("user.ini");
        QVERIFY(store::Ini::write(ini, "user", {{"Amy", "1"}, {"gone", "1"}}));
        QVERIFY(store::Ini::write(ini, "cuser", "name", "Amy"));
        QString error;
        QVERIFY(store::UserList::agree(ini, {"amy", "张三", "bad=name"}, &error));
        QCOMPARE(store::Ini::keys(ini, "user"), QStringList({"Amy", "张三"}));
        QCOMPARE(store::Ini::read(ini, "ok", "yes"), QString("1"));
        QCOMPARE(store::Ini::read(ini, "cuser", "name"), QString("Amy"));
        QVERIFY(store::UserList::agree(ini, {}, &error));
        QVERIFY(store::Ini::keys(ini, "user").isEmpty());
        QCOMPARE(store::Ini::read(ini, "ok", "yes"), QString("0"));
    }

    // Named placeholders become the server's numbered ones, one number per name whatever its case; quoted text and
    // the server's casts are left alone.
    void placeholdersNumberedByName()
    {
        QStringList names;
        QCOMPARE(store::ServerStatement::positional(
                     "update main set 手机=:Mobile, 备注=':note' where 姓名=:name or 姓名=:mobile and id=:key::int",
                     &names),
                 QString("update main set 手机=$1, 备注=':note' where 姓名=$2 or 姓名=$1 and id=$3::int"));
        QCOMPARE(names, QStringList({"Mobile", "name", "key"}));
    }

    // Changes read after a mark come down to each name's last state; the program's own announcements are not news.
    void changesFoldToEachNamesLastState()
    {
        using Change = store::BookChanges::Change;
        const auto row = [](const QString& name, const QString& mobile) {
            return store::BookChanges::Row{name, "", "", mobile, "", ""};
        };
        const std::vector<Change> changes = {{false, row("张三", "1"), 11}, {true, row("李四", ""), 12},
                                             {false, row("王五", "2"), 13}, {false, row("张三", "3"), 14},
                                             {true, row("王五", ""), 15},  {false, row("李四", "4"), 16}};
        const store::BookChanges::Delta delta = store::BookChanges::fold(changes, 10);
        QCOMPARE(delta.gone, QStringList({"王五"}));
        QCOMPARE(delta.present.size(), size_t(2));
        QCOMPARE(delta.present[0], row("张三", "3"));
        QCOMPARE(delta.present[1], row("李四", "4"));
        QCOMPARE(delta.mark, 16);
        QCOMPARE(store::BookChanges::fold({}, 10).mark, 10);

        QString table;
        QVERIFY(store::BookChanges::fromElsewhere("main someone-else", &table));
        QCOMPARE(table, QString("main"));
        QVERIFY(store::BookChanges::fromElsewhere("user1 ", &table)); // a change made by hand, with no origin
        QCOMPARE(table, QString("user1"));
        QVERIFY(!store::BookChanges::fromElsewhere("main " + store::Connection::origin(), &table));
    }

    // A field both desktops changed clashes, unless both wrote the same value; fields only one side changed do not.
    void editsClashOnlyWhereBothChanged()
    {
        QSqlRecord read;
        for (const char* field : {"手机", "电话", "住址"})
            read.append(QSqlField(field, QMetaType(QMetaType::QString)));
        QSqlRecord mine = read;
        QSqlRecord now = read;
        read.setValue("手机", "1");
        read.setValue("电话", "2");
        read.setValue("住址", "3");
        mine = read;
        now = read;
        mine.setValue("手机", "10"); // both changed, differently: a clash
        now.setValue("手机", "11");
        mine.setValue("电话", "20"); // both wrote the same
        now.setValue("电话", "20");
        now.setValue("住址", "30"); // only the other changed it
        const auto clashes = store::Dataset::clashesOf(read, mine, now, {"手机", "电话"});
        QCOMPARE(clashes.size(), 1);
        QCOMPARE(clashes[0].field, QString("手机"));
        QCOMPARE(clashes[0].theirs, QString("11"));
        QCOMPARE(clashes[0].mine, QString("10"));
    }
};

QTEST_GUILESS_MAIN(tst_serverrules)
#include "tst_serverrules.moc"
