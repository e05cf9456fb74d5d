// The add window with the key texts of a real X11 keyboard: in the telephone fields keys that type no character
// (Tab, Delete) are not filtered, typed ones are; Enter and Tab stop on the chosen button of each radio pair.
#include "app/Program.h"
#include "mainwin/Forms.h"
#include "mainwin/Tmain.h"
#include "platform/Beep.h"
#include "support/ModalWindow.h"
#include "support/TestProgramDir.h"
#include "support/Typing.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <memory>

class TestRealKeys : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;

    bool withAddWindow(const std::function<void(QWidget*)>& drive)
    {
        return driveModal(QStringLiteral("add"), [] { forms::main->N5Click(); }, drive) != nullptr;
    }

private Q_SLOTS:
    void init()
    {
        platform::Beep::resetCount();
        m_dir = std::make_unique<TestProgramDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(Program::start(m_dir->path()));
    }

    void cleanup()
    {
        Program::shutdown();
        m_dir.reset();
    }

    void tabLeavesTheField_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("next");
        QTest::newRow("姓名") << "DBEdit1" << "张三" << int(Qt::Key_Tab) << "x1";
        QTest::newRow("电话 full") << "DBEdit2" << "0351-12345678" << int(Qt::Key_Tab) << "CheckBox1";
        QTest::newRow("手机 empty") << "DBEdit7" << "" << int(Qt::Key_Tab) << "DBEdit3";
        QTest::newRow("小灵通") << "DBEdit3" << "1234" << int(Qt::Key_Tab) << "DBEdit4";
        QTest::newRow("小灵通 back") << "DBEdit3" << "1234" << int(Qt::Key_Backtab) << "DBEdit7";
    }
    void tabLeavesTheField()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(int, key);
        QFETCH(QString, next);
        QVERIFY(withAddWindow([&](QWidget* w) {
            auto* edit = w->findChild<QLineEdit*>(field);
            edit->setFocus();
            typeText(edit, text);
            pressRealKey(edit, Qt::Key(key), key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
            QCOMPARE(edit->text(), text);
            QVERIFY(w->focusWidget());
            QCOMPARE(w->focusWidget()->objectName(), next);
            QCOMPARE(platform::Beep::count(), 0);
        }));
    }

    void editingKeysInATelephoneField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selectFrom");
        QTest::addColumn<int>("selectLength");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("beeps");
        const QString full = QStringLiteral("0351-12345678");
        QTest::newRow("Delete a selection when full") << full << 0 << 5 << int(Qt::Key_Delete) << "12345678" << 0;
        QTest::newRow("Delete a character when full") << full << 12 << 0 << int(Qt::Key_Delete) << "0351-1234567" << 0;
        QTest::newRow("Backspace") << "0351-1234" << 9 << 0 << int(Qt::Key_Backspace) << "0351-123" << 0;
        QTest::newRow("Backspace when full") << full << 13 << 0 << int(Qt::Key_Backspace) << full << 1;
        QTest::newRow("digit when full") << full << 13 << 0 << int(Qt::Key_9) << full << 1;
        QTest::newRow("letter") << "0351" << 4 << 0 << int(Qt::Key_A) << "0351" << 1;
        QTest::newRow("space") << "0351" << 4 << 0 << int(Qt::Key_Space) << "0351" << 1;
        QTest::newRow("hyphen") << "0351" << 4 << 0 << int(Qt::Key_Minus) << "0351-" << 0;
    }
    void editingKeysInATelephoneField()
    {
        QFETCH(QString, text);
        QFETCH(int, selectFrom);
        QFETCH(int, selectLength);
        QFETCH(int, key);
        QFETCH(QString, after);
        QFETCH(int, beeps);
        QVERIFY(withAddWindow([&](QWidget* w) {
            auto* phone = w->findChild<QLineEdit*>(QStringLiteral("DBEdit2"));
            phone->setFocus();
            phone->setText(text);
            if (selectLength > 0)
                phone->setSelection(selectFrom, selectLength);
            else
                phone->setCursorPosition(selectFrom);
            pressRealKey(phone, Qt::Key(key));
            QCOMPARE(phone->text(), after);
            QCOMPARE(platform::Beep::count(), beeps);
        }));
    }

    // After a contact saved with a birthday and sex 女, the next one entered with Enter and Tab only (as the
    // window's hint says) has no birthday and is a man.
    void keyboardEntryAfterABirthdayStoresNone()
    {
        const auto focused = [] { return QApplication::focusWidget()->objectName(); };
        for (const QString& name : {QStringLiteral("赵六"), QStringLiteral("孙七")}) {
            QVERIFY(withAddWindow([&](QWidget* w) {
                typeText(QApplication::focusWidget(), name);
                typeText(w->findChild<QLineEdit*>(QStringLiteral("DBEdit7")), QStringLiteral("13012345678"));
                if (name == QStringLiteral("赵六")) {
                    QTest::mouseClick(w->findChild<QRadioButton*>(QStringLiteral("x2")), Qt::LeftButton);
                    QTest::mouseClick(w->findChild<QRadioButton*>(QStringLiteral("RadioButton4")), Qt::LeftButton);
                    QTRY_COMPARE(focused(), QStringLiteral("DBComboBoxEh2"));
                } else {
                    w->findChild<QWidget*>(QStringLiteral("DBEdit1"))->setFocus();
                    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Tab, Qt::Key_Return})
                        pressRealKey(QApplication::focusWidget(), key);
                    QCoreApplication::processEvents();
                    QCOMPARE(focused(), QStringLiteral("RadioButton3"));
                }
                QTest::mouseClick(w->findChild<QWidget*>(QStringLiteral("Button2")), Qt::LeftButton);
            }));
        }
        const QString stored = QStringLiteral("select group_concat(性别||生月||'/'||生日) from main");
        QCOMPARE(m_dir->value(stored), QStringLiteral("女1/1,男0/0"));
    }
};

QTEST_MAIN(TestRealKeys)
#include "tst_realkeys.moc"
