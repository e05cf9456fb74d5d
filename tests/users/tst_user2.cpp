// The change-password window in a started program: open mode, the two checks, the placeholder that keeps the
// stored password, and a confirmed change counting at the next sign-in.
#include "app/Program.h"
#include "mainwin/Forms.h"
#include "mainwin/Tmain.h"
#include "store/Passwords.h"
#include "support/ModalWindow.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"
#include "support/Typing.h"
#include "users/Tuser2.h"
#include "users/UserRules.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <memory>

class TestUser2 : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;
    std::unique_ptr<PromptRecorder> m_prompts;
    Tuser2* m_w = nullptr;

    QLineEdit* box(const char* name) const { return m_w->findChild<QLineEdit*>(QString::fromLatin1(name)); }
    QPushButton* button(const char* name) const { return m_w->findChild<QPushButton*>(QString::fromLatin1(name)); }
    QString stored() const { return m_dir->value(QStringLiteral("select 密码 from user1 where 用户='amy'")); }

    // Starts the program and signs in as amy through the real sign-in window; the status label's last text.
    QString signIn(const QString& password)
    {
        QString status;
        driveModal(
            QStringLiteral("login"), [&] { Program::start(m_dir->path()); },
            [&](QWidget* login) {
                auto* passwordBox = login->findChild<QLineEdit*>(QStringLiteral("Edit2"));
                QTRY_VERIFY(login->findChild<QWidget*>(QStringLiteral("Panel3"))->isVisible());
                passwordBox->setText(password);
                QTest::keyClick(passwordBox, Qt::Key_Return);
                auto* label = login->findChild<QLabel*>(QStringLiteral("Label1"));
                QTRY_VERIFY(!login->isVisible() || label->text() == QStringLiteral("密码错误！"));
                status = label->text();
            });
        return status;
    }
    void changePassword(const std::function<void()>& drive)
    {
        const QWidget* opened = driveModal(
            QStringLiteral("user2"), [] { forms::main->N38Click(); },
            [&](QWidget* window) {
                m_w = qobject_cast<Tuser2*>(window);
                if (m_w)
                    drive();
            });
        QVERIFY2(opened, "the change password window did not open");
    }

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
        m_prompts = std::make_unique<PromptRecorder>();
    }

    void cleanup()
    {
        Program::shutdown();
        QDir::setCurrent(QDir::tempPath());
        m_prompts.reset();
        m_dir.reset();
    }

    void openModeChangesNothing()
    {
        QVERIFY(Program::start(m_dir->path()));
        changePassword([&] {
            QVERIFY(box("DBEdit1")->text().isEmpty());
            QVERIFY(box("DBEdit1")->isReadOnly());
            QVERIFY(box("Edit3")->text().isEmpty());
            QVERIFY(!button("Button1")->isEnabled());
            QCOMPARE(box("Edit3")->echoMode(), QLineEdit::Password);
        });
    }

    void confirm_data()
    {
        QTest::addColumn<QString>("typed");   // typed into the new-password box; null: left as it opened
        QTest::addColumn<QString>("confirm"); // typed into the confirm box; null: left as it opened
        QTest::addColumn<QString>("message"); // empty: stored and closed without a message
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("password"); // the password that signs in afterwards
        QTest::newRow("confirmed at once") << QString() << QString() << "" << "" << "Old pw";
        QTest::newRow("spaces only") << "   " << "   " << "密码不能不填！" << "DBEdit1" << "Old pw";
        QTest::newRow("entries differ") << "abc" << "abd" << "两次密码输入不一样！" << "Edit3" << "Old pw";
        QTest::newRow("confirm box left") << "abc" << QString() << "两次密码输入不一样！" << "Edit3" << "Old pw";
        QTest::newRow("spaces kept") << " new pw " << " new pw " << "" << "" << " new pw ";
    }

    void confirm()
    {
        QFETCH(QString, typed);
        QFETCH(QString, confirm);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(QString, password);
        QString hash;
        QVERIFY(store::Passwords::hash(QStringLiteral("Old pw"), &hash));
        QVERIFY(m_dir->addSignInUser(QStringLiteral("amy"), hash, QStringLiteral("普通用户")));
        QCOMPARE(signIn(QStringLiteral("Old pw")), QStringLiteral("准备进入系统......"));
        QVERIFY(forms::entered);
        changePassword([&] {
            QCOMPARE(box("DBEdit1")->text(), UserRules::unchangedPassword());
            QCOMPARE(box("Edit3")->text(), UserRules::unchangedPassword());
            QCOMPARE(QApplication::focusWidget(), box("DBEdit1"));
            // Typed into the boxes as they opened: the placeholder gives way to what is typed.
            if (!typed.isNull())
                typeText(box("DBEdit1"), typed);
            if (!confirm.isNull())
                typeText(box("Edit3"), confirm);
            QTest::mouseClick(button("Button1"), Qt::LeftButton);
            if (message.isEmpty()) {
                QCOMPARE(m_prompts->count(), 0);
                QVERIFY(!m_w->isVisible());
                return;
            }
            QCOMPARE(m_prompts->count(), 1);
            QCOMPARE(m_prompts->last().text, message);
            QCOMPARE(m_prompts->last().caption, QStringLiteral("提示"));
            QCOMPARE(m_prompts->last().icon, QMessageBox::Warning);
            QCOMPARE(QApplication::focusWidget(), box(qPrintable(focus)));
            QVERIFY(m_w->isVisible());
        });
        QVERIFY(store::Passwords::isHash(stored()));
        QVERIFY(store::Passwords::matches(password, stored()));
        if (typed.isNull())
            QCOMPARE(stored(), hash);
    }

    void escapeKeepsThePassword()
    {
        QVERIFY(m_dir->addSignInUser(QStringLiteral("amy"), QStringLiteral("Old"), QStringLiteral("超级用户")));
        signIn(QStringLiteral("Old"));
        const QString before = stored();
        changePassword([&] {
            typeText(box("DBEdit1"), QStringLiteral("new"));
            typeText(box("Edit3"), QStringLiteral("new"));
            QTest::keyClick(box("Edit3"), Qt::Key_Escape);
            QVERIFY(!m_w->isVisible());
        });
        QCOMPARE(stored(), before);
        changePassword([&] { QCOMPARE(box("Edit3")->text(), UserRules::unchangedPassword()); });
    }

    void changeCountsFromTheNextSignIn()
    {
        // An older database: the plain password signs in and becomes a hash.
        QVERIFY(m_dir->addSignInUser(QStringLiteral("amy"), QStringLiteral("Old"), QStringLiteral("超级用户")));
        signIn(QStringLiteral("Old"));
        QVERIFY(forms::entered);
        QVERIFY(store::Passwords::isHash(stored()));
        changePassword([&] {
            typeText(box("DBEdit1"), QStringLiteral("New1"));
            typeText(box("Edit3"), QStringLiteral("New1"));
            QTest::keyClick(button("Button1"), Qt::Key_Return);
            QVERIFY(!m_w->isVisible());
        });
        // The running program goes on as it was.
        QVERIFY(forms::main->isVisible());
        QCOMPARE(forms::main->Edit1->text(), QStringLiteral("amy"));
        Program::shutdown();

        QCOMPARE(signIn(QStringLiteral("Old")), QStringLiteral("密码错误！"));
        QVERIFY(!forms::entered);
        Program::shutdown();
        signIn(QStringLiteral("New1"));
        QVERIFY(forms::entered);
    }
};

QTEST_MAIN(TestUser2)
#include "tst_user2.moc"
