// The data program: its command line as a scheduled job runs it, and its window's wiring.
#include "backup/Backup.h"
#include "backup/Tdata.h"
#include "platform/Pickers.h"
#include "store/Ini.h"
#include "store/ProgramLock.h"
#include "support/DataDigest.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

class tst_data : public QObject {
    Q_OBJECT
private slots:
    void commandLine_data();
    void commandLine();
    void killedBackupLeavesNoCopy();
    void unreachableDisplay();
    void window();
    void serverForm();
};

namespace {

QProcessEnvironment dataEnvironment(const QString& programDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELLORAN_DATA_DIR"), programDir);
    env.insert(QStringLiteral("LANG"), QStringLiteral("C")); // as cron runs it: Chinese names must survive
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    return env;
}

QStringList snapshotFolders(const QString& dir)
{
    return QDir(dir).entryList({QStringLiteral(".velloran-snapshot-*")}, QDir::AllEntries | QDir::Hidden);
}

} // namespace

void tst_data::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");
    QTest::newRow("backup") << QStringList{"backup", "新.zip"} << 0 << "备份完成";
    QTest::newRow("verify") << QStringList{"verify", "good.zip"} << 0 << "档案完好";
    QTest::newRow("restore") << QStringList{"restore", "good.zip"} << 0 << "恢复完成";
    QTest::newRow("verify a broken archive") << QStringList{"verify", "broken.zip"} << 1 << "data verify 失败";
    QTest::newRow("restore a broken archive") << QStringList{"restore", "broken.zip"} << 1 << "data restore 失败";
    QTest::newRow("restore while velloran runs") << QStringList{"restore", "good.zip"} << 1 << "正在运行";
    QTest::newRow("backup over the notes") << QStringList{"backup", "@/zzz"} << 1 << "不能把档案写在程序目录的数据中";
    QTest::newRow("missing archive") << QStringList{"verify", "nothing.zip"} << 1 << "找不到档案文件";
    QTest::newRow("export") << QStringList{"export", "通讯录.csv"} << 0 << "已导出1个联系人。";
    // The report's lines follow the summary: the contacts skipped, or filled when asked to.
    QTest::newRow("import") << QStringList{"import", "cards.vcf"} << 0
                            << "已导入1个联系人，跳过1个（已有1个，文件中重复0个，没有姓名0个）。\n跳过的联系人：\n"
                               "张三（第6行）：已有这个人的记录\n";
    QTest::newRow("import, filling blanks")
        << QStringList{"import", "--fill-blanks", "cards.vcf"} << 0 << "补充的项目：\n张三（第6行）：住址\n";
    QTest::newRow("option without a file") << QStringList{"import", "--fill-blanks"} << 2 << "用法";
    QTest::newRow("import a card that never ends") << QStringList{"import", "open.vcf"} << 1 << "第1行";
    QTest::newRow("import of another format") << QStringList{"import", "cards.txt"} << 1 << "data import 失败";
    // The server commands: the book holds 张三 on either store, so a server refuses to be set up or filled again.
    const bool server = TestProgramDir::onServer();
    QTest::newRow("server status") << QStringList{"server", "status"} << 0 << "共有 1 位联系人";
    QTest::newRow("server init") << QStringList{"server", "init"} << 1
                                 << (server ? "已经有通讯录的数据表，什么也没有改变" : "没有指定服务器");
    QTest::newRow("server push") << QStringList{"server", "push"} << 1
                                 << (server ? "不是空的（1 位联系人、1 个用户、0 张照片）" : "没有指定服务器");
    QTest::newRow("server, no command") << QStringList{"server"} << 2 << "data server init|push|status";
    QTest::newRow("unknown command") << QStringList{"frobnicate", "good.zip"} << 2 << "用法";
    QTest::newRow("no archive") << QStringList{"verify"} << 2 << "用法";
    QTest::newRow("help") << QStringList{"--help"} << 0 << "退出状态：0 完成；1 失败";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "4.0";
    QTest::newRow("import while restoring") << QStringList{"import", "cards.vcf"} << 1 << "正在恢复数据，现在不能导入";
    QTest::newRow("export while restoring") << QStringList{"export", "x.csv"} << 1 << "正在恢复数据，现在不能导出";
    QTest::newRow("backup of a link out")
        << QStringList{"backup", "新.zip"} << 0 << "没有备份：photo/外.jpg（链接到程序目录之外）。";
}

