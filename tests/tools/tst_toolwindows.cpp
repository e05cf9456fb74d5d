// The tool windows in a started program, opened by the main window's commands: what each one reads, writes and
// shows, and how it closes. Their rules are tested without a window in tst_toolrules.
#include "app/Program.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/Forms.h"
#include "mainwin/Tmain.h"
#include "platform/Shell.h"
#include "store/Ini.h"
#include "support/ModalWindow.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"
#include "support/Typing.h"
#include "tools/ChartRules.h"
#include "tools/TForm9.h"
#include "tools/Tabout.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

namespace {

template <typename T = QWidget> T* child(QWidget* w, const char* name)
{
    T* found = w->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

QString text(QWidget* w, const char* name)
{
    return child<QLabel>(w, name)->text();
}

QStringList lines(QWidget* w)
{
    QStringList result;
    const auto* list = child<QListWidget>(w, "ListBox1");
    for (int i = 0; i < list->count(); ++i)
        result.append(list->item(i)->text());
    return result;
}

void press(int key)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
}

bool areaConnectionOpen()
{
    return QSqlDatabase::contains(QStringLiteral("Form9.acper")) &&
           QSqlDatabase::database(QStringLiteral("Form9.acper"), false).isOpen();
}

} // namespace

class TestToolWindows : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;
    std::unique_ptr<PromptRecorder> m_prompts;

    QString storedTitle() const
    {
        return store::Ini::read(m_dir->file("set.ini"), QStringLiteral("main"), QStringLiteral("title"));
    }

