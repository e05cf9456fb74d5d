// The record browser over the main list of a started program: paging, jumping, the card's fields and photo, the
// photo layout, and handing the shown record to the main window's commands.
#include "app/Program.h"
#include "edit/Photos.h"
#include "mainwin/Forms.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/Tmain.h"
#include "platform/Beep.h"
#include "search/Tlist.h"
#include "support/ModalWindow.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include <functional>
#include <memory>

class TestList : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;
    std::unique_ptr<PromptRecorder> m_prompts;

    template <typename T = QLabel> static T* c(const char* name)
    {
        T* w = forms::list->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    static void click(const char* name) { QTest::mouseClick(c<QPushButton>(name), Qt::LeftButton); }
    static QString title() { return c<QGroupBox>("GroupBox1")->title(); }
    static QImage shown() { return c("Image1")->pixmap().toImage().convertToFormat(QImage::Format_RGB32); }
    // Position, name and paging buttons in one line, so a failure shows the whole state.
    static QString state()
    {
        return title() + QLatin1Char(' ') + c("p1")->text() + QLatin1Char(' ') +
               QString::number(c<QPushButton>("Button5")->isEnabled()) +
               QString::number(c<QPushButton>("Button4")->isEnabled());
    }
    void jump(const QString& number) const
    {
        c<QLineEdit>("Edit2")->setText(number);
        click("Button7");
    }

    // Runs the browse command with `drive` inside the modal browser, which is closed afterwards in any case.
    void browse(const std::function<void()>& drive)
    {
        const QWidget* opened = driveModal(QStringLiteral("list"), [] { forms::main->N40Click(); },
                                           [&](QWidget*) { drive(); });
        QVERIFY2(opened, "the browser did not open");
        QVERIFY(!forms::list->isVisible());
        QVERIFY(!forms::list->alo.isOpen());
    }

private Q_SLOTS:
    void initTestCase() { Program::prepareApplication(); }

    void init()
    {
        m_dir = std::make_unique<TestProgramDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(m_dir->addContact(QStringLiteral("张三"), QStringLiteral("男"), 12, 31));
        QVERIFY(m_dir->addContact(QStringLiteral("李四"), QStringLiteral("女"), 0, 15));
        QVERIFY(m_dir->addContact(QStringLiteral("王五"), QStringLiteral("男"), 5, 0, QStringLiteral("139")));
        QVERIFY(m_dir->addContact(QStringLiteral("赵六")));
        m_prompts = std::make_unique<PromptRecorder>();
        platform::Beep::resetCount();
    }

    void cleanup()
    {
        Program::shutdown();
        m_prompts.reset();
        m_dir.reset();
    }

    void pagesTheListedRecordsWithoutWrapping()
    {
        QVERIFY(Program::start(m_dir->path()));
        // A search result of three records, as the search window leaves it.
        std::vector<RecordRow> rows;
        for (const char* name : {"王五", "张三", "李四"})
            rows.push_back(RecordRow{{QString::fromUtf8(name), QString(), QString(), QString(), QString(), QString()}});
        forms::main->ListView1->model()->setRows(std::move(rows));
        forms::main->Button1->setText(QStringLiteral("0"));
        QStringList order;
        for (int i = 0; i < 3; ++i)
            order << forms::main->ListView1->model()->caption(i);

        const auto at = [&](int n) { return QStringLiteral("第%1条/共3条 ").arg(n) + order.at(n - 1) + ' '; };
        browse([&] {
            QCOMPARE(state(), at(1) + "01");
            click("Button4");
            QCOMPARE(state(), at(2) + "11");
            click("Button4");
            QCOMPARE(state(), at(3) + "11");
            click("Button4");
            QCOMPARE(state(), at(3) + "10");
            click("Button5");
            QCOMPARE(state(), at(2) + "11");
            click("Button5");
            click("Button5");
            QCOMPARE(state(), at(1) + "01");
            // The card: every field as stored, the birthday only when month and day are both set.
            for (int n = 1; n <= 3; ++n) {
                jump(QString::number(n));
                const QString expected =
                    order.at(n - 1) == QStringLiteral("张三") ? QStringLiteral("12月31日") : QString();
                QCOMPARE(c("p4")->text(), expected);
                if (order.at(n - 1) == QStringLiteral("王五"))
                    QCOMPARE(c("p2")->text() + c("p3")->text() + c("p6")->text(), QStringLiteral("男朋友139"));
            }
            click("Button4");
            QCOMPARE(state(), at(3) + "10");
            click("Button1");
        });
        // Shown again: record 1, with the buttons freed from the last showing's ends.
        browse([&] {
            QCOMPARE(state(), at(1) + "01");
            QTest::keyClick(c<QWidget>("Button4"), Qt::Key_Escape);
        });
    }

    void jumpTakesOnlyNumbersInRange()
    {
        QVERIFY(Program::start(m_dir->path()));
        browse([&] {
            auto* edit = c<QLineEdit>("Edit2");
            click("Button6");
            QVERIFY(c<QWidget>("Panel2")->isVisible());
            QCOMPARE(c("Label3")->text(), QStringLiteral("当前数据表中共有4条记录"));
            QTRY_COMPARE(QApplication::focusWidget(), edit);
            QVERIFY(!edit->testAttribute(Qt::WA_InputMethodEnabled));

            edit->clear();
            QTest::keyClicks(edit, "2a");
            QTest::keyClick(edit, Qt::Key_Return);
            QCOMPARE(edit->text(), QStringLiteral("2"));
            QCOMPARE(platform::Beep::count(), 2);
            QCOMPARE(title(), QStringLiteral("第1条/共4条"));

            for (const char* bad : {"0", "5"}) {
                m_prompts->clear();
                jump(QString::fromLatin1(bad));
                QCOMPARE(m_prompts->count(), 1);
                QCOMPARE(m_prompts->last().caption, QStringLiteral("提示"));
                QCOMPARE(m_prompts->last().text, QStringLiteral("您填写的数字超出了记录范围，请重新填写！"));
                QCOMPARE(m_prompts->last().icon, QMessageBox::Warning);
            }
            // Empty, pasted text and a number past 32 bits: told, nothing moves.
            for (const char* bad : {"", "3x", "99999999999"}) {
                m_prompts->clear();
                jump(QString::fromLatin1(bad));
                QCOMPARE(m_prompts->count(), 1);
                QCOMPARE(m_prompts->last().caption, QStringLiteral("提示"));
                QVERIFY(m_prompts->last().text.contains(QStringLiteral("1到4")));
            }
            QCOMPARE(title(), QStringLiteral("第1条/共4条"));
            QVERIFY(c<QWidget>("Panel2")->isVisible());

            jump(QStringLiteral("4"));
            QCOMPARE(title(), QStringLiteral("第4条/共4条"));
            QCOMPARE(c("p1")->text(), forms::main->ListView1->model()->caption(3));
            QVERIFY(c<QWidget>("Panel2")->isHidden());
            // A jump is a move: "上翻" works again after jumping away from record 1.
            QVERIFY(c<QPushButton>("Button5")->isEnabled());

            // Enter presses nothing, not even the focused close button; Esc closes.
            c<QWidget>("Button1")->setFocus();
            QTest::keyClick(c<QWidget>("Button1"), Qt::Key_Return);
            QVERIFY(forms::list->isVisible());
            QTest::keyClick(c<QWidget>("Button1"), Qt::Key_Escape);
            QVERIFY(!forms::list->isVisible());
        });
    }

    void photoFallsBackAndLayoutFollowsTheBox()
    {
        QVERIFY(m_dir->exec({QStringLiteral("update main set 照片=' ' where 姓名='赵六'"),
                             QStringLiteral("update main set 照片='王五.jpg' where 姓名='王五'"),
                             QStringLiteral("update main set 照片='李四.jpg' where 姓名='李四'")}));
        QVERIFY(m_dir->write(QStringLiteral("photo/李四.jpg"), QByteArray("\xff\xd8\xff not a picture")));
        QVERIFY(Program::start(m_dir->path()));
        const QImage placeholder = Photos::placeholder().convertToFormat(QImage::Format_RGB32);
        browse([&] {
            // 411 × 237 is the outer size: the client area leaves no empty strip under the check box.
            const QRect box = c<QWidget>("CheckBox1")->geometry();
            QVERIFY(forms::list->height() - (box.y() + box.height()) <= c<QWidget>("GroupBox1")->y());
            // Newest first: 赵六 (blank), 王五 (file missing), 李四 (undecodable, told once). The first photo is
            // drawn once the window is on the screen.
            QCOMPARE(c("p1")->text(), QStringLiteral("赵六"));
            QTRY_COMPARE(shown(), placeholder);
            click("Button4");
            QCOMPARE(shown(), placeholder);
            QCOMPARE(m_prompts->count(), 0);
            click("Button4");
            QCOMPARE(c("p1")->text(), QStringLiteral("李四"));
            QCOMPARE(shown(), placeholder);
            click("Button5");
            click("Button4");
            QCOMPARE(m_prompts->count(), 1);
            QVERIFY(m_prompts->last().text.contains(QStringLiteral("photo/李四.jpg")));

            QCOMPARE(c("Panel9")->text(), QStringLiteral("电  话"));
            c<QCheckBox>("CheckBox1")->click();
            QVERIFY(c<QWidget>("Panel19")->isHidden());
            QCOMPARE(c("Panel9")->text() + c("Panel12")->text(), QStringLiteral("电话手机"));
            QCOMPARE(c("p5")->geometry(), QRect(69, 63, 203, 22));
            click("Button1");
        });
        // The next showing lays the card out as the box was left.
        browse([&] {
            QVERIFY(c<QWidget>("Panel19")->isHidden());
            QCOMPARE(c("p1")->geometry(), QRect(69, 21, 117, 22));
            c<QCheckBox>("CheckBox1")->click();
            QVERIFY(c<QWidget>("Panel19")->isVisible());
            QCOMPARE(c("Panel12")->text(), QStringLiteral("手  机"));
            QCOMPARE(c("p1")->geometry(), QRect(137, 21, 71, 22));
            click("Button1");
        });
    }

    void undecodablePhotoIsToldOnlyWhenItIsDrawn()
    {
        QVERIFY(m_dir->exec({QStringLiteral("update main set 照片='赵六.jpg' where 姓名='赵六'")}));
        QVERIFY(m_dir->write(QStringLiteral("photo/赵六.jpg"), QByteArray("\xff\xd8\xff not a picture")));
        QVERIFY(Program::start(m_dir->path()));
        // Whether the browser was on the screen when each warning came.
        QList<bool> onScreen;
        platform::Prompt::setHandler([&onScreen](const platform::PromptRequest&) {
            const QWindow* handle = forms::list->windowHandle();
            onScreen << (handle && handle->isExposed());
            return QMessageBox::Ok;
        });
        const auto restore = qScopeGuard([] { platform::Prompt::setHandler({}); });
        browse([&] {
            QTRY_COMPARE(onScreen, QList<bool>({true}));
            c<QCheckBox>("CheckBox1")->click();
            click("Button1");
        });
        // With the photo switched off nothing is read, so nothing is told, until the photo is switched on.
        browse([&] {
            QTest::qWait(50);
            QCOMPARE(onScreen.size(), 1);
            c<QCheckBox>("CheckBox1")->click();
            QCOMPARE(onScreen, QList<bool>({true, true}));
            click("Button1");
        });
    }

    void handsTheShownRecordToTheMainWindow()
    {
        QVERIFY(Program::start(m_dir->path()));
        // The deletion is declined, and the browser must already be out of the way when the question comes.
        bool hiddenWhenAsked = false;
        QString asked;
        platform::Prompt::setHandler([&](const platform::PromptRequest& box) {
            hiddenWhenAsked = !forms::list->isVisible();
            asked = box.text;
            return QMessageBox::No;
        });
        const QString second = forms::main->ListView1->model()->caption(1);
        browse([&] {
            click("Button4");
            click("Button2");
        });
        QCOMPARE(asked, QStringLiteral("是否要删除") + second + QStringLiteral("？"));
        QVERIFY(hiddenWhenAsked);
        QCOMPARE(m_dir->count(QStringLiteral("main")), 4);
        QCOMPARE(forms::main->ListView1->selectedRows(), QList<int>{1});
    }
};

QTEST_MAIN(TestList)
#include "tst_list.moc"
