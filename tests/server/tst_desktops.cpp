// Several desktops on one server book. This process is desktop B, a running program; desktop A is another program
// directory on the same book whose changes reach the server over a connection of their own, as another computer's
// would. What B sees of A's changes, what a save at B does when A got there first, and what a lost server costs.
#include "app/Program.h"
#include "app/Tlogin.h"
#include "edit/Tgai.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/Forms.h"
#include "mainwin/LiveUpdates.h"
#include "mainwin/Tmain.h"
#include "platform/Pickers.h"
#include "platform/ProgramDir.h"
#include "store/Ini.h"
#include "support/ListNames.h"
#include "support/ModalWindow.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"
#include "support/Typing.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

#include <memory>

namespace {

Tmain* w()
{
    return forms::main;
}

QString notice()
{
    return w()->StatusBar1->currentMessage();
}

template <typename T = QLineEdit> T* child(QWidget* window, const char* name)
{
    T* c = window->findChild<T*>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

void retype(QWidget* window, const char* name, const QString& text)
{
    child(window, name)->clear();
    typeText(child(window, name), text);
}

} // namespace

class tst_desktops : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;
    std::unique_ptr<PromptRecorder> m_prompts;

    // Desktop A's change: a statement on the book over a connection of its own.
    bool atA(const QStringList& statements) const { return m_dir->exec(statements); }
    QString mobileOf(const QString& name) const
    {
        return m_dir->value(QStringLiteral("select 手机 from main where 姓名='%1'").arg(name));
    }
    // Ends every connection of the running program's role to this book and waits until they are gone, as a
    // restarted server or a firewall ends them.
    bool cutConnections() const
    {
        return atA({QStringLiteral("select pg_terminate_backend(pid, 5000) from pg_stat_activity "
                                   "where datname = current_database() and usename = 'velloran_app'")});
    }
    QString label() const { return forms::login->findChild<QLabel*>("Label1")->text(); }
    // Starts the program up to its sign-in window (unless it is up already), lets A do `meanwhile`, then signs in.
    bool signIn(const QString& name, const QString& password, bool fresh = true, const char* meanwhile = nullptr)
    {
        if (fresh) {
            forms::entered = false;
            forms::main = new Tmain;
            forms::login = new Tlogin(m_dir->path(), *forms::main);
            forms::login->show();
            if (!QTest::qWaitFor([] { return forms::login->findChild<QWidget*>("Panel3")->isVisible(); }))
                return false;
        }
        if (meanwhile && !atA({meanwhile}))
            return false;
        QComboBox* user = forms::login->findChild<QComboBox*>("ComboBox1");
        user->lineEdit()->clear();
        typeText(user->lineEdit(), name);
        QLineEdit* secret = forms::login->findChild<QLineEdit*>("Edit2");
        secret->clear();
        typeText(secret, password);
        QTest::keyClick(secret, Qt::Key_Return);
        return true;
    }
    void start(const QStringList& names)
    {
        for (const QString& name : names)
            QVERIFY(m_dir->addContact(name));
        QVERIFY(Program::start(m_dir->path()));
    }
    void selectName(const QString& name) const
    {
        const int row = int(listNames().indexOf(name));
        QVERIFY(row >= 0);
        w()->ListView1->selectRow(row);
    }
    // Runs the modify command on `name` with `drive` inside the window, which is closed afterwards in any case.
    void modify(const QString& name, const std::function<void(QWidget*)>& drive) const
    {
        selectName(name);
        QVERIFY(driveModal(
            QStringLiteral("gai"), [] { w()->N7Click(); }, drive));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(TestProgramDir::onServer(), "runs against the tests' private server only");
        Program::prepareApplication();
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
        m_prompts.reset();
        m_dir.reset();
    }

