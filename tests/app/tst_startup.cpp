#include "app/Program.h"
#include "app/Tlogin.h"
#include "mainwin/Forms.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/StatusUserPanel.h"
#include "mainwin/Tmain.h"
#include "platform/ErrorLead.h"
#include "platform/ProgramDir.h"
#include "store/Ini.h"
#include "store/Passwords.h"
#include "support/ListNames.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"
#include "support/Typing.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

namespace {

const QString kDamaged = QStringLiteral("系统文件已被破坏！请重新登陆或重新安装！");
const QString kWelcome = QStringLiteral("Tarsiwen出品！免费软件，欢迎使用！");

QString lastLine(const QPlainTextEdit* memo)
{
    return memo->toPlainText().split(QLatin1Char('\n')).last();
}

QByteArray installedSettings()
{
    QFile f(TestProgramDir::source() + QStringLiteral("/set.ini"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
}

QStringList comboItems(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;
    std::unique_ptr<PromptRecorder> m_prompts;
    QMap<QString, int> m_steps; // how often each step of the chain ran

    Tlogin* login() const { return forms::login; }
    template <typename T>
    T* control(const char* name) const
    {
        return forms::login->findChild<T*>(QString::fromLatin1(name));
    }
    QString label() const { return control<QLabel>("Label1")->text(); }
    QComboBox* userBox() const { return control<QComboBox>("ComboBox1"); }
    QLineEdit* passwordBox() const { return control<QLineEdit>("Edit2"); }
    QWidget* panel() const { return control<QWidget>("Panel3"); }

    // Builds the windows the way the program body does, but shows the sign-in window modelessly.
    void start()
    {
        forms::entered = false;
        forms::main = new Tmain;
        forms::login = new Tlogin(m_dir->path(), *forms::main);
        m_steps.clear();
        Tlogin* l = forms::login;
        for (QTimer* t : {l->t1, l->t2, l->t3, l->t4, l->t5, l->t6, l->t8, l->t9, l->t10}) {
            const QString name = t->objectName();
            connect(t, &QTimer::timeout, l, [this, name] { ++m_steps[name]; });
        }
        forms::login->show();
    }

    bool panelShown() const
    {
        return QTest::qWaitFor([this] { return panel()->isVisible(); });
    }

    void enterCredentials(const QString& name, const QString& password)
    {
        userBox()->lineEdit()->clear();
        typeText(userBox()->lineEdit(), name);
        passwordBox()->clear();
        typeText(passwordBox(), password);
    }

    void verifyNoStepRanTwice() const
    {
        for (auto it = m_steps.cbegin(); it != m_steps.cend(); ++it)
            QVERIFY2(it.value() <= 1, qPrintable(it.key() + QStringLiteral(" ran %1 times").arg(it.value())));
    }

    QString ini(const QString& file, const char* section, const char* key) const
    {
        return store::Ini::read(m_dir->file(file), QString::fromLatin1(section), QString::fromLatin1(key));
    }

    bool writeUserSettings(const QString& user, const char* section, const char* key, const char* value) const
    {
        return store::Ini::write(m_dir->file(user + QStringLiteral("/set.ini")), QString::fromLatin1(section),
                                 QString::fromLatin1(key), QString::fromLatin1(value));
    }

private slots:
    void initTestCase()
    {
        Tlogin::setFailurePause(20);
        store::Passwords::setMinimumCost(true);
    }

    void init()
    {
        m_dir = std::make_unique<TestProgramDir>();
        QVERIFY(m_dir->isValid());
        m_prompts = std::make_unique<PromptRecorder>();
    }

    void cleanup()
    {
        Program::shutdown();
        QDir::setCurrent(QDir::tempPath());
        m_prompts.reset();
        m_dir.reset();
    }

    void openModeFillsTheMainWindowNewestFirst()
    {
        QVERIFY(m_dir->addContact(QStringLiteral("张三")));
        QVERIFY(m_dir->addContact(QStringLiteral("李四"), QStringLiteral("女")));
        QVERIFY(m_dir->addContact(QStringLiteral("王五")));
        start();
        QTRY_VERIFY(login()->isHidden());

        QVERIFY(forms::entered);
        QVERIFY(!login()->terminated());
        QVERIFY(!login()->failed());
        QCOMPARE(listNames(), QStringList({"王五", "李四", "张三"}));
        QCOMPARE(lastLine(forms::main->Memo3), QStringLiteral("当前共有3条记录，按录入的先后排列顺序。"));
        QVERIFY(forms::main->Edit1->text().isEmpty());
        QVERIFY(forms::main->Edit2->text().isEmpty());
        QCOMPARE(forms::main->StatusPanel0->text(), kWelcome);
        QVERIFY(!forms::main->StatusPanel0->userDrawn());
        verifyNoStepRanTwice();
        QCOMPARE(m_prompts->count(), 0);
        // Open mode never creates the sign-in state.
        QVERIFY(!QFileInfo::exists(m_dir->file("user.ini")));
    }

    void failedStartEndsThroughTheFailureStep_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("text"); // empty: the database's own error text
        QTest::addColumn<QString>("signInFlag"); // user.ini ok/yes afterwards; null: not checked

        QTest::newRow("notes file missing") << "noZzz" << "缺少文件！请重新安装！" << QString();
        QTest::newRow("database missing") << "noDb" << "缺少文件！请重新安装！" << QString();
        QTest::newRow("no version table") << "noVersion" << "数据不完整！" << QString();
        QTest::newRow("no user1 table") << "noUser1" << "数据不完整！" << QString();
        QTest::newRow("empty database file") << "emptyDb" << "数据不完整！" << QString();
        QTest::newRow("foreign database") << "foreignDb" << "数据不完整！" << QString();
        QTest::newRow("garbage bytes") << "garbageDb" << QString() << QString();
        // A folder or a pipe of the name is no installed file; a settings file of another size is no settings file.
        QTest::newRow("database is a folder") << "folderDb"
                                              << "缺少文件！请重新安装！" << QString();
        QTest::newRow("notes file is a folder") << "folderZzz"
                                                << "缺少文件！请重新安装！" << QString();
        QTest::newRow("set.ini far too large")
            << "largeSetIni" << platform::ErrorLead::damagedFile("set.ini") << QString();
        QTest::newRow("user.ini is a pipe")
            << "fifoUserIni" << platform::ErrorLead::damagedFile("user.ini") << QString();
        QTest::newRow("sign-in on, no users") << "noUsers" << kDamaged << "0";
        QTest::newRow("open mode with users") << "openWithUsers" << kDamaged << "1";
    }

    void failedStartEndsThroughTheFailureStep()
    {
        QFETCH(QString, setup);
        QFETCH(QString, text);
        QFETCH(QString, signInFlag);
        QVERIFY(m_dir->addContact(QStringLiteral("张三")));
        const QString db = m_dir->file("call.mdb");
        if (setup == "noZzz") {
            QVERIFY(QFile::remove(m_dir->file("zzz")));
        } else if (setup == "noDb") {
            QVERIFY(QFile::remove(db));
        } else if (setup == "noVersion") {
            QVERIFY(m_dir->exec({"drop table version"}));
        } else if (setup == "noUser1") {
            QVERIFY(m_dir->exec({"drop table user1"}));
        } else if (setup == "emptyDb") {
            QVERIFY(m_dir->write("call.mdb", QByteArray()));
        } else if (setup == "foreignDb") {
            QVERIFY(QFile::remove(db));
            QVERIFY(m_dir->exec({"create table contacts (name text)", "insert into contacts values ('x')"}));
        } else if (setup == "garbageDb") {
            QVERIFY(m_dir->write("call.mdb", QByteArray("this is no database at all\n").repeated(200)));
        } else if (setup == "folderDb") {
            QVERIFY(QFile::remove(db));
            QVERIFY(QDir().mkdir(db));
        } else if (setup == "folderZzz") {
            QVERIFY(QFile::remove(m_dir->file("zzz")));
            QVERIFY(QDir().mkdir(m_dir->file("zzz")));
        } else if (setup == "largeSetIni") {
            QFile settings(m_dir->file("set.ini"));
            QVERIFY(settings.resize(qint64(1) << 32));
        } else if (setup == "fifoUserIni") {
            QCOMPARE(::mkfifo(QFile::encodeName(m_dir->file("user.ini")).constData(), 0600), 0);
        } else if (setup == "noUsers") {
            QVERIFY(m_dir->write("user.ini", "[ok]\r\nyes=1\r\n[cuser]\r\nname=amy\r\n"));
        } else if (setup == "openWithUsers") {
            QVERIFY(m_dir->addUser(QStringLiteral("amy"), QStringLiteral("pw"), QStringLiteral("管理员")));
        }
        const QByteArray dbBefore = m_dir->read("call.mdb");

        start();
        QTRY_VERIFY(login()->isHidden());

        if (text.isEmpty()) {
            // The database's own words, led by what failed and what to do.
            QVERIFY2(label().startsWith(platform::ErrorLead::openDatabase("call.mdb") + u'\n'), qPrintable(label()));
            QVERIFY(label().size() > platform::ErrorLead::openDatabase("call.mdb").size() + 1);
        } else {
            QCOMPARE(label(), text);
        }
        QVERIFY(login()->failed());
        QVERIFY(login()->terminated());
        QVERIFY(!forms::entered);
        QVERIFY(!forms::main->isVisible());
        QCOMPARE(forms::main->ListView1->count(), 0);
        QCOMPARE(m_steps.value("t6"), 1);
        QCOMPARE(m_steps.value("t5"), 0);
        verifyNoStepRanTwice();
        QCOMPARE(m_prompts->count(), 0);
        if (!signInFlag.isNull())
            QCOMPARE(ini("user.ini", "ok", "yes"), signInFlag);
        // A failed start neither creates nor changes the database.
        QCOMPARE(QFileInfo::exists(db), setup != "noDb");
        if (QFileInfo(db).isFile())
            QCOMPARE(m_dir->read("call.mdb"), dbBefore);
    }

    void damagedUserListIsRepairedForTheNextStart_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("folderLost");
        QTest::newRow("user.ini lost") << "lost" << false;
        QTest::newRow("user list lost") << "noList" << false;
        QTest::newRow("user.ini and the user folder lost") << "lost" << true;
    }

    void damagedUserListIsRepairedForTheNextStart()
    {
        QFETCH(QString, damage);
        QFETCH(bool, folderLost);
        QVERIFY(m_dir->addSignInUser(QStringLiteral("amy"), QStringLiteral("pw"), QStringLiteral("管理员")));
        QVERIFY(m_dir->addUser(QStringLiteral("zed"), QStringLiteral("pw2"), QStringLiteral("一般用户")));
        QVERIFY(QFile::remove(m_dir->file("user.ini")));
        if (damage == "noList")
            QVERIFY(m_dir->write("user.ini", "[ok]\r\nyes=1\r\n"));
        if (folderLost)
            QVERIFY(QDir(m_dir->file("amy")).removeRecursively());

        // The first start meets the damage, says so and ends, having repaired user.ini.
        start();
        QTRY_VERIFY(login()->isHidden());
        QCOMPARE(label(), kDamaged);
        QVERIFY(login()->failed());
        QCOMPARE(ini("user.ini", "ok", "yes"), QStringLiteral("1"));
        QCOMPARE(store::Ini::keys(m_dir->file("user.ini"), "user"), QStringList({"amy", "zed"}));
        Program::shutdown();

        // The next starts sign in, the first one also with a lost user folder, which it makes anew.
        for (int attempt = 0; attempt < 2; ++attempt) {
            start();
            QVERIFY(panelShown());
            QCOMPARE(comboItems(userBox()), QStringList({"amy", "zed"}));
            enterCredentials(QStringLiteral("amy"), QStringLiteral("pw"));
            QTest::keyClick(passwordBox(), Qt::Key_Return);
            QTRY_VERIFY2(login()->isHidden(), qPrintable(label()));
            QVERIFY(forms::entered);
            QCOMPARE(ini("amy/set.ini", "user", "name"), QStringLiteral("amy"));
            QCOMPARE(ini("set.ini", "user", "name"), QStringLiteral("amy"));
            Program::shutdown();
        }
        QCOMPARE(m_prompts->count(), 0);
    }

    void startRemovesLeftoversOfKilledWrites()
    {
        QVERIFY(m_dir->addSignInUser(QStringLiteral("amy"), QStringLiteral("pw"), QStringLiteral("管理员")));
        const QDateTime old = QDateTime::currentDateTime().addSecs(-600);
        for (const char* name : {"set.ini.velloran-Ab12Cd", "amy/set.ini.velloran-Xy34Zw", "set.ini.backup"}) {
            QVERIFY(m_dir->write(name, "[list]\r\ncolor=3\r\n"));
            QFile f(m_dir->file(name));
            QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(old, QFileDevice::FileModificationTime));
        }
        start();
        QVERIFY(panelShown());
        QVERIFY(!QFileInfo::exists(m_dir->file("set.ini.velloran-Ab12Cd")));
        QVERIFY(!QFileInfo::exists(m_dir->file("amy/set.ini.velloran-Xy34Zw")));
        QVERIFY(QFileInfo::exists(m_dir->file("set.ini.backup")));
    }