private Q_SLOTS:
    void initTestCase() { Program::prepareApplication(); }

    void init()
    {
        m_dir = std::make_unique<TestProgramDir>();
        QVERIFY(m_dir->isValid());
        m_prompts = std::make_unique<PromptRecorder>();
    }

    void cleanup()
    {
        platform::Shell::setRecorder({});
        Program::shutdown();
        m_prompts.reset();
        m_dir.reset();
    }

    void statisticsChartsTheListedRows()
    {
        const char* const names[] = {"甲", "乙", "丙", "丁", "戊", "己", "庚"};
        const char* const relations[] = {"朋友", "朋友", "朋友", "同事", "领导", "老师", " "};
        for (int i = 0; i < 7; ++i) {
            QVERIFY(m_dir->addContact(QString::fromUtf8(names[i])));
            QVERIFY(m_dir->exec({QStringLiteral("update main set 关系='%1' where 姓名='%2'")
                                     .arg(QString::fromUtf8(relations[i]), QString::fromUtf8(names[i]))}));
        }
        QVERIFY(Program::start(m_dir->path()));
        QSignalSpy summary(forms::main->Timer7, &QTimer::timeout);
        auto values = [](QWidget* w) {
            return QStringList({text(w, "x1"), text(w, "x2"), text(w, "x3"), text(w, "x4"), text(w, "x5"),
                                text(w, "Label1"), text(w, "Label3"), text(w, "Label2")})
                .join(QLatin1Char(' '));
        };

        QVERIFY(driveModal(
            QStringLiteral("Form7"), [] { forms::main->N39Click(); },
            [&](QWidget* w) {
                QCOMPARE(w->size(), QSize(390, 204));
                QCOMPARE(values(w), QStringLiteral("3人 2人 1人 0人 1人 7 3.5 0"));
                QCOMPARE(child(w, "s1")->geometry(), QRect(24, 94, 31, 70));
                QCOMPARE(child(w, "s4")->geometry(), QRect(180, 164, 31, 0));
                QLabel* x1 = child<QLabel>(w, "x1");
                QCOMPARE(x1->pos(), QPoint(ChartRules::labelLeft(0, x1->width()), 94 - 15));
                QTest::keyClick(w, Qt::Key_Escape);
                QVERIFY(!w->isVisible());
            }));
        QTRY_VERIFY(summary.count() > 0);

        // After a search the list holds the matches only, and they are what is counted; a double click closes.
        std::vector<RecordRow> matches(3);
        matches[0].cells = {"甲", "朋友", " ", " ", " ", " "};
        matches[1].cells = {"丁", "同事", " ", " ", " ", " "};
        matches[2].cells = {"辛", "家庭", " ", " ", " ", " "};
        forms::main->ListView1->model()->setRows(std::move(matches));
        QVERIFY(driveModal(
            QStringLiteral("Form7"), [] { forms::main->N39Click(); },
            [&](QWidget* w) {
                QCOMPARE(values(w), QStringLiteral("1人 1人 0人 1人 0人 3 1.5 0"));
                QTest::mouseDClick(child(w, "Panel1"), Qt::LeftButton, {}, QPoint(5, 5));
                QVERIFY(!w->isVisible());
            }));
    }

    void areaCodesLookUpOnTheirOwnConnection()
    {
        QVERIFY(Program::start(m_dir->path()));
        auto open = [] { forms::main->Q1Click(); };
        QVERIFY(!areaConnectionOpen());
        QVERIFY(driveModal(QStringLiteral("Form9"), open, [&](QWidget* w) {
            QCOMPARE(w->size(), QSize(281, 225));
            QVERIFY(areaConnectionOpen());
            QCOMPARE(lines(w), QStringList({"请选择查询方式！"}));
            auto* province = child<QComboBox>(w, "ComboBox1");
            QCOMPARE(province->count(), 29);
            QCOMPARE(province->currentText(), QStringLiteral("山西"));
            QTRY_COMPARE(QApplication::focusWidget(), province);
            province->setCurrentText(QStringLiteral("直辖市"));
            press(Qt::Key_Return);
            QCOMPARE(lines(w), QStringList({"北京  010", "上海  021", "天津  022", "重庆  023"}));

            QTest::mouseClick(child(w, "RadioButton3"), Qt::LeftButton);
            QCOMPARE(text(w, "Label1"), QStringLiteral("电话区号："));
            QVERIFY(province->isHidden());
            QCOMPARE(QApplication::focusWidget(), child(w, "Edit1"));
            press(Qt::Key_Enter);
            QCOMPARE(lines(w), QStringList({"请填写完整！"}));
            QTest::keyClicks(child(w, "Edit1"), "351");
            QTest::mouseClick(child(w, "Button1"), Qt::LeftButton);
            QCOMPARE(lines(w), QStringList({"太原（山西）  0351"}));
            // An arrow key on the chosen mode chooses the next one, and the focus goes on into its input.
            child(w, "RadioButton3")->setFocus();
            press(Qt::Key_Up);
            QCOMPARE(text(w, "Label1"), QStringLiteral("城市名称："));
            QCOMPARE(QApplication::focusWidget(), child(w, "Edit1"));
            press(Qt::Key_Escape);
            QVERIFY(!w->isVisible());
        }));
        QVERIFY(!areaConnectionOpen());

        // The mode and input stay, the result list starts afresh; a table that cannot be read is reported as such,
        // never as "nothing found".
        QVERIFY(m_dir->write("qh.mdb", QByteArray(4096, 'x')));
        QVERIFY(driveModal(QStringLiteral("Form9"), open, [&](QWidget* w) {
            QVERIFY(child<QRadioButton>(w, "RadioButton2")->isChecked());
            QCOMPARE(child<QLineEdit>(w, "Edit1")->text(), QStringLiteral("351"));
            QCOMPARE(lines(w), QStringList({"请选择查询方式！"}));
            m_prompts->clear();
            QTest::mouseClick(child(w, "Button1"), Qt::LeftButton);
            QCOMPARE(m_prompts->count(), 1);
            QVERIFY(m_prompts->last().text.startsWith(QStringLiteral("区号数据文件qh.mdb无法读取，请重新安装！")));
            QCOMPARE(lines(w), QStringList());
            QTest::mouseClick(child(w, "Button2"), Qt::LeftButton);
            QVERIFY(!w->isVisible());
        }));
    }

    // Enter (an X11 keyboard's) in the open province list takes the highlighted province only; a new lookup shows
    // its result from the first line.
    void areaCodeListKeysAndScrolling()
    {
        QVERIFY(Program::start(m_dir->path()));
        QVERIFY(driveModal(QStringLiteral("Form9"), [] { forms::main->Q1Click(); }, [&](QWidget* w) {
            auto* province = child<QComboBox>(w, "ComboBox1");
            province->showPopup();
            QTRY_VERIFY(province->view()->isVisible());
            province->view()->setCurrentIndex(province->model()->index(15, 0));
            pressRealKey(province->view(), Qt::Key_Return);
            QTRY_COMPARE(province->currentText(), QStringLiteral("广东"));
            QCOMPARE(lines(w), QStringList({"请选择查询方式！"}));
            auto* results = child<QListWidget>(w, "ListBox1");
            for (const char* name : {"广东", "四川"}) {
                province->setCurrentText(QString::fromUtf8(name));
                child<QPushButton>(w, "Button1")->click();
                QCOMPARE(results->verticalScrollBar()->value(), 0);
                results->scrollToBottom();
            }
            QVERIFY(results->verticalScrollBar()->value() > 0);
        }));
    }

    void titleTextSetsTheCaption()
    {
        QVERIFY(store::Ini::removeKey(m_dir->file("set.ini"), QStringLiteral("main"), QStringLiteral("title")));
        QVERIFY(Program::start(m_dir->path()));
        auto open = [] { forms::main->T1Click(); };
        auto enabled = [](QWidget* w) {
            return QString("%1%2")
                .arg(int(child(w, "Button1")->isEnabled()))
                .arg(int(child(w, "Button2")->isEnabled()));
        };

        QVERIFY(driveModal(QStringLiteral("Form6"), open, [&](QWidget* w) {
            auto* edit = child<QLineEdit>(w, "Edit1");
            QCOMPARE(edit->text(), QString());
            QCOMPARE(enabled(w), QStringLiteral("01"));
            // A blank title does nothing at all.
            typeText(edit, QStringLiteral("   "));
            QCOMPARE(enabled(w), QStringLiteral("11"));
            QTest::mouseClick(child(w, "Button1"), Qt::LeftButton);
            QVERIFY(w->isVisible());
            QCOMPARE(m_prompts->count(), 0);
            typeText(edit, QStringLiteral("我的电话本  "));
            QTest::mouseClick(child(w, "Button1"), Qt::LeftButton);
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(m_prompts->count(), 1);
        QCOMPARE(m_prompts->last().caption + m_prompts->last().text, QStringLiteral("提示设定成功！"));
        QCOMPARE(storedTitle(), QStringLiteral("我的电话本"));
        QCOMPARE(forms::main->windowTitle(), QStringLiteral("我的电话本"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Velloranv4.0"));

        // Restore stores the default and closes without a message.
        QVERIFY(driveModal(QStringLiteral("Form6"), open, [&](QWidget* w) {
            QCOMPARE(child<QLineEdit>(w, "Edit1")->text(), QStringLiteral("我的电话本"));
            QCOMPARE(enabled(w), QStringLiteral("01"));
            QTest::mouseClick(child(w, "Button2"), Qt::LeftButton);
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(m_prompts->count(), 1);
        QCOMPARE(storedTitle(), QStringLiteral("Velloranv4.0"));
        QCOMPARE(forms::main->windowTitle(), QStringLiteral("Velloranv4.0"));

        // With the default stored nothing can be pressed until an edit; cancelling writes nothing.
        QVERIFY(driveModal(QStringLiteral("Form6"), open, [&](QWidget* w) {
            QCOMPARE(enabled(w), QStringLiteral("00"));
            typeText(child(w, "Edit1"), QStringLiteral("x"));
            QTest::mouseClick(child(w, "Button3"), Qt::LeftButton);
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(storedTitle(), QStringLiteral("Velloranv4.0"));
        QCOMPARE(forms::main->windowTitle(), QStringLiteral("Velloranv4.0"));
    }

    void aboutOpensTheHomePageAndCloses()
    {
        QVERIFY(Program::start(m_dir->path()));
        QStringList shell;
        platform::Shell::setRecorder([&shell](const QString& request) {
            shell.append(request);
            return true;
        });
        Tabout* about = forms::about;
        // The picture changes every second, shown or not.
        QVERIFY(about->Timer1->isActive());
        QCOMPARE(about->Timer1->interval(), 1000);
        const int first = about->ImageIndex();
        about->Timer1Timer();
        QCOMPARE(about->ImageIndex(), 1 - first);
        about->Timer1Timer();
        QCOMPARE(about->ImageIndex(), first);

        auto open = [] { forms::main->N19Click(); };
        const std::function<void(QWidget*)> ways[] = {
            [](QWidget* w) { QTest::mouseClick(child(w, "Panel1"), Qt::LeftButton, {}, QPoint(150, 20)); },
            [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); },
            [](QWidget* w) { QTest::mouseDClick(w, Qt::LeftButton, {}, QPoint(4, 4)); },
        };
        // A double click on the web-site line, as X11 delivers it, opens the page once.
        QVERIFY(driveModal(QStringLiteral("about"), open, [&](QWidget* w) {
            QWidget* site = child(w, "Label5");
            const QPointF at(5, 5);
            const QEvent::Type sequence[] = {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                             QEvent::MouseButtonPress, QEvent::MouseButtonDblClick,
                                             QEvent::MouseButtonRelease};
            for (const QEvent::Type type : sequence) {
                const bool down = type != QEvent::MouseButtonRelease;
                QMouseEvent event(type, at, site->mapToGlobal(at), Qt::LeftButton,
                                  down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
                QCoreApplication::sendEvent(site, &event);
            }
            QCOMPARE(shell.size(), 1);
        }));
        for (const auto& close : ways) {
            QVERIFY(driveModal(QStringLiteral("about"), open, [&](QWidget* w) {
                QCOMPARE(w->size(), QSize(213, 118));
                QVERIFY(text(w, "Label5").contains(QStringLiteral("www.tarsiwen.example")));
                shell.clear();
                QTest::mouseClick(child(w, "Label5"), Qt::LeftButton);
                QCOMPARE(shell, QStringList({"open:http://www.tarsiwen.example/"}));
                QVERIFY(w->isVisible());
                close(w);
                QVERIFY(!w->isVisible());
            }));
        }
    }
};

QTEST_MAIN(TestToolWindows)
#include "tst_toolwindows.moc"