    // A's adds, changes and deletions come into B's whole list by themselves; while a window is open over it, or
    // the list holds a search result, the status bar says so instead, until the window closes or F5.
    void changesAtAAppearAtB()
    {
        start({"张三", "李四"});
        selectName("李四");
        QVERIFY(atA({"update main set 手机='139' where 姓名='李四'", "delete from main where 姓名='张三'"}));
        m_dir->addContact("王五");
        QTRY_COMPARE(listNames(), QStringList({"王五", "李四"}));
        QCOMPARE(w()->ListView1->model()->row(1).cells[3], QString("139"));
        QCOMPARE(w()->ListView1->selectedRows(), QList<int>({1})); // the selection stays with its name
        QVERIFY(notice().isEmpty());

        QVERIFY(driveModal(
            QStringLiteral("add"), [] { w()->N5Click(); },
            [&](QWidget*) {
                m_dir->addContact("赵六");
                QTRY_COMPARE(notice(), LiveUpdates::notice());
                QCOMPARE(listNames(), QStringList({"王五", "李四"}));
            }));
        QTRY_COMPARE(listNames(), QStringList({"赵六", "王五", "李四"}));
        QVERIFY(notice().isEmpty());

        w()->Button1->setText(QStringLiteral("0")); // a search result
        m_dir->addContact("钱七");
        QTRY_COMPARE(notice(), LiveUpdates::notice());
        QCOMPARE(listNames().size(), 3);
        w()->N18Click(); // F5
        QTRY_COMPARE(listNames(), QStringList({"钱七", "赵六", "王五", "李四"}));
        QVERIFY(notice().isEmpty());
    }

    // The same name saved at A while B's add window holds it: one row, and B's window says so and keeps its values.
    void sameNameAddedAtBothGivesOneRow()
    {
        start({});
        QVERIFY(driveModal(
            QStringLiteral("add"), [] { w()->N5Click(); },
            [&](QWidget* add) {
                typeText(child(add, "DBEdit1"), "王五");
                typeText(child(add, "DBEdit7"), "13012345678");
                QVERIFY(m_dir->addContact("王五", "女", 0, 0, "138"));
                QTest::mouseClick(child<QPushButton>(add, "Button2"), Qt::LeftButton);
                QCOMPARE(m_prompts->last().text, QString("这个人的记录已经有了！"));
                QVERIFY(add->isVisible());
                QCOMPARE(child(add, "DBEdit1")->text(), QString("王五"));
                QCOMPARE(child(add, "DBEdit7")->text(), QString("13012345678"));
            }));
        QCOMPARE(m_dir->count("main"), 1);
        QCOMPARE(mobileOf("王五"), QString("138"));
    }

    // Deleting at B what A has just deleted is no error: the record is gone, as B wanted.
    void deletingWhatAIsDeletedIsNoError()
    {
        start({"张三"});
        selectName("张三");
        QVERIFY(atA({"delete from main"}));
        m_prompts->setAnswer(QMessageBox::Yes);
        w()->N10Click();
        QCOMPARE(m_prompts->count(), 1); // the question only
        QVERIFY(listNames().isEmpty());
    }

    void modifyConflictAsks_data()
    {
        QTest::addColumn<QString>("atA");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("stored"); // 手机 afterwards; null: no row
        QTest::addColumn<bool>("keptOpen");
        const QString change = "update main set 手机='138', 住址='北京' where 姓名='张三'";
        const QString removal = "delete from main where 姓名='张三'";
        QTest::newRow("changed, overwrite") << change << int(QMessageBox::Yes) << "139" << false;
        QTest::newRow("changed, keep theirs") << change << int(QMessageBox::No) << "138" << false;
        QTest::newRow("changed, cancel") << change << int(QMessageBox::Cancel) << "138" << true;
        QTest::newRow("deleted, store again") << removal << int(QMessageBox::Yes) << "139" << false;
        QTest::newRow("deleted, let go") << removal << int(QMessageBox::No) << QString() << false;
        QTest::newRow("deleted, cancel") << removal << int(QMessageBox::Cancel) << QString() << true;
    }

    // A record A changed or deleted after B's modify window read it is not written over unasked: B chooses.
    // Fields only one side changed are kept either way.
    void modifyConflictAsks()
    {
        QFETCH(QString, atA);
        QFETCH(int, answer);
        QFETCH(QString, stored);
        QFETCH(bool, keptOpen);
        start({"张三"});
        m_prompts->setAnswer(QMessageBox::StandardButton(answer));
        modify("张三", [&](QWidget* gai) {
            retype(gai, "DBEdit3", "139");
            retype(gai, "DBEdit2", "010-1");
            QVERIFY(this->atA({atA}));
            QTest::mouseClick(child<QPushButton>(gai, "Button1"), Qt::LeftButton);
            QCOMPARE(m_prompts->count(), 1);
            const platform::PromptRequest asked = m_prompts->last();
            QCOMPARE(asked.caption, QString("提示"));
            QCOMPARE(asked.labels.size(), 3);
            if (atA.startsWith("update"))
                QVERIFY2(asked.text.contains("手机：对方改为“138”，你改为“139”。"), qPrintable(asked.text));
            else
                QVERIFY2(asked.text.contains("已经被其他电脑删除了"), qPrintable(asked.text));
            QCOMPARE(gai->isVisible(), keptOpen);
            const bool keptTheirs = answer == QMessageBox::No && atA.startsWith("update");
            QCOMPARE(child(gai, "DBEdit3")->text(), keptTheirs ? QString("138") : QString("139"));
        });
        QCOMPARE(mobileOf("张三"), stored);
        if (!keptOpen && atA.startsWith("update")) {
            QCOMPARE(m_dir->value("select 住址 from main"), QString("北京"));
            QCOMPARE(m_dir->value("select 电话 from main"), QString("010-1"));
        }
        QTRY_COMPARE(listNames(), stored.isNull() ? QStringList() : QStringList({"张三"}));
    }