    void signInPanelLooksAsDescribed()
    {
        QVERIFY(m_dir->addSignInUser(QStringLiteral("amy"), QStringLiteral("pw"), QStringLiteral("管理员")));
        start();
        QVERIFY(panelShown());
        typeText(passwordBox(), QStringLiteral("pw1"));
        QCOMPARE(passwordBox()->displayText(), QStringLiteral("***"));

        // A long status text wraps beside the panel instead of running over its captions and boxes.
        const QString name = QStringLiteral("一位名字非常非常长的用户");
        enterCredentials(name, QStringLiteral("x"));
        QTest::keyClick(passwordBox(), Qt::Key_Return);
        QTRY_COMPARE(label(), QStringLiteral("用户") + name + QStringLiteral("不存在！"));
        const QRect status = control<QLabel>("Label1")->geometry();
        QCOMPARE(status.topLeft(), QPoint(22, 82));
        QVERIFY2(status.right() < panel()->x(), qPrintable(QString::number(status.right())));
        QVERIFY(login()->rect().contains(status));
        const QLabel* text = control<QLabel>("Label1");
        QVERIFY(text->heightForWidth(text->width()) <= status.height());
    }

    void failureTextStaysForTheRealPause()
    {
        Tlogin::setFailurePause(3000);
        const auto restore = qScopeGuard([] { Tlogin::setFailurePause(20); });
        QVERIFY(QFile::remove(m_dir->file("zzz")));
        start();
        // The first step has put up the failure text by the time its timeout handlers after it run.
        QElapsedTimer shown;
        connect(login()->t1, &QTimer::timeout, login(), [&shown] { shown.start(); });
        QTRY_VERIFY_WITH_TIMEOUT(login()->isHidden(), 10000);
        QVERIFY(shown.isValid());
        QVERIFY2(shown.elapsed() >= 2900, qPrintable(QString::number(shown.elapsed())));
        QCOMPARE(label(), QStringLiteral("缺少文件！请重新安装！"));
        QCOMPARE(m_steps.value("t6"), 1);
    }

