// The user-management window in a started program: the rights table, creating a user with its checks and the undo
// of a failed creation, and the three endings of a deletion.
#include "app/Program.h"
#include "mainwin/Forms.h"
#include "mainwin/Tmain.h"
#include "platform/Beep.h"
#include "store/Ini.h"
#include "store/Passwords.h"
#include "support/ModalWindow.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"
#include "support/Typing.h"
#include "users/Tuser1.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const QString kFailed = QStringLiteral("建立新用户失败！\n可能是这个用户已经存在。");
const QString kLeftover = QStringLiteral("建立新用户失败！\n程序目录中已经有名为“amy”的文件夹，可能是以前删除的用户留下的。"
                                         "请换一个用户名，或者先把这个文件夹移走。");
const QString kUndone = QStringLiteral("用户表中的新记录已删除，user.ini已恢复原样，新建的文件夹已删除。");

// Sees whether the program was asked to end.
class QuitWatch : public QObject {
public:
    bool asked = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == qApp && event->type() == QEvent::Quit)
            asked = true;
        return false;
    }
};

} // namespace

class TestUser1 : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;
    std::unique_ptr<PromptRecorder> m_prompts;
    Tuser1* m_w = nullptr;

    template <typename T = QLineEdit>
    T* c(const char* name) const
    {
        T* w = m_w->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QListWidget* list() const { return c<QListWidget>("ListBox1"); }
    QStringList lines() const
    {
        QStringList l;
        for (int i = 0; i < list()->count(); ++i)
            l << list()->item(i)->text();
        return l;
    }
    void clickLine(const QString& text) const
    {
        const auto found = list()->findItems(text, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(found.first()).center());
    }
    // The program directory's entries, less the database's own journal files.
    QStringList entries() const
    {
        QStringList all = QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        all.removeIf([](const QString& e) { return e.startsWith(QLatin1String("call.mdb-")); });
        return all;
    }
    QString ini(const char* section, const QString& key) const
    {
        return store::Ini::read(m_dir->file("user.ini"), QString::fromLatin1(section), key);
    }

    // Starts in open mode; the users are added afterwards and `signedIn` is recorded as the sign-in would.
    void start(const QStringList& users = {}, const QString& signedIn = {}, const QString& rights = {})
    {
        QVERIFY(Program::start(m_dir->path()));
        for (const QString& user : users) {
            const QString r = user == signedIn ? rights : QStringLiteral("普通用户");
            QVERIFY(m_dir->addSignInUser(user, QStringLiteral("pw"), r));
        }
        if (!signedIn.isEmpty())
            forms::main->SetSignedInUser(signedIn, rights);
    }
    // Opens the window with the main window's command and runs `drive` in it.
    void manage(const std::function<void()>& drive)
    {
        const QWidget* opened = driveModal(
            QStringLiteral("user1"), [] { forms::main->N37Click(); },
            [&](QWidget* window) {
                m_w = qobject_cast<Tuser1*>(window);
                if (m_w)
                    drive();
            });
        QVERIFY2(opened, "the user management window did not open");
        QVERIFY(!forms::user1->modal.isOpen());
    }
    // Runs `action` in the program's running event loop; true when the action ended the program from there.
    static bool endsProgram(const std::function<void()>& action)
    {
        QuitWatch watch;
        qApp->installEventFilter(&watch);
        QTimer::singleShot(0, qApp, [&] {
            action();
            if (!watch.asked)
                QCoreApplication::exit(7);
        });
        const int code = QApplication::exec();
        qApp->removeEventFilter(&watch);
        return watch.asked && code == 0;
    }
    void fill(const QString& name, const QString& password, const QString& rights = {}) const
    {
        // Set, not typed: pasted text reaches the boxes without the key filter too.
        c("DBEdit1")->setText(name);
        c("DBEdit2")->setText(password);
        if (!rights.isNull())
            c<QComboBox>("DBComboBoxEh1")->setEditText(rights);
    }
    void create() const { QTest::mouseClick(c<QPushButton>("Button4"), Qt::LeftButton); }

private Q_SLOTS:
    void initTestCase()
    {
        Program::prepareApplication();
        store::Passwords::setMinimumCost(true);
    }

    void init()
    {
        m_dir = std::make_unique<TestProgramDir>();
        QVERIFY(m_dir->isValid());
        m_prompts = std::make_unique<PromptRecorder>(QMessageBox::Yes);
        platform::Beep::resetCount();
    }

    void cleanup()
    {
        Program::shutdown();
        QDir::setCurrent(QDir::tempPath());
        m_prompts.reset();
        m_dir.reset();
    }

    void rightsTable_data()
    {
        QTest::addColumn<QString>("signedIn");
        QTest::addColumn<QString>("rights");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("create");
        QTest::addColumn<bool>("remove");
        QTest::addColumn<QString>("rightsBox");
        QTest::addColumn<bool>("rightsEnabled");
        QTest::addColumn<QString>("hint");
        QTest::newRow("open mode") << "" << "" << QStringList{"现在是开放模式!"} << true << false << "超级用户" << false
                                   << "";
        QTest::newRow("super user") << "amy" << "超级用户" << QStringList{"bob", "amy"} << true << true << "普通用户"
                                    << true << "";
        QTest::newRow("ordinary user") << "bob" << "普通用户" << QStringList{"bob", "amy"} << false << false
                                       << "普通用户" << true << "你是普通用户，无权管理用户!";
    }

    void rightsTable()
    {
        QFETCH(QString, signedIn);
        QFETCH(QString, rights);
        QFETCH(QStringList, expected);
        QFETCH(bool, create);
        QFETCH(bool, remove);
        QFETCH(QString, rightsBox);
        QFETCH(bool, rightsEnabled);
        QFETCH(QString, hint);
        start(signedIn.isEmpty() ? QStringList() : QStringList{"bob", "amy"}, signedIn, rights);
        manage([&] {
            QCOMPARE(lines(), expected);
            QCOMPARE(list()->currentRow(), 0);
            QCOMPARE(c<QPushButton>("Button4")->isEnabled(), create);
            QCOMPARE(c<QPushButton>("Button3")->isEnabled(), remove);
            QCOMPARE(c<QComboBox>("DBComboBoxEh1")->currentText(), rightsBox);
            QCOMPARE(c<QComboBox>("DBComboBoxEh1")->isEnabled(), rightsEnabled);
            QCOMPARE(QApplication::focusWidget(), c<QWidget>("DBEdit1"));
            // The pointer over a control without a hint of its own shows the window's hint in the main window.
            QEvent enter(QEvent::Enter);
            QApplication::sendEvent(c<QWidget>("DBEdit2"), &enter);
            QCOMPARE(forms::main->StatusBar1->currentMessage(), hint);
            QCOMPARE(c("DBEdit2")->echoMode(), QLineEdit::Password);
        });
    }

    void ordinaryUserMayDeleteOnlyTheOwnName()
    {
        start({"bob", "amy"}, QStringLiteral("bob"), QStringLiteral("普通用户"));
        manage([&] {
            clickLine(QStringLiteral("amy"));
            QVERIFY(!c<QPushButton>("Button3")->isEnabled());
            clickLine(QStringLiteral("bob"));
            QVERIFY(c<QPushButton>("Button3")->isEnabled());
        });
        // Opened again, the own name is selected but not clicked yet.
        manage([&] {
            QCOMPARE(list()->currentItem()->text(), QStringLiteral("bob"));
            QVERIFY(!c<QPushButton>("Button3")->isEnabled());
            clickLine(QStringLiteral("bob"));
            QVERIFY(c<QPushButton>("Button3")->isEnabled());
        });
    }

    void firstUserInOpenModeIsASuperUserAndEndsTheProgram()
    {
        start();
        QVERIFY(endsProgram([&] {
            manage([&] {
                fill(QStringLiteral("amy"), QStringLiteral(" Pw 1 "));
                create();
            });
        }));
        QCOMPARE(m_prompts->count(), 1);
        QCOMPARE(m_prompts->last().caption, QStringLiteral("Velloranv4.0"));
        QCOMPARE(m_prompts->last().text, QStringLiteral("新用户成功建立！请重新登陆。"));
        QCOMPARE(m_dir->value("select 用户||'/'||权限 from user1"), QStringLiteral("amy/超级用户"));
        const QString stored = m_dir->value("select 密码 from user1");
        QVERIFY(store::Passwords::isHash(stored));
        QVERIFY(store::Passwords::matches(QStringLiteral(" Pw 1 "), stored));
        QCOMPARE(ini("ok", "yes"), QStringLiteral("1"));
        QCOMPARE(store::Ini::keys(m_dir->file("user.ini"), "user"), QStringList{"amy"});
        QCOMPARE(ini("cuser", "name"), QStringLiteral("amy"));
        QCOMPARE(store::Ini::read(m_dir->file("amy/set.ini"), "user", "name"), QStringLiteral("amy"));
        QCOMPARE(store::Ini::read(m_dir->file("amy/set.ini"), "birth", "ok"), QStringLiteral("1"));
    }

    void superUserCreatesAnOrdinaryUser()
    {
        start({"amy"}, QStringLiteral("amy"), QStringLiteral("超级用户"));
        QVERIFY(endsProgram([&] {
            manage([&] {
                // Two Chinese characters are long enough; any rights text but 超级用户 stores an ordinary user.
                typeText(c("DBEdit1"), QStringLiteral("张三"));
                fill(c("DBEdit1")->text(), QStringLiteral("pw"), QStringLiteral("超级"));
                create();
            });
        }));
        QCOMPARE(m_dir->value("select 权限 from user1 where 用户='张三'"), QStringLiteral("普通用户"));
        QCOMPARE(store::Ini::keys(m_dir->file("user.ini"), "user"), QStringList({"amy", "张三"}));
        QCOMPARE(ini("cuser", "name"), QStringLiteral("张三"));
        QVERIFY(QFileInfo(m_dir->file("张三/set.ini")).isFile());
    }

    void createRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("existing"); // "row", "key", "folder" or "file" named AMY
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("no name") << "  " << "pw" << "" << "用户名必须填写！" << "DBEdit1";
        QTest::newRow("one Chinese character") << " 张 " << "pw" << "" << "用户名太短，请重新填写！" << "DBEdit1";
        QTest::newRow("pasted ../x") << "../x" << "pw" << "" << "用户名中不能含有特殊字符！" << "DBEdit1";
        QTest::newRow("no password") << "abc" << " " << "" << "密码必须填写！" << "DBEdit2";
        QTest::newRow("row exists") << "amy" << "pw" << "row" << kFailed << "";
        QTest::newRow("key exists") << "amy" << "pw" << "key" << kFailed << "";
        QTest::newRow("folder left behind") << "amy" << "pw" << "folder" << kLeftover << "DBEdit1";
        QTest::newRow("file of that name")
            << "amy" << "pw" << "file" << "建立新用户失败！\n程序目录中已经有名为“amy”的文件，请换一个用户名。"
            << "DBEdit1";
        QTest::newRow("program's own folder")
            << "Photo" << "pw" << "" << "建立新用户失败！\n“Photo”是程序自己的文件或文件夹的名字，请换一个用户名。"
            << "DBEdit1";
    }

    void createRefused()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, existing);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        start();
        if (existing == QLatin1String("row"))
            QVERIFY(m_dir->addUser(QStringLiteral("AMY"), QStringLiteral("x"), QStringLiteral("超级用户")));
        else if (existing == QLatin1String("key"))
            QVERIFY(store::Ini::write(m_dir->file("user.ini"), "user", "AMY", "1"));
        else if (existing == QLatin1String("folder"))
            QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("AMY")));
        else if (existing == QLatin1String("file"))
            QVERIFY(m_dir->write(QStringLiteral("AMY"), "kept"));
        const QByteArray userIni = m_dir->read("user.ini");
        const bool outside = QFileInfo::exists(m_dir->file("../x"));
        const int rows = m_dir->count("user1");
        manage([&] {
            fill(name, password);
            create();
            QCOMPARE(m_prompts->count(), 1);
            QCOMPARE(m_prompts->last().text, message);
            if (!focus.isEmpty())
                QCOMPARE(QApplication::focusWidget(), c<QWidget>(qPrintable(focus)));
            QVERIFY(m_w->isVisible());
        });
        QCOMPARE(m_dir->count("user1"), rows);
        QCOMPARE(m_dir->read("user.ini"), userIni);
        QCOMPARE(QFileInfo::exists(m_dir->file("../x")), outside);
        QCOMPARE(entries().contains("x"), false);
        QVERIFY(!QFileInfo::exists(m_dir->file("amy")) || existing == QLatin1String("folder") ||
                existing == QLatin1String("file"));
    }

    void typedRefusedCharactersBeep()
    {
        start();
        manage([&] {
            typeText(c("DBEdit1"), QStringLiteral("a/b?张 c"));
            QCOMPARE(c("DBEdit1")->text(), QStringLiteral("ab张 c"));
            QCOMPARE(platform::Beep::count(), 2);
        });
    }

    void failedCreationIsUndone_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QString>("removal"); // what clears the obstacle for a second try; empty: none
        QTest::addColumn<QString>("message"); // what the box says happened
        QTest::newRow("row refused") << "amy" << "trigger" << "drop trigger t" << "refused";
        QTest::newRow("name too long for a folder")
            << QString(90, QChar(0x5F20)) << "" << "" << "用户名太长，请重新填写！";
        QTest::newRow("user.ini cannot be written")
            << "amy" << "user.ini" << "user.ini" << "建立新用户失败！\n无法写入user.ini。\n" + kUndone;
        QTest::newRow("settings copy fails")
            << "amy" << "setb.ini" << "setb.ini" << "建立新用户失败！\n无法为新用户建立设置文件。\n" + kUndone;
    }

    // Each failure point leaves all three places as they were, and the window ready for another try.
    void failedCreationIsUndone()
    {
        QFETCH(QString, name);
        QFETCH(QString, obstacle);
        QFETCH(QString, removal);
        QFETCH(QString, message);
        start();
        if (obstacle == QLatin1String("trigger"))
            QVERIFY(m_dir->refuse("insert", "user1", "refused"));
        else if (!obstacle.isEmpty())
            QVERIFY(QDir(m_dir->path()).mkdir(obstacle));
        const QByteArray userIni = m_dir->read("user.ini");
        const QStringList before = entries();
        bool triedAgain = false;
        const bool ended = endsProgram([&] {
            manage([&] {
                fill(name, QStringLiteral("pw"));
                create();
                QCOMPARE(m_prompts->count(), 1);
                QVERIFY2(m_prompts->last().text.contains(message), qPrintable(m_prompts->last().text));
                QCOMPARE(m_dir->count("user1"), 0);
                QCOMPARE(m_dir->read("user.ini"), userIni);
                QCOMPARE(entries(), before);
                if (removal.isEmpty())
                    return;
                if (removal.startsWith(QLatin1String("drop")))
                    QVERIFY(m_dir->allow("user1"));
                else
                    QVERIFY(QDir(m_dir->path()).rmdir(removal));
                triedAgain = true;
                create();
            });
        });
        QCOMPARE(ended, triedAgain);
        if (triedAgain) {
            QCOMPARE(m_prompts->last().text, QStringLiteral("新用户成功建立！请重新登陆。"));
            QCOMPARE(m_dir->count("user1"), 1);
            QCOMPARE(ini("ok", "yes"), QStringLiteral("1"));
            QVERIFY(QFileInfo(m_dir->file("amy/set.ini")).isFile());
        }
    }

    void creationThatCannotBeUndoneStaysInUserMode()
    {
        start();
        QVERIFY(m_dir->refuse("delete", "user1", "kept"));
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("setb.ini")));
        manage([&] {
            fill(QStringLiteral("amy"), QStringLiteral("pw"));
            create();
            QCOMPARE(m_prompts->count(), 2);
            QCOMPARE(m_prompts->boxes().at(0).text,
                     QStringLiteral("建立新用户失败！\n无法为新用户建立设置文件。\n用户表中的新记录无法删除，这个用户保留了下来："
                                    "请在用户管理中删除这个用户。"));
            QCOMPARE(m_prompts->boxes().at(1).icon, QMessageBox::Critical);
        });
        // The row stayed; user.ini lists it, so the start-up checks do not switch modes at every start.
        QCOMPARE(m_dir->count("user1"), 1);
        QCOMPARE(ini("ok", "yes"), QStringLiteral("1"));
        QCOMPARE(store::Ini::keys(m_dir->file("user.ini"), "user"), QStringList{QStringLiteral("amy")});
    }

    void deletionEndings_data()
    {
        QTest::addColumn<QString>("signedIn");
        QTest::addColumn<QString>("rights");
        QTest::addColumn<QStringList>("users");
        QTest::addColumn<QString>("deleted");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("ends");
        QTest::newRow("another user") << "amy" << "超级用户" << QStringList{"amy", "bob"} << "bob" << "成功删除！"
                                      << false;
        QTest::newRow("own user") << "bob" << "普通用户" << QStringList{"amy", "bob"} << "bob"
                                  << "当前用户已被删除，请使用其它用户登陆！" << true;
        QTest::newRow("last user") << "amy" << "超级用户" << QStringList{"amy"} << "amy"
                                   << "成功删除，系统转为开放模式！请重新登陆！" << true;
    }

    void deletionEndings()
    {
        QFETCH(QString, signedIn);
        QFETCH(QString, rights);
        QFETCH(QStringList, users);
        QFETCH(QString, deleted);
        QFETCH(QString, message);
        QFETCH(bool, ends);
        start(users, signedIn, rights);
        QVERIFY(m_dir->addContact(QStringLiteral("李四")));
        QVERIFY(store::Ini::write(m_dir->file("user.ini"), "cuser", "name", deleted.toUpper()));
        bool closed = false;
        QCOMPARE(endsProgram([&] {
            manage([&] {
                clickLine(deleted);
                QTest::mouseClick(c<QPushButton>("Button3"), Qt::LeftButton);
                closed = !m_w->isVisible();
            });
        }),
                 ends);
        QVERIFY(closed);
        QCOMPARE(m_prompts->count(), 2);
        QCOMPARE(m_prompts->boxes().at(0).icon, QMessageBox::Question);
        QCOMPARE(m_prompts->boxes().at(0).text, QStringLiteral("是否要删除用户") + deleted + QStringLiteral("？"));
        QCOMPARE(m_prompts->boxes().at(1).text, message);
        QCOMPARE(m_prompts->boxes().at(1).caption, ends ? QStringLiteral("Velloranv4.0") : QStringLiteral("提示"));
        QCOMPARE(m_dir->count("user1"), int(users.size()) - 1);
        QVERIFY(!store::Ini::keys(m_dir->file("user.ini"), "user").contains(deleted));
        QVERIFY(!QFileInfo::exists(m_dir->file(deleted)));
        QCOMPARE(ini("cuser", "name"), QStringLiteral("0"));
        QCOMPARE(ini("ok", "yes"), users.size() == 1 ? QStringLiteral("0") : QStringLiteral("1"));
        QCOMPARE(m_dir->count("main"), 1);
    }

    void answeringNoDeletesNothing()
    {
        start({"amy", "bob"}, QStringLiteral("amy"), QStringLiteral("超级用户"));
        m_prompts->setAnswer(QMessageBox::No);
        const QByteArray userIni = m_dir->read("user.ini");
        manage([&] {
            clickLine(QStringLiteral("bob"));
            QTest::mouseClick(c<QPushButton>("Button3"), Qt::LeftButton);
            QVERIFY(m_w->isVisible());
            QCOMPARE(lines(), QStringList({"amy", "bob"}));
        });
        QCOMPARE(m_dir->read("user.ini"), userIni);
        QCOMPARE(m_dir->count("user1"), 2);
    }

    void folderWithOtherFilesIsKept()
    {
        start({"amy", "bob"}, QStringLiteral("amy"), QStringLiteral("超级用户"));
        QVERIFY(m_dir->write("bob/notes.txt", "kept"));
        manage([&] {
            clickLine(QStringLiteral("bob"));
            QTest::mouseClick(c<QPushButton>("Button3"), Qt::LeftButton);
            QVERIFY(!m_w->isVisible());
        });
        QCOMPARE(m_prompts->count(), 3);
        QCOMPARE(m_prompts->boxes().at(1).icon, QMessageBox::Information);
        QVERIFY2(m_prompts->boxes().at(1).text.contains(QStringLiteral("文件夹已保留")), qPrintable(m_prompts->boxes().at(1).text));
        QCOMPARE(m_prompts->boxes().at(2).text, QStringLiteral("成功删除！"));
        QVERIFY(!QFileInfo::exists(m_dir->file("bob/set.ini")));
        QCOMPARE(m_dir->read("bob/notes.txt"), QByteArray("kept"));
        QCOMPARE(store::Ini::keys(m_dir->file("user.ini"), "user"), QStringList{"amy"});
        QCOMPARE(m_dir->count("user1"), 1);
    }

    void folderLinkedElsewhereGoesAsALinkOnly()
    {
        start({"amy", "bob"}, QStringLiteral("amy"), QStringLiteral("超级用户"));
        QTemporaryDir outside;
        QVERIFY(QDir().rename(m_dir->file("bob"), outside.filePath("bob")));
        QVERIFY(QFile::link(outside.filePath("bob"), m_dir->file("bob")));
        manage([&] {
            clickLine(QStringLiteral("bob"));
            QTest::mouseClick(c<QPushButton>("Button3"), Qt::LeftButton);
        });
        QCOMPARE(m_prompts->last().text, QStringLiteral("成功删除！"));
        QVERIFY(!QFileInfo(m_dir->file("bob")).isSymLink());
        QVERIFY(QFileInfo(outside.filePath("bob/set.ini")).isFile());
    }

    void refusedRowDeletionKeepsTheUser()
    {
        start({"amy", "bob"}, QStringLiteral("amy"), QStringLiteral("超级用户"));
        QVERIFY(m_dir->refuse("delete", "user1", "kept"));
        const QByteArray userIni = m_dir->read("user.ini");
        manage([&] {
            clickLine(QStringLiteral("bob"));
            QTest::mouseClick(c<QPushButton>("Button3"), Qt::LeftButton);
            QCOMPARE(m_prompts->last().icon, QMessageBox::Critical);
            QCOMPARE(lines(), QStringList({"amy", "bob"}));
        });
        QCOMPARE(m_dir->read("user.ini"), userIni);
        QCOMPARE(m_dir->count("user1"), 2);
        QVERIFY(QFileInfo(m_dir->file("bob/set.ini")).isFile());
    }
};

QTEST_MAIN(TestUser1)
#include "tst_user1.moc"