    // A user made at A signs in at B, a password changed at A counts at B's next sign-in, and a user deleted at A
    // cannot sign in at B any more.
    void usersFollowOtherDesktops()
    {
        QVERIFY(atA({"insert into user1 (用户, 密码, 权限) values ('amy', 'pw', '超级用户')"}));
        QVERIFY(signIn("amy", "pw"));
        QTRY_VERIFY(forms::entered);
        Program::shutdown();

        QVERIFY(atA({"update user1 set 密码='new' where 用户='amy'"}));
        QVERIFY(signIn("amy", "pw"));
        QTRY_COMPARE(label(), QString("密码错误！"));
        QVERIFY(signIn("amy", "new", false));
        QTRY_VERIFY(forms::entered);
        Program::shutdown();

        QVERIFY(signIn("amy", "new", true, "delete from user1 where 用户='amy'"));
        QTRY_COMPARE(label(), QString("用户amy不存在！"));
        QVERIFY(!forms::entered);
    }

    // A connection the server ended (a restart, a firewall) costs nothing: the save opens it again by itself, and
    // the program listens again and hears of what happened meanwhile. (A server that is gone: tst_lostserver.)
    void anEndedConnectionIsOpenedAgain()
    {
        start({"张三"});
        modify("张三", [&](QWidget* gai) {
            retype(gai, "DBEdit3", "137");
            QVERIFY(cutConnections());
            QTest::mouseClick(child<QPushButton>(gai, "Button1"), Qt::LeftButton);
            QVERIFY2(m_prompts->count() == 0, qPrintable(m_prompts->last().text));
            QVERIFY(!gai->isVisible());
        });
        QCOMPARE(mobileOf("张三"), QString("137"));
        QVERIFY(m_dir->addContact("李四"));
        QTRY_COMPARE(listNames(), QStringList({"李四", "张三"}));
    }

    // A record and its new photo are stored together or not at all: a book that refuses the record keeps no photo
    // of it either, and the window keeps both for the next try.
    void recordAndPhotoSavedTogether()
    {
        start({"张三"});
        QImage image(60, 80, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QVERIFY(image.save(m_dir->file("me.jpg"), "JPG"));
        platform::Pickers::setPictureAnswer([this] { return m_dir->file("me.jpg"); });
        QVERIFY(m_dir->refuse("update", "main", "disk full"));
        modify("张三", [&](QWidget* gai) {
            QTest::mouseClick(child<QWidget>(gai, "Image1"), Qt::LeftButton);
            QTest::mouseClick(child<QWidget>(gai, "Button3"), Qt::LeftButton);
            QTest::mouseClick(child<QWidget>(gai, "Button5"), Qt::LeftButton);
            retype(gai, "DBEdit3", "135");
            QTest::mouseClick(child<QPushButton>(gai, "Button1"), Qt::LeftButton);
            QVERIFY2(m_prompts->last().text.contains("disk full"), qPrintable(m_prompts->last().text));
            QVERIFY(gai->isVisible());
            QCOMPARE(mobileOf("张三"), QString("13012345678"));
            QCOMPARE(m_dir->count("photo"), 0);

            QVERIFY(m_dir->allow("main"));
            QTest::mouseClick(child<QPushButton>(gai, "Button1"), Qt::LeftButton);
            QVERIFY(!gai->isVisible());
        });
        platform::Pickers::setPictureAnswer({});
        QCOMPARE(mobileOf("张三"), QString("135"));
        QCOMPARE(m_dir->value("select 照片 from main"), QString("张三.jpg"));
        QCOMPARE(m_dir->value("select name from photo"), QString("张三.jpg"));
    }
};

QTEST_MAIN(tst_desktops)
#include "tst_desktops.moc"