void tst_data::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, says);
    TestProgramDir t;
    QTemporaryDir cwd;
    QVERIFY(t.addContact(QStringLiteral("张三")));
    QVERIFY(t.addSignInUser(QStringLiteral("李四"), QStringLiteral("1"), QStringLiteral("超级用户")));
    QVERIFY(t.write(QStringLiteral("zzz"), "notes"));
    QVERIFY(backup::Backup::write(t.path(), cwd.filePath(QStringLiteral("good.zip")), {}, nullptr, nullptr));
    QFile broken(cwd.filePath(QStringLiteral("broken.zip")));
    QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("PK\x03\x04 not really") > 0);
    broken.close();
    for (const auto& [name, text] :
         {std::pair{"cards.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:王五\r\nTEL;TYPE=CELL:13912345678\r\nEND:VCARD\r\n"
                                 "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:张三\r\nADR:;;迎泽大街1号;;;;\r\nEND:VCARD\r\n"},
          std::pair{"open.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nBEGIN:VCARD\r\nFN:王五\r\n"},
          std::pair{"cards.txt", "王五,13912345678\r\n"}}) {
        QFile f(cwd.filePath(QString::fromUtf8(name)));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text) > 0);
    }
    const QString tag = QString::fromLatin1(QTest::currentDataTag());
    store::ProgramLock running(t.path());
    if (tag.contains(QLatin1String("runs")) || tag.contains(QLatin1String("restoring")))
        QCOMPARE(running.tryLock(tag.contains(QLatin1String("runs")) ? store::ProgramLock::Mode::Shared
                                                                     : store::ProgramLock::Mode::Exclusive),
                 store::ProgramLock::Result::Locked);
    if (tag.contains(QLatin1String("link")))
        QVERIFY(QFile::link(cwd.filePath(QStringLiteral("cards.txt")), t.file(QStringLiteral("photo/外.jpg"))));
    // What a backup killed outright left beside its archive.
    QVERIFY(QDir().mkpath(cwd.filePath(QStringLiteral(".velloran-snapshot-Ab12Cd"))));
    QVERIFY(QFile::copy(t.file(QStringLiteral("call.mdb")),
                        cwd.filePath(QStringLiteral(".velloran-snapshot-Ab12Cd/call.mdb"))));
    arguments.replaceInStrings(QStringLiteral("@"), t.path());
    const auto before = dataDigest(t.path());

    QProcess data;
    const QProcessEnvironment env = dataEnvironment(t.path());
    data.setProcessEnvironment(env);
    data.setWorkingDirectory(cwd.path());
    data.start(QStringLiteral(VELLORAN_PROGRAM_DIR "/data"), arguments);
    QVERIFY(data.waitForFinished(60000));
    const QString out = QString::fromUtf8(data.readAllStandardOutput());
    const QString err = QString::fromUtf8(data.readAllStandardError());
    QCOMPARE(data.exitStatus(), QProcess::NormalExit);
    QCOMPARE(data.exitCode(), status);
    QVERIFY2((status == 0 ? out : err).contains(says), qPrintable(out + err));
    if (status != 0) {
        QCOMPARE(err.count(QLatin1Char('\n')), 1);
        QCOMPARE(dataDigest(t.path()), before);
    }
    if (arguments.first() == QLatin1String("backup") && status == 0) {
        QCOMPARE(snapshotFolders(cwd.path()), QStringList());
        QProcess verify;
        verify.setProcessEnvironment(env);
        verify.setWorkingDirectory(cwd.path());
        verify.start(QStringLiteral(VELLORAN_PROGRAM_DIR "/data"), {QStringLiteral("verify"), arguments.at(1)});
        QVERIFY(verify.waitForFinished(60000));
        QCOMPARE(verify.exitCode(), 0);
        QVERIFY(QString::fromUtf8(verify.readAllStandardOutput()).contains(QStringLiteral("1 位联系人")));
    }
    if (arguments.first() == QLatin1String("restore") && status == 0)
        QCOMPARE(dataDigest(t.path()), before); // the archive was made of this very state
}

// A backup killed while it copies the database leaves no copy of the contacts beside its archive.
void tst_data::killedBackupLeavesNoCopy()
{
    if (TestProgramDir::onServer())
        QSKIP("the backup is held by locking the desktop's own database file");
    TestProgramDir t;
    QTemporaryDir cwd;
    QVERIFY(t.addContact(QStringLiteral("张三")));
    // Another program holds the database: the backup waits with its snapshot folder made.
    QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
    holder.setDatabaseName(t.file(QStringLiteral("call.mdb")));
    QVERIFY(holder.open());
    QSqlQuery q(holder);
    QVERIFY(q.exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE")) && q.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    QProcess data;
    data.setProcessEnvironment(dataEnvironment(t.path()));
    data.setWorkingDirectory(cwd.path());
    data.start(QStringLiteral(VELLORAN_PROGRAM_DIR "/data"), {QStringLiteral("backup"), QStringLiteral("a.zip")});
    QTRY_COMPARE_WITH_TIMEOUT(snapshotFolders(cwd.path()).size(), 1, 30000);
    data.terminate();
    QVERIFY(data.waitForFinished(30000));
    QCOMPARE(data.exitStatus(), QProcess::CrashExit);
    QCOMPARE(snapshotFolders(cwd.path()), QStringList());
    QVERIFY(QDir(cwd.path()).isEmpty());
    q.exec(QStringLiteral("ROLLBACK"));
    q.finish();
    holder.close();
    holder = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
}

// A display that does not answer is told in the program's own words, not by Qt's abort.
void tst_data::unreachableDisplay()
{
    int display = 87;
    while (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(display)))
        ++display;
    TestProgramDir t;
    QProcess data;
    QProcessEnvironment env = dataEnvironment(t.path());
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(display));
    data.setProcessEnvironment(env);
    data.start(QStringLiteral(VELLORAN_PROGRAM_DIR "/data"), QStringList());
    QVERIFY(data.waitForFinished(60000));
    const QString err = QString::fromUtf8(data.readAllStandardError());
    QCOMPARE(data.exitStatus(), QProcess::NormalExit);
    QCOMPARE(data.exitCode(), 2);
    QVERIFY2(err.contains(QStringLiteral("无法打开 DISPLAY 所指的图形显示")) && !err.contains(QLatin1String("Qt platform plugin")),
             qPrintable(err));
}

