// The search window against a real program directory: what single and compound searches find, how the result
// line and the view button follow each action, and what a listing does to the main window.
#include "app/Program.h"
#include "mainwin/Forms.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/Tmain.h"
#include "support/ModalWindow.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace {

template <typename T = QWidget> T* child(QWidget* w, const char* name)
{
    return w->findChild<T*>(QString::fromLatin1(name));
}

QLineEdit* edit(QWidget* w, const char* name)
{
    return child<QLineEdit>(w, name);
}

QStringList listedNames()
{
    QStringList names;
    const RecordModel* model = forms::main->ListView1->model();
    for (int i = 0; i < model->count(); ++i)
        names.append(model->caption(i));
    return names;
}

} // namespace

class TestFind : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;

    // Opens the search window with the find command and runs drive on it; closes it even when a check failed.
    bool withFindWindow(const std::function<void(QWidget*)>& drive)
    {
        return driveModal(QStringLiteral("find"), [] { forms::main->N6Click(); }, drive) != nullptr;
    }

    // The result line as the user sees it: empty while hidden.
    static QString result(QWidget* w)
    {
        const auto* panel = child<QLabel>(w, "Panel1");
        return panel->isVisible() ? panel->text() : QString();
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<TestProgramDir>();
        QVERIFY(m_dir->isValid());
        // Blank fields are stored as " ".
        QVERIFY(m_dir->exec({QStringLiteral("insert into main (姓名,关系,电话,手机,小灵通,住址) values "
                                            "('张三丰','朋友','010-1234','13911112222',' ','北京市海淀区'),"
                                            "('李张明','同事',' ','13800001111',' ','上海'),"
                                            "('王五','朋友','020-5555',' ','7788','北京'),"
                                            "('张 三','家人',' ',' ','1234',' '),"
                                            "('a''b%c_d','朋友','1',' ',' ',' '), ('ab%cxd','朋友','1',' ',' ',' '),"
                                            "('Tom','朋友','1',' ',' ',' '), ('tomas','朋友','1',' ',' ',' ')")}));
        QVERIFY(Program::start(m_dir->path()));
        QCOMPARE(forms::main->ListView1->count(), 8);
    }

    void cleanup()
    {
        Program::shutdown();
        m_dir.reset();
    }

    void singleSearchListsMatchesInTableOrder_data()
    {
        QTest::addColumn<QByteArray>("radio");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("part of the name, anywhere") << QByteArray("RadioButton1") << QStringLiteral("张")
                                                    << QStringList{"张三丰", "李张明", "张 三"};
        QTest::newRow("小灵通") << QByteArray("RadioButton4") << QStringLiteral("34") << QStringList{"张 三"};
        QTest::newRow("pinyin initials") << QByteArray("RadioButton1") << QStringLiteral("zs")
                                         << QStringList{"张三丰", "张 三"};
        QTest::newRow("pinyin, upper case and part spelled") << QByteArray("RadioButton1") << QStringLiteral("Zhang S")
                                                             << QStringList{"张三丰", "张 三"};
        QTest::newRow("Latin names by their letters as before") << QByteArray("RadioButton1") << QStringLiteral("om")
                                                                << QStringList{"Tom", "tomas"};
    }

    void singleSearchListsMatchesInTableOrder()
    {
        QFETCH(QByteArray, radio);
        QFETCH(QString, text);
        QFETCH(QStringList, found);
        bool closed = false;
        QVERIFY(withFindWindow([&](QWidget* w) {
            QTest::mouseClick(child(w, radio.constData()), Qt::LeftButton);
            edit(w, "Edit1")->setText(text);
            QTest::keyClick(edit(w, "Edit1"), Qt::Key_Enter, Qt::KeypadModifier);
            closed = !w->isVisible();
        }));
        QVERIFY(closed);
        QCOMPARE(listedNames(), found);
        QCOMPARE(forms::main->Button1->text(), QStringLiteral("0"));
        QTRY_VERIFY(forms::main->Memo3->toPlainText().endsWith(
            QStringLiteral("当前共有%1条记录，按录入的先后排列顺序。").arg(found.size())));
    }

    void compoundCountOnlyThenView()
    {
        PromptRecorder prompts;
        QVERIFY(withFindWindow([&](QWidget* w) {
            child<QCheckBox>(w, "CheckBox1")->setChecked(false);
            child<QTabWidget>(w, "PageControl1")->setCurrentIndex(1);
            edit(w, "Edit5")->setText(QStringLiteral(" 北京 "));
            QTest::keyClick(edit(w, "Edit5"), Qt::Key_Return);
            QCOMPARE(result(w), QStringLiteral("找到2条符合条件的记录！"));
            QVERIFY(child<QPushButton>(w, "Button2")->isEnabled());
            QVERIFY(w->isVisible());
            QCOMPARE(forms::main->ListView1->count(), 8);
            QCOMPARE(forms::main->Button1->text(), QStringLiteral("1"));

            // The view runs the search again from the inputs as they are now: relation AND address.
            edit(w, "Edit2")->setText(QStringLiteral("朋友"));
            QTest::mouseClick(child(w, "Button2"), Qt::LeftButton);
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(listedNames(), (QStringList{"张三丰", "王五"}));
        QCOMPARE(forms::main->Button1->text(), QStringLiteral("0"));
        QCOMPARE(prompts.count(), 0);
    }

    void resultLineAndViewButtonFollowEachAction()
    {
        QVERIFY(withFindWindow([&](QWidget* w) {
            auto* view = child<QPushButton>(w, "Button2");
            QVERIFY(!view->isEnabled());
            QCOMPARE(w->focusWidget(), edit(w, "Edit1"));
            child<QCheckBox>(w, "CheckBox1")->setChecked(false);

            QTest::keyClick(edit(w, "Edit1"), Qt::Key_Return); // nothing typed
            QCOMPARE(result(w), QStringLiteral("请输入查询条件！"));

            edit(w, "Edit1")->setText(QStringLiteral("张"));
            QTest::mouseClick(child(w, "Button1"), Qt::LeftButton);
            QCOMPARE(result(w), QStringLiteral("找到3条符合条件的记录！"));
            QVERIFY(view->isEnabled());

            // Another column: the input is emptied, the view button stays; pressing it only hides the line.
            QTest::mouseClick(child(w, "RadioButton3"), Qt::LeftButton);
            QCOMPARE(edit(w, "Edit1")->text(), QString());
            QCOMPARE(child<QLabel>(w, "Label1")->text(), QStringLiteral("请输入手机号码："));
            QCOMPARE(edit(w, "Edit1")->statusTip(), QStringLiteral("输入手机号码或其中的一部分。"));
            QCOMPARE(result(w), QString());
            QVERIFY(view->isEnabled());
            QTest::mouseClick(view, Qt::LeftButton);
            QCOMPARE(result(w), QString());
            QVERIFY(w->isVisible());

            // A single search without matches leaves the view button as it was.
            edit(w, "Edit1")->setText(QStringLiteral("999"));
            QTest::keyClick(child(w, "Button3"), Qt::Key_Return); // Enter searches whatever has the focus
            QCOMPARE(result(w), QStringLiteral("没有找到符合条件的记录！"));
            QVERIFY(view->isEnabled());
            QVERIFY(w->isVisible());

            // A click into an input empties it and withdraws the result.
            QTest::mouseClick(edit(w, "Edit1"), Qt::LeftButton);
            QCOMPARE(edit(w, "Edit1")->text(), QString());
            QCOMPARE(result(w), QString());
            QVERIFY(!view->isEnabled());

            // Page 2: no match and no input both disable the view button that a count had enabled.
            child<QTabWidget>(w, "PageControl1")->setCurrentIndex(1);
            const auto compound = [&](const QString& relation, const QString& phone) {
                edit(w, "Edit2")->setText(relation);
                edit(w, "Edit3")->setText(phone);
                QTest::keyClick(edit(w, "Edit3"), Qt::Key_Return);
                return result(w);
            };
            QCOMPARE(compound(QStringLiteral(" "), QStringLiteral("010")), QStringLiteral("找到1条符合条件的记录！"));
            QVERIFY(view->isEnabled());
            QCOMPARE(compound(QStringLiteral("同事"), QStringLiteral("010")), QStringLiteral("没有找到符合条件的记录！"));
            QVERIFY(!view->isEnabled());
            compound(QString(), QStringLiteral("010")); // enabled again
            QCOMPARE(compound(QStringLiteral("  "), QStringLiteral(" ")), QStringLiteral("请输入查询条件！"));
            QVERIFY(!view->isEnabled());
            QCOMPARE(w->focusWidget(), edit(w, "Edit2"));

            // Esc closes from any control and leaves the main list alone.
            QTest::keyClick(edit(w, "Edit2"), Qt::Key_Escape);
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(forms::main->ListView1->count(), 8);
        QCOMPARE(forms::main->Button1->text(), QStringLiteral("1"));

        // Showing again resets page, result line and view button only.
        QVERIFY(withFindWindow([&](QWidget* w) {
            QCOMPARE(child<QTabWidget>(w, "PageControl1")->currentIndex(), 0);
            QCOMPARE(result(w), QString());
            QVERIFY(!child<QPushButton>(w, "Button2")->isEnabled());
            QVERIFY(child<QRadioButton>(w, "RadioButton3")->isChecked());
            QVERIFY(!child<QCheckBox>(w, "CheckBox1")->isChecked());
            QCOMPARE(w->focusWidget(), edit(w, "Edit1"));
        }));
    }
};

QTEST_MAIN(TestFind)
#include "tst_find.moc"