    void escapeOrQuitEndsTheChain_data()
    {
        QTest::addColumn<QString>("when");
        QTest::newRow("Esc before the first step") << "before";
        QTest::newRow("Esc between steps") << "between";
        QTest::newRow("Esc in the password box") << "panel";
        QTest::newRow("退出 button") << "button";
    }

    void escapeOrQuitEndsTheChain()
    {
        QFETCH(QString, when);
        QVERIFY(m_dir->addContact(QStringLiteral("张三")));
        if (when == "panel" || when == "button")
            QVERIFY(m_dir->addSignInUser(QStringLiteral("amy"), QStringLiteral("pw"), QStringLiteral("管理员")));
        start();
        if (when == "before") {
            QTest::keyClick(login(), Qt::Key_Escape);
        } else if (when == "between") {
            connect(login()->t1, &QTimer::timeout, login(), [] { QTest::keyClick(forms::login, Qt::Key_Escape); });
        } else {
            QVERIFY(panelShown());
            if (when == "panel")
                QTest::keyClick(passwordBox(), Qt::Key_Escape);
            else
                QTest::mouseClick(control<QPushButton>("BitBtn2"), Qt::LeftButton);
        }
        QTRY_VERIFY(login()->isHidden());
        QTest::qWait(50); // nothing of the chain may run after the close

        QVERIFY(login()->terminated());
        QVERIFY(!login()->failed());
        QVERIFY(!forms::entered);
        QCOMPARE(forms::main->ListView1->count(), 0);
        QCOMPARE(m_steps.value("t2"), when == "before" || when == "between" ? 0 : 1);
        QCOMPARE(m_steps.value("t5"), 0);
        QCOMPARE(m_steps.value("t6"), 0);
        QCOMPARE(m_prompts->count(), 0);
    }