void tst_data::window()
{
    TestProgramDir t;
    QVERIFY(t.addContact(QStringLiteral("张三")));
    PromptRecorder prompts(QMessageBox::Yes);
    const QString archive = t.file(QStringLiteral("backup/手动.zip"));
    QVERIFY(QDir().mkpath(t.file(QStringLiteral("backup"))));
    platform::Pickers::setSaveFileAnswer([&] { return archive; });
    Tdata w(t.path());
    w.show();
    auto* list = w.findChild<QTreeWidget*>(QStringLiteral("ListView1"));
    QCOMPARE(list->topLevelItemCount(), 0);

    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
    QTRY_VERIFY(!w.isBusy());
    QCOMPARE(prompts.count(), 1);
    QCOMPARE(prompts.last().caption, QStringLiteral("提示"));
    QVERIFY(QFile::exists(archive));
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("1"));

    // Restoring the listed archive asks first, then brings the contact back.
    QVERIFY(t.exec({QStringLiteral("delete from main")}));
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("Button2")), Qt::LeftButton);
    QTRY_VERIFY(!w.isBusy());
    QCOMPARE(prompts.count(), 3);
    QCOMPARE(prompts.boxes().at(1).icon, QMessageBox::Question);
    QCOMPARE(prompts.last().caption, QStringLiteral("提示"));
    QCOMPARE(t.count(QStringLiteral("main")), 1);

    // Refused while the main program runs: said so, through the message seam.
    store::ProgramLock running(t.path());
    QCOMPARE(running.tryLock(store::ProgramLock::Mode::Shared), store::ProgramLock::Result::Locked);
    platform::Pickers::setOpenFileAnswer([&] { return archive; });
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("Button3")), Qt::LeftButton);
    QTRY_VERIFY(!w.isBusy());
    QCOMPARE(prompts.last().caption, QStringLiteral("失败"));
    QVERIFY2(prompts.last().text.contains(QStringLiteral("正在运行")), qPrintable(prompts.last().text));
    platform::Pickers::setSaveFileAnswer({});
    platform::Pickers::setOpenFileAnswer({});
}

// The form for server.ini: a connection test that says what the book holds, and values checked before saving.
void tst_data::serverForm()
{
    TestProgramDir t;
    QVERIFY(t.addContact(QStringLiteral("张三")));
    Tdata w(t.path());
    const auto edit = [&w](const char* name) { return w.findChild<QLineEdit*>(QString::fromLatin1(name)); };
    const auto click = [&w](const char* name) {
        QTest::mouseClick(w.findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
    };
    const auto result = [&w] { return w.findChild<QPlainTextEdit*>(QStringLiteral("ServerResult"))->toPlainText(); };
    QCOMPARE(edit("ServerHost")->text(), TestProgramDir::serverSocket());

    click("ServerTest");
    QTRY_VERIFY(result().contains(QStringLiteral("共有 1 位联系人")));
    QVERIFY(w.findChild<QPushButton*>(QStringLiteral("ServerTest"))->isEnabled());

    const QByteArray saved = t.read(QStringLiteral("server.ini"));
    edit("ServerPort")->setText(QStringLiteral("5432;host=elsewhere"));
    click("ServerSave");
    QVERIFY2(result().startsWith(QStringLiteral("server.ini 中的设置无效")), qPrintable(result()));
    QCOMPARE(t.read(QStringLiteral("server.ini")), saved);

    edit("ServerPort")->clear();
    edit("ServerHost")->setText(QStringLiteral("db.office.lan"));
    edit("ServerPassword")->setText(QStringLiteral("secret"));
    click("ServerSave");
    QVERIFY2(result().contains(QStringLiteral("服务器 db.office.lan")), qPrintable(result()));
    QCOMPARE(store::Ini::read(t.file(QStringLiteral("server.ini")), QStringLiteral("server"), QStringLiteral("host")),
             QStringLiteral("db.office.lan"));
    QVERIFY(!t.read(QStringLiteral("server.ini")).contains("secret"));
}

QTEST_MAIN(tst_data)
#include "tst_data.moc"