    void preselectsTheLastUser_data()
    {
        QTest::addColumn<QString>("stored"); // user.ini cuser/name; null: key absent
        QTest::addColumn<QString>("shown");
        QTest::newRow("second user") << "amy" << "amy";
        QTest::newRow("zero means the first user") << "0" << "zed";
        QTest::newRow("absent") << QString() << QString();
    }

    void preselectsTheLastUser()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QVERIFY(m_dir->addSignInUser(QStringLiteral("zed"), QStringLiteral("pw"), QStringLiteral("管理员")));
        QVERIFY(m_dir->addSignInUser(QStringLiteral("amy"), QStringLiteral("pw"), QStringLiteral("一般用户")));
        if (stored.isNull())
            QVERIFY(store::Ini::removeKey(m_dir->file("user.ini"), "cuser", "name"));
        else
            QVERIFY(store::Ini::write(m_dir->file("user.ini"), "cuser", "name", stored));
        start();
        QVERIFY(panelShown());

        QCOMPARE(label(), QStringLiteral("等待用户登陆..."));
        QCOMPARE(comboItems(userBox()), QStringList({"zed", "amy"}));
        QCOMPARE(userBox()->currentText(), shown);
        QCOMPARE(login()->focusWidget(), passwordBox());
        QVERIFY(!forms::entered);
    }

    void enterIsIgnoredBeforeThePanelShows()
    {
        QVERIFY(m_dir->addSignInUser(QStringLiteral("amy"), QStringLiteral("pw"), QStringLiteral("管理员")));
        start();
        // Hold the chain between reading the users and showing the panel.
        connect(login()->t2, &QTimer::timeout, login(), [] { forms::login->t10->stop(); });
        QTRY_COMPARE(m_steps.value("t2"), 1);
        QVERIFY(panel()->isHidden());

        QTest::keyClick(login(), Qt::Key_Return);
        QTest::keyClick(passwordBox(), Qt::Key_Enter);
        QTest::qWait(30);
        QCOMPARE(label(), QStringLiteral("正在读取数据......"));
        QCOMPARE(m_steps.value("t8"), 0);
        QVERIFY(!login()->isHidden());

        // Once the panel shows, the same key signs in.
        login()->t10->start();
        QVERIFY(panelShown());
        QTest::keyClick(passwordBox(), Qt::Key_Return);
        QTRY_COMPARE(label(), QStringLiteral("请输入密码！"));
    }

    void signInRefusal_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("boxAfter"); // null: not checked

        QTest::newRow("empty name") << "" << "Secret" << "请选择用户名!" << "zed";
        QTest::newRow("empty password") << "amy" << "" << "请输入密码！" << QString();
        QTest::newRow("unknown name, trimmed") << " nobody " << "Secret" << "用户nobody不存在！" << "zed";
        QTest::newRow("password letter case") << "amy" << "secret" << "密码错误！" << QString();
        // Each of these names has a user1 row and, read as a path, reaches an existing set.ini.
        QTest::newRow("parent folder") << "../{dir}" << "Secret" << "用户../{dir}不存在！" << "zed";
        QTest::newRow("sub folder") << "./modal" << "Secret" << "用户./modal不存在！" << "zed";
        QTest::newRow("dot") << "." << "Secret" << "用户.不存在！" << "zed";
    }

    void signInRefusal()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, text);
        QFETCH(QString, boxAfter);
        const QString dirName = QFileInfo(m_dir->path()).fileName();
        name.replace("{dir}", dirName);
        text.replace("{dir}", dirName);
        QVERIFY(m_dir->addSignInUser(QStringLiteral("zed"), QStringLiteral("Secret"), QStringLiteral("管理员")));
        QVERIFY(m_dir->addSignInUser(QStringLiteral("amy"), QStringLiteral("Secret"), QStringLiteral("管理员")));
        if (name.contains(QLatin1Char('.')))
            QVERIFY(m_dir->addUser(name, QStringLiteral("Secret"), QStringLiteral("管理员")));
        const QByteArray settingsBefore = m_dir->read("set.ini");
        start();
        QVERIFY(panelShown());
        enterCredentials(name, password);
        QTest::keyClick(passwordBox(), Qt::Key_Return);
        QTRY_COMPARE(label(), text);
        QTest::qWait(30);

        QCOMPARE(label(), text);
        QVERIFY(login()->isVisible());
        QVERIFY(!forms::entered);
        QVERIFY(!login()->failed());
        QCOMPARE(m_steps.value("t4"), 0);
        QCOMPARE(m_prompts->count(), 0);
        if (!boxAfter.isNull())
            QCOMPARE(userBox()->currentText(), boxAfter);
        if (text == QStringLiteral("密码错误！"))
            QVERIFY(passwordBox()->text().isEmpty());
        if (name.contains(QLatin1Char('.')))
            QCOMPARE(m_dir->read("set.ini"), settingsBefore);
    }

    void signInWithAHashOrAnOlderPlainPassword_data()
    {
        QString hashed;
        QVERIFY(store::Passwords::hash(QStringLiteral("Pw 1"), &hashed));
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("entered");
        QTest::newRow("hash") << hashed << "Pw 1" << true;
        QTest::newRow("hash, letter case") << hashed << "pw 1" << false;
        QTest::newRow("plain text, rewritten") << "Pw 1" << "Pw 1" << true;
        QTest::newRow("plain text like a hash") << "$argon2id$Pw" << "$argon2id$Pw" << true;
    }

    void signInWithAHashOrAnOlderPlainPassword()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, entered);
        QVERIFY(m_dir->addSignInUser(QStringLiteral("amy"), stored, QStringLiteral("超级用户")));
        start();
        QVERIFY(panelShown());
        enterCredentials(QStringLiteral("amy"), typed);
        QTest::keyClick(passwordBox(), Qt::Key_Return);
        if (!entered) {
            QTRY_COMPARE(label(), QStringLiteral("密码错误！"));
            return;
        }
        QTRY_VERIFY(login()->isHidden());
        QVERIFY(forms::entered);
        // Whatever the row held, it holds a hash of the password now.
        const QString now = m_dir->value(QStringLiteral("select 密码 from user1"));
        QVERIFY2(store::Passwords::isHash(now), qPrintable(now));
        QVERIFY(store::Passwords::matches(typed, now));
    }

    void wrongPasswordThenRightOneSignsIn()
    {
        QVERIFY(m_dir->addSignInUser(QStringLiteral("amy"), QStringLiteral("Secret"), QStringLiteral("管理员")));
        start();
        QVERIFY(panelShown());
        enterCredentials(QStringLiteral("amy"), QStringLiteral("wrong"));
        QTest::keyClick(passwordBox(), Qt::Key_Return);
        QTRY_COMPARE(label(), QStringLiteral("密码错误！"));
        typeText(passwordBox(), QStringLiteral("Secret"));
        QTest::mouseClick(control<QPushButton>("BitBtn1"), Qt::LeftButton);
        QTRY_VERIFY(login()->isHidden());
        QVERIFY(forms::entered);
        QCOMPARE(forms::main->Edit1->text(), QStringLiteral("amy"));
    }

    void userFolderWithoutItsRowEndsTheProgram()
    {
        QVERIFY(m_dir->addSignInUser(QStringLiteral("amy"), QStringLiteral("Secret"), QStringLiteral("管理员")));
        QVERIFY(m_dir->exec({"delete from user1"}));
        start();
        QVERIFY(panelShown());
        enterCredentials(QStringLiteral("amy"), QStringLiteral("Secret"));
        QTest::keyClick(passwordBox(), Qt::Key_Return);
        QTRY_VERIFY(login()->isHidden());

        QCOMPARE(label(), QStringLiteral("文件被破坏，请重新安装！"));
        QVERIFY(login()->failed());
        QVERIFY(!forms::entered);
        QCOMPARE(m_steps.value("t6"), 1);
        verifyNoStepRanTwice();
        QCOMPARE(m_prompts->count(), 0);
    }

    void signInSucceeds_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("rights");
        QTest::newRow("chinese name") << "张三" << "张三" << "管理员";
        QTest::newRow("other letter case") << "Amy" << "aMY" << "一般用户";
    }

    void signInSucceeds()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(QString, rights);
        QVERIFY(m_dir->addSignInUser(stored, QStringLiteral("Pw1"), rights));
        QVERIFY(m_dir->addSignInUser(QStringLiteral("other"), QStringLiteral("x"), QStringLiteral("管理员")));
        QVERIFY(writeUserSettings(stored, "list", "color", "1"));
        QVERIFY(m_dir->addContact(QStringLiteral("李四")));
        start();
        QVERIFY(panelShown());
        enterCredentials(typed, QStringLiteral("Pw1"));
        QTest::keyClick(passwordBox(), Qt::Key_Return);
        QTRY_VERIFY(login()->isHidden());

        QVERIFY(forms::entered);
        QCOMPARE(forms::main->Edit1->text(), typed);
        QCOMPARE(forms::main->Edit2->text(), rights);
        QCOMPARE(forms::main->StatusPanel0->text(),
                 QStringLiteral("当前用户：") + typed + QStringLiteral("，您是") + rights + QStringLiteral("！"));
        QVERIFY(forms::main->StatusPanel0->userDrawn());
        QCOMPARE(ini("user.ini", "cuser", "name"), typed);
        // The user's own settings are the working ones now, and in force.
        QCOMPARE(m_dir->read("set.ini"), m_dir->read(stored + "/set.ini"));
        QCOMPARE(forms::main->ListView1->background(), QColor(166, 202, 240));
        QCOMPARE(listNames(), QStringList({"李四"}));
        verifyNoStepRanTwice();
        QCOMPARE(m_prompts->count(), 0);
    }

    // The name box with an X11 keyboard's keys: a name typed in full is not completed into a longer listed name
    // on Tab, and Enter in the open list takes the highlighted name without signing in (Esc there: tests/e2e).
    void nameBoxKeepsWhatIsTyped()
    {
        for (const char* user : {"zhangsan", "zhang"})
            QVERIFY(m_dir->addSignInUser(QString::fromLatin1(user), QStringLiteral("pw"), QStringLiteral("管理员")));
        start();
        QVERIFY(panelShown());
        userBox()->setFocus();
        userBox()->lineEdit()->clear();
        typeText(userBox()->lineEdit(), QStringLiteral("zhang"));
        QCOMPARE(userBox()->currentText(), QStringLiteral("zhangsan")); // completed, the rest selected
        pressRealKey(userBox(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), passwordBox());
        QCOMPARE(userBox()->currentText(), QStringLiteral("zhang"));

        userBox()->showPopup();
        QTRY_VERIFY(userBox()->view()->isVisible());
        userBox()->view()->setCurrentIndex(userBox()->model()->index(0, 0));
        pressRealKey(userBox()->view(), Qt::Key_Return);
        QTRY_VERIFY(!userBox()->view()->isVisible());
        QCOMPARE(userBox()->currentText(), QStringLiteral("zhangsan"));
        QVERIFY(login()->isVisible());
        QCOMPARE(m_steps.value("t8"), 0);
    }

    void secondEnterAfterTheAcceptedPasswordRunsNothingTwice()
    {
        QVERIFY(m_dir->addSignInUser(QStringLiteral("amy"), QStringLiteral("Secret"), QStringLiteral("管理员")));
        start();
        QVERIFY(panelShown());
        enterCredentials(QStringLiteral("amy"), QStringLiteral("Secret"));
        // A key that repeats right after the password check must not sign in a second time.
        bool repeated = false;
        connect(login()->t9, &QTimer::timeout, login(), [this, &repeated] {
            if (!repeated) {
                repeated = true;
                QTest::keyClick(passwordBox(), Qt::Key_Return);
            }
        });
        QTest::keyClick(passwordBox(), Qt::Key_Return);
        QTRY_VERIFY(login()->isHidden());
        QTest::qWait(50);

        QVERIFY(forms::entered);
        verifyNoStepRanTwice();
    }

    void settingsCopiesChangeHandsAtSignIn()
    {
        QVERIFY(m_dir->addSignInUser(QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("管理员")));
        QVERIFY(m_dir->addSignInUser(QStringLiteral("B"), QStringLiteral("b"), QStringLiteral("管理员")));
        QVERIFY(writeUserSettings("B", "list", "color", "1"));

        start();
        QVERIFY(panelShown());
        enterCredentials(QStringLiteral("A"), QStringLiteral("a"));
        QTest::keyClick(passwordBox(), Qt::Key_Return);
        QTRY_VERIFY(login()->isHidden());
        QVERIFY(forms::entered);
        QCOMPARE(ini("set.ini", "user", "name"), QStringLiteral("A"));
        // A changes a setting while working; only the working copy holds it.
        QVERIFY(store::Ini::write(m_dir->file("set.ini"), "list", "line", "0"));
        QVERIFY(ini("A/set.ini", "list", "line") != QStringLiteral("0"));
        Program::shutdown();

        start();
        QVERIFY(panelShown());
        QCOMPARE(userBox()->currentText(), QStringLiteral("A"));
        enterCredentials(QStringLiteral("B"), QStringLiteral("b"));
        QTest::keyClick(passwordBox(), Qt::Key_Return);
        QTRY_VERIFY(login()->isHidden());
        QVERIFY(forms::entered);

        QCOMPARE(ini("A/set.ini", "list", "line"), QStringLiteral("0"));
        QCOMPARE(ini("A/set.ini", "user", "name"), QStringLiteral("A"));
        QCOMPARE(m_dir->read("set.ini"), m_dir->read("B/set.ini"));
        QCOMPARE(forms::main->ListView1->background(), QColor(166, 202, 240));
        QCOMPARE(forms::main->can->text(), QStringLiteral("0"));
    }

    void settingsLinkedElsewhereAreNeitherTakenNorWrittenBack()
    {
        QVERIFY(m_dir->addSignInUser(QStringLiteral("amy"), QStringLiteral("pw"), QStringLiteral("管理员")));
        QVERIFY(writeUserSettings("amy", "list", "color", "1"));
        QVERIFY(store::Ini::write(m_dir->file("set.ini"), "user", "name", "amy")); // amy's, to be saved back
        QTemporaryDir outside;
        const QString elsewhere = outside.filePath("amy");
        QVERIFY(QDir().rename(m_dir->file("amy"), elsewhere));
        QVERIFY(QFile::link(elsewhere, m_dir->file("amy")));
        const QByteArray settings = m_dir->read("set.ini");
        const QByteArray theirs = m_dir->read("amy/set.ini");

        start();
        QVERIFY(panelShown());
        enterCredentials(QStringLiteral("amy"), QStringLiteral("pw"));
        QTest::keyClick(passwordBox(), Qt::Key_Return);
        QTRY_COMPARE(label(), QStringLiteral("用户amy的设置文件链接到程序目录之外，不能登陆！"));
        QVERIFY(!forms::entered);
        QCOMPARE(m_dir->read("set.ini"), settings);
        QCOMPARE(m_dir->read("amy/set.ini"), theirs);
    }

    void longUserListOffersTheFirstThousand()
    {
        QVERIFY(m_dir->addSignInUser(QStringLiteral("zed"), QStringLiteral("pw"), QStringLiteral("管理员")));
        QByteArray ini = "[ok]\r\nyes=1\r\n[cuser]\r\nname=0\r\n[user]\r\n";
        for (int i = 0; i < Tlogin::MaxListedUsers + 500; ++i)
            ini += "u" + QByteArray::number(i) + "=1\r\n";
        QVERIFY(m_dir->write("user.ini", ini + "zed=1\r\n"));

        start();
        QVERIFY(panelShown());
        QCOMPARE(userBox()->count(), Tlogin::MaxListedUsers);
        QCOMPARE(label(), QStringLiteral("等待用户登陆...\n用户太多，名单只列出前1000个，其他用户请输入用户名。"));
        enterCredentials(QStringLiteral("zed"), QStringLiteral("pw"));
        QTest::keyClick(passwordBox(), Qt::Key_Return);
        QTRY_VERIFY2(login()->isHidden(), qPrintable(label()));
        QVERIFY(forms::entered);
    }

    void startUpAppliesSettings_data()
    {
        QTest::addColumn<QByteArray>("settings"); // null: no set.ini
        QTest::addColumn<QColor>("background");   // invalid: the system colour
        QTest::addColumn<QString>("can");
        QTest::addColumn<bool>("stripesItem");
        QTest::addColumn<bool>("infoShown");
        QTest::addColumn<bool>("reminder");
        QTest::addColumn<QString>("title");

        const QColor system;
        const QString title = QStringLiteral("Velloranv4.0");
        QTest::newRow("installed") << installedSettings() << system << "0" << true << true << true << title;
        QTest::newRow("missing") << QByteArray() << system << "0" << true << true << false << title;
        QTest::newRow("colour 2") << QByteArray("[list]\ncolor=2\n") << QColor(255, 251, 240) << "0" << true << true
                                  << false << title;
        QTest::newRow("custom red") << QByteArray("[list]\ncolor=3\ncr=255\ncg=0\ncb=0\n") << QColor(255, 0, 0) << "0"
                                    << true << true << false << title;
        QTest::newRow("custom part missing") << QByteArray("[list]\ncolor=3\ncr=255\ncg=0\n") << system << "0" << true
                                             << true << false << title;
        QTest::newRow("custom part not a number") << QByteArray("[list]\ncolor=3\ncr=abc\ncg=0\ncb=0\n") << system
                                                  << "0" << true << true << false << title;
        QTest::newRow("line off with spaces") << QByteArray("[list]\nline= 0 \n") << system << "1" << false << true
                                              << false << title;
        QTest::newRow("information panel off") << QByteArray("[info]\nyes=0\n") << system << "0" << true << false
                                               << false << title;
        QTest::newRow("cp936 title with CRLF")
            << QByteArray("[main]\r\ntitle=\xce\xd2\xb5\xc4\xb5\xe7\xbb\xb0\xb2\xbe\r\n[birth]\r\nok=1\r\n") << system
            << "0" << true << true << true << QStringLiteral("我的电话簿");
    }

    void startUpAppliesSettings()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QColor, background);
        QFETCH(QString, can);
        QFETCH(bool, stripesItem);
        QFETCH(bool, infoShown);
        QFETCH(bool, reminder);
        QFETCH(QString, title);
        if (settings.isNull())
            QVERIFY(QFile::remove(m_dir->file("set.ini")));
        else
            QVERIFY(m_dir->write("set.ini", settings));
        QVERIFY(m_dir->addContact(QStringLiteral("张三")));
        start();
        QTRY_VERIFY(login()->isHidden());

        QVERIFY(forms::entered);
        Tmain* m = forms::main;
        QCOMPARE(m->ListView1->count(), 1);
        QCOMPARE(m->ListView1->background(),
                 background.isValid() ? background : QApplication::palette().color(QPalette::Base));
        QCOMPARE(m->can->text(), can);
        QCOMPARE(m->N29->isChecked(), stripesItem);
        QCOMPARE(m->N23->isChecked(), infoShown);
        QCOMPARE(m->PageControl1->isHidden(), !infoShown);
        QCOMPARE(m->Panel1->isHidden(), !infoShown);
        QCOMPARE(m->B1->isChecked(), reminder);
        QCOMPARE(m->windowTitle(), title);
        if (!infoShown) {
            const QList<int> widths = {70, 48, 90, 80, 90, 156};
            for (int c = 0; c < widths.size(); ++c)
                QCOMPARE(m->ListView1->columnWidth(c), widths[c]);
        }
        QCOMPARE(m_prompts->count(), 0);
        // Reading the settings never writes them.
        if (settings.isNull())
            QVERIFY(!QFileInfo::exists(m_dir->file("set.ini")));
        else
            QCOMPARE(m_dir->read("set.ini"), settings);
    }

    void startedFromAnotherDirectoryFindsItsFiles()
    {
        QTemporaryDir elsewhere;
        QVERIFY(elsewhere.isValid());
        // A stray database there must not be the one the program opens.
        QVERIFY(QFile::copy(m_dir->file("call.mdb"), elsewhere.filePath("call.mdb")));
        QVERIFY(QFile::copy(m_dir->file("zzz"), elsewhere.filePath("zzz")));
        QVERIFY(m_dir->addContact(QStringLiteral("张三")));
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        platform::ProgramDir::set(elsewhere.path());

        start();
        QTRY_VERIFY(login()->isHidden());

        QVERIFY(forms::entered);
        QCOMPARE(listNames(), QStringList({"张三"}));
        QCOMPARE(QFileInfo(QDir::currentPath()).canonicalFilePath(), QFileInfo(m_dir->path()).canonicalFilePath());
        QCOMPARE(QFileInfo(platform::ProgramDir::path()).canonicalFilePath(),
                 QFileInfo(m_dir->path()).canonicalFilePath());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
