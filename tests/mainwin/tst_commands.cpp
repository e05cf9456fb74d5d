// The main window's record commands through the real program started in open mode: delete and modify with
// their checks, the short-cuts that win over the text fields, the edit commands, dropping rows on the tool bar,
// the details of the selected record, backup and area-code checks, the list colour and the status bar's hints.
#include "app/Program.h"
#include "edit/Tadd.h"
#include "mainwin/DeleteProgress.h"
#include "mainwin/Forms.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/Tmain.h"
#include "platform/Pickers.h"
#include "platform/Shell.h"
#include "store/Ini.h"
#include "support/ListNames.h"
#include "support/ModalWindow.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"
#include "support/Typing.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QScopeGuard>
#include <QtTest>

#include <memory>

namespace {

Tmain* w()
{
    return forms::main;
}

QStringList memo3Lines()
{
    return w()->Memo3->toPlainText().split(QLatin1Char('\n'));
}

void selectNames(const QStringList& names)
{
    w()->ListView1->clearSelection();
    const QStringList all = listNames();
    for (const QString& n : names)
        w()->ListView1->selectRow(int(all.indexOf(n)));
}

// Runs an action that may open a modal window and closes whatever modal window it opened; returns its name.
QString closeModalOpenedBy(const std::function<void()>& action)
{
    auto opened = std::make_shared<QString>();
    auto looked = std::make_shared<bool>(false);
    QTimer::singleShot(0, qApp, [opened, looked] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            *opened = modal->objectName().isEmpty() ? QString::fromLatin1(modal->metaObject()->className())
                                                    : modal->objectName();
            modal->close();
        }
        *looked = true;
    });
    action();
    if (!QTest::qWaitFor([looked] { return *looked; }))
        qWarning("the modal window did not open");
    return *opened;
}

} // namespace

class TestCommands : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;
    std::unique_ptr<PromptRecorder> m_prompts;
    QStringList m_shell;

    void start(const QStringList& names = {})
    {
        for (const QString& n : names)
            QVERIFY(m_dir->addContact(n));
        QVERIFY(Program::start(m_dir->path()));
        w()->Panel7->hide();
        w()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w()));
        m_prompts->clear();
    }

    QStringList promptTexts() const
    {
        QStringList texts;
        for (const auto& box : m_prompts->boxes())
            texts << box.text;
        return texts;
    }

    // Gives a control of the main window the focus, taking it back from a window that was just closed.
    void focus(QWidget* control)
    {
        w()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w()));
        control->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), control);
    }

    void focusNotesPad()
    {
        w()->PageControl1->setCurrentWidget(w()->TabSheet3);
        focus(w()->Memo1);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<TestProgramDir>();
        QVERIFY(m_dir->isValid());
        m_prompts = std::make_unique<PromptRecorder>(QMessageBox::Yes);
        m_shell.clear();
        platform::Shell::setRecorder([this](const QString& request) {
            m_shell << request;
            return true;
        });
    }

    void cleanup()
    {
        Program::shutdown();
        platform::Shell::setRecorder({});
        platform::Pickers::setColorAnswer({});
        QDir::setCurrent(QDir::tempPath());
        m_prompts.reset();
        m_dir.reset();
    }

    void deleteAsksThenRemovesRecordsAndRows()
    {
        start({"张三", "李四", "王五", "赵六", "钱七"});
        w()->Button1->setText(QStringLiteral("0"));

        selectNames({"张三"});
        w()->N10Click();
        QCOMPARE(promptTexts(), QStringList({"是否要删除张三？"}));
        QCOMPARE(listNames(), QStringList({"钱七", "赵六", "王五", "李四"}));
        QCOMPARE(m_dir->count("main"), 4);
        // The list still holds what it held, less the deleted rows: a subset stays a subset.
        QCOMPARE(w()->Button1->text(), QStringLiteral("0"));
        QTRY_COMPARE(memo3Lines().last(), QStringLiteral("当前共有4条记录，按录入的先后排列顺序。"));

        // No keeps everything.
        selectNames({"钱七", "王五", "李四"});
        m_prompts->setAnswer(QMessageBox::No);
        w()->N10Click();
        QCOMPARE(m_prompts->last().text, QStringLiteral("是否要删除这3个记录？"));
        QCOMPARE(m_dir->count("main"), 4);
        QCOMPARE(listNames().size(), 4);

        m_prompts->setAnswer(QMessageBox::Yes);
        w()->N10Click();
        QCOMPARE(m_prompts->last().text, QStringLiteral("是否要删除这3个记录？"));
        QCOMPARE(listNames(), QStringList({"赵六"}));
        QCOMPARE(m_dir->count("main"), 1);
        QTRY_COMPARE(memo3Lines().last(), QStringLiteral("当前共有1条记录，按录入的先后排列顺序。"));

        // Once the last row is gone, browse and statistics refuse, as do delete and modify.
        selectNames({"赵六"});
        w()->N10Click();
        QCOMPARE(m_dir->count("main"), 0);
        m_prompts->clear();
        w()->N40Click();
        w()->N39Click();
        w()->N10Click();
        w()->N7Click();
        QCOMPARE(promptTexts(), QStringList({"数据表中没有记录，不能浏览！", "数据表中没有记录，不能统计！",
                                             "没有记录，请添加！", "没有记录，请添加！"}));
    }

    // Deleting from a search result leaves a subset: the refresh then reloads at once, without the wait for a
    // table that will never match the list.
    void deletingFromASearchResultKeepsItASubset()
    {
        start({"张三", "张四", "李四"});
        QVERIFY(driveModal(QStringLiteral("find"), [] { w()->N6Click(); }, [](QWidget* find) {
            find->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("张"));
            find->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
        }));
        selectNames({"张三"});
        w()->N10Click();
        QCOMPARE(w()->Button1->text(), QStringLiteral("0"));
        w()->N18Click(); // F5
        QTRY_COMPARE(listNames(), QStringList({"李四", "张四"}));
        QVERIFY(w()->Panel4->isHidden());
    }

    void failedDeleteIsReportedAndKeepsItsRow()
    {
        start({"张三", "李四", "王五"});
        QVERIFY(m_dir->refuse("delete", "main", "kept", QStringLiteral("old.姓名='李四'")));
        selectNames({"张三", "李四", "王五"});
        w()->N10Click();
        QCOMPARE(promptTexts(), QStringList({"是否要删除这3个记录？", "删除出错"}));
        QCOMPARE(m_prompts->last().caption, QStringLiteral("Information"));
        QCOMPARE(listNames(), QStringList({"李四"}));
        QCOMPARE(m_dir->count("main"), 1);
        QTRY_COMPARE(memo3Lines().last(), QStringLiteral("当前共有1条记录，按录入的先后排列顺序。"));
    }

    void deleteAfterAReloadRemovesTheRowsByName()
    {
        start({"张三", "李四", "王五"});
        selectNames({"李四"});
        // While the question is open another copy adds a record and a reload runs: the rows move.
        m_prompts.reset();
        platform::Prompt::setHandler([this](const platform::PromptRequest& box) {
            m_dir->addContact(QStringLiteral("赵六"));
            w()->Button1->setText(QStringLiteral("0"));
            w()->Timer5Timer();
            return box.icon == QMessageBox::Question ? QMessageBox::Yes : QMessageBox::Ok;
        });
        w()->N10Click();
        m_prompts = std::make_unique<PromptRecorder>(QMessageBox::Yes);
        QCOMPARE(listNames(), QStringList({"赵六", "王五", "张三"}));
        QCOMPARE(m_dir->count("main"), 3);
        QTRY_VERIFY(memo3Lines().last().startsWith(QStringLiteral("当前共有3条记录")));
    }

    void manyRowsGoInOneTransactionWhileTheWindowRepaints()
    {
        start();
        QVERIFY(m_dir->exec({QStringLiteral(
            "with recursive n(i) as (select 1 union all select i + 1 from n where i < 3000) "
            "insert into main (姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间) "
            "select '人' || i, '男', 0, 0, '朋友', ' ', '130', ' ', ' ', ' ', 'no.bmp', '2026年12月01日' from n")}));
        w()->Button1->setText(QStringLiteral("0")); // reload at once, without waiting for the counts to agree
        w()->Timer5Timer();
        QCOMPARE(w()->ListView1->count(), 3000);
        // Every other row: the list loses them in ranges, not one removal each.
        QItemSelection everyOther;
        const RecordModel* model = w()->ListView1->model();
        for (int row = 0; row < 3000; row += 2)
            everyOther.select(model->index(row, 0), model->index(row, RecordModel::ColumnCount - 1));
        w()->ListView1->selectionModel()->select(everyOther, QItemSelectionModel::ClearAndSelect);
        DeleteProgress::setDelay(0);
        const auto restore = qScopeGuard([] { DeleteProgress::setDelay(300); });
        // Seen from another connection while the progress shows: nothing is deleted until the whole deletion is.
        int seenDuring = -1;
        bool progressShown = false;
        QTimer::singleShot(0, w(), [&] {
            const QWidget* progress = w()->findChild<QWidget*>(QStringLiteral("DeleteProgress"));
            progressShown = progress && progress->isVisible();
            seenDuring = m_dir->count("main");
        });
        w()->N10Click();
        QCOMPARE(m_prompts->last().text, QStringLiteral("是否要删除这1500个记录？"));
        QVERIFY(progressShown);
        QCOMPARE(seenDuring, 3000);
        QCOMPARE(m_dir->count("main"), 1500);
        QCOMPARE(w()->ListView1->count(), 1500);
        QCOMPARE(w()->ListView1->model()->caption(0), QStringLiteral("人2999"));
        QVERIFY(!w()->findChild<QWidget*>(QStringLiteral("DeleteProgress")));
    }

    void missingSelectionSelectsTheFirstRow()
    {
        start({"张三", "李四"});
        w()->N7Click();
        QCOMPARE(promptTexts(), QStringList({"请先选择一个记录!"}));
        QCOMPARE(w()->ListView1->selectedRows(), QList<int>({0}));
        QCOMPARE(w()->Label3->text(), QStringLiteral("李四"));

        w()->ListView1->clearSelection();
        m_prompts->clear();
        w()->N10Click();
        QCOMPARE(promptTexts(), QStringList({"请先选择记录!"}));
        QCOMPARE(w()->ListView1->selectedRows(), QList<int>({0}));
        QCOMPARE(m_dir->count("main"), 2);

        // Two rows selected: modify opens nothing and says nothing.
        selectNames({"张三", "李四"});
        m_prompts->clear();
        QCOMPARE(closeModalOpenedBy([] { w()->N7Click(); }), QString());
        QCOMPARE(m_prompts->count(), 0);
    }

    void mainMenuKeysWinOverTheTextFields()
    {
        start();
        focusNotesPad();
        QApplication::clipboard()->setText(QStringLiteral("clipboard"));
        w()->Memo1->setPlainText(QStringLiteral("notes"));
        w()->Memo1->selectAll();

        QTest::keyClick(w()->Memo1, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(promptTexts(), QStringList({"数据表中没有记录，不能统计！"}));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("clipboard"));

        const QString opened = closeModalOpenedBy([] { QTest::keyClick(w()->Memo1, Qt::Key_A, Qt::ControlModifier); });
        QCOMPARE(opened, forms::add->objectName().isEmpty() ? QStringLiteral("Tadd") : forms::add->objectName());

        // Cut still belongs to the text field.
        focusNotesPad();
        w()->Memo1->selectAll();
        QTest::keyClick(w()->Memo1, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(w()->Memo1->toPlainText(), QString());
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("notes"));
    }

    void listKeysAreNotAmbiguousWithThePopupMenu()
    {
        start({"张三"});
        QTableView* table = w()->ListView1->table();
        focus(table);
        selectNames({"张三"});
        m_prompts->setAnswer(QMessageBox::No);
        QTest::keyClick(table, Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(promptTexts(), QStringList({"是否要删除张三？"}));
        const QString opened = closeModalOpenedBy([table] { QTest::keyClick(table, Qt::Key_A, Qt::ControlModifier); });
        QVERIFY(!opened.isEmpty());
    }

    // With an X11 keyboard's texts: Home and End go to the first and last row in every view; Delete deletes.
    void homeEndAndDeleteInTheList()
    {
        start({"张三", "李四", "王五"});
        using Style = RecordListView::ViewStyle;
        for (const Style style : {Style::Report, Style::List, Style::LargeIcon, Style::SmallIcon}) {
            w()->ListView1->setViewStyle(style);
            focus(w()->ListView1->currentView());
            pressRealKey(w()->ListView1->currentView(), Qt::Key_End);
            QCOMPARE(w()->ListView1->selectedRows(), QList<int>({2}));
            pressRealKey(w()->ListView1->currentView(), Qt::Key_Home);
            QCOMPARE(w()->ListView1->selectedRows(), QList<int>({0}));
        }
        pressRealKey(w()->ListView1->currentView(), Qt::Key_Delete);
        QCOMPARE(promptTexts(), QStringList({"是否要删除王五？"}));
        QCOMPARE(m_dir->count("main"), 2);
    }

    void editCommandsActOnTheFocusedField()
    {
        start({"张三"});
        QList<QAction*> edits = {w()->EditCopy1,   w()->EditCut1,       w()->EditPaste1,
                                 w()->EditDelete1, w()->EditSelectAll1, w()->EditUndo1};
        focus(w()->ListView1->table());
        QTRY_VERIFY(std::none_of(edits.begin(), edits.end(), [](QAction* a) { return a->isEnabled(); }));

        focusNotesPad();
        w()->Memo1->clear();
        QTest::keyClicks(w()->Memo1, "hello");
        QVERIFY(w()->EditSelectAll1->isEnabled());
        QVERIFY(!w()->EditCopy1->isEnabled());
        QVERIFY(w()->EditUndo1->isEnabled());

        w()->ToolButton10->click(); // 全选
        QVERIFY(w()->EditCopy1->isEnabled() && w()->EditCut1->isEnabled() && w()->EditDelete1->isEnabled());
        w()->ToolButton6->click(); // 复制
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("hello"));
        w()->ToolButton9->click(); // 删除
        QCOMPARE(w()->Memo1->toPlainText(), QString());
        w()->ToolButton11->click(); // 撤销
        QCOMPARE(w()->Memo1->toPlainText(), QStringLiteral("hello"));
        QVERIFY(w()->EditPaste1->isEnabled());
        w()->ToolButton8->click(); // 粘贴 over the selection left by the undo, or at the cursor
        QVERIFY(w()->Memo1->toPlainText().contains(QStringLiteral("hello")));
    }

    void droppedRowsRunTheirCommand()
    {
        start({"张三", "李四", "王五"});
        selectNames({"张三", "李四"});
        m_prompts->setAnswer(QMessageBox::No);
        QCOMPARE(closeModalOpenedBy([] { w()->ToolButton4DragDrop(); }), QString());
        QCOMPARE(m_prompts->count(), 0);
        w()->ToolButton2DragDrop();
        QCOMPARE(promptTexts(), QStringList({"是否要删除这2个记录？"}));

        // Only rows dragged out of this list are taken: data from elsewhere is refused.
        for (QToolButton* target : {w()->ToolButton2, w()->ToolButton4}) {
            QVERIFY(target->acceptDrops());
            QMimeData rows;
            rows.setData(RecordListView::dragMimeType(), "2");
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &rows, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &enter);
            QVERIFY(!enter.isAccepted());
        }
    }

    void everyDragFromTheListEndsWithASummary()
    {
        start({"张三", "李四"});
        selectNames({"张三"});
        QCOMPARE(w()->Label3->text(), QStringLiteral("张三"));
        // Esc cancels the drag where the platform runs one; the headless platform ends it at once, undropped.
        QTimer::singleShot(50, qApp, [] { QTest::keyClick(w()->ListView1->table(), Qt::Key_Escape); });
        QSignalSpy ended(w()->ListView1, &RecordListView::dragEnded);
        w()->ListView1->startRowDrag();
        QTRY_COMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().value<Qt::DropAction>(), Qt::IgnoreAction);
        QTRY_COMPARE(w()->Label3->text(), QStringLiteral("Tarsiwen"));
        QCOMPARE(memo3Lines().last(), QStringLiteral("当前共有2条记录，按录入的先后排列顺序。"));
        QCOMPARE(m_prompts->count(), 0);
        QCOMPARE(listNames().size(), 2);
    }

    void detailsOfTheSelectedRecord()
    {
        QVERIFY(m_dir->addContact(QStringLiteral("空白"), QStringLiteral("男"), 0, 0, QStringLiteral(" ")));
        start({"王五", "<b>粗</b>"});

        selectNames({"王五"});
        QCOMPARE(w()->Label3->text(), QStringLiteral("王五"));
        QCOMPARE(w()->Label4->text(), QStringLiteral("基本信息"));
        QCOMPARE(memo3Lines(),
                 QStringList({"联系方式：", "", "手机：", "13012345678", "", "登记时间：", "2026年12月01日"}));

        // A click on a second row: its details remain, not those of the row that lost the selection.
        QTableView* table = w()->ListView1->table();
        const QRect blank = table->visualRect(w()->ListView1->model()->index(int(listNames().indexOf("空白")), 0));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, blank.center());
        QCOMPARE(w()->Label3->text(), QStringLiteral("空白"));
        QCOMPARE(memo3Lines(), QStringList({"联系方式：", "", "登记时间：", "2026年12月01日"}));

        // A name that is markup stays text.
        selectNames({"<b>粗</b>"});
        QCOMPARE(w()->Label3->text(), QStringLiteral("<b>粗</b>"));
        QCOMPARE(w()->Label3->textFormat(), Qt::PlainText);

        // A row whose record has gone from the table: empty fields.
        QVERIFY(m_dir->exec({QStringLiteral("delete from main where 姓名='王五'")}));
        selectNames({"王五"});
        QCOMPARE(memo3Lines(), QStringList({"联系方式：", "", "登记时间：", ""}));
    }

    void rangeSelectionShowsOneRecord()
    {
        QVERIFY(m_dir->exec({QStringLiteral(
            "with recursive n(i) as (select 1 union all select i+1 from n where i<400) "
            "insert into main (姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间) "
            "select '人'||i,'男',0,0,' ',' ','1380000'||i,' ',' ',' ','no.bmp','2026年12月01日' from n")}));
        start();
        QTableView* table = w()->ListView1->table();
        const RecordModel* model = w()->ListView1->model();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                          table->visualRect(model->index(0, 0)).center());
        table->scrollTo(model->index(300, 0));
        QSignalSpy shown(w()->Memo3, &QPlainTextEdit::textChanged);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          table->visualRect(model->index(300, 0)).center());
        QCOMPARE(w()->ListView1->selectedCount(), 301);
        QCOMPARE(w()->Label3->text(), model->caption(300));
        QVERIFY2(shown.count() <= 2, qPrintable(QString::number(shown.count())));
    }

    void backupAndAreaCodeChecks()
    {
        start({"张三"});
        QVERIFY(QFile::remove(m_dir->file("qh.mdb")));
        w()->Q1Click();
        w()->Edit1->setText(QStringLiteral("王五"));
        w()->N27Click();
        w()->Edit1->clear();
        w()->N27Click();
        QCOMPARE(promptTexts(),
                 QStringList({"找不到数据文件qh.mdb\n请重新安装！",
                              "用户模式下不支持数据备份与恢复\n如果你要使用此功能请先删除用户进入开放模式",
                              "找不到子程序文件data.exe\n请重新安装！"}));
        QVERIFY(w()->isVisible());

        // With the tool present it starts and this program ends, its notes saved first.
        QVERIFY(m_dir->write("data", "#!/bin/sh\n"));
        w()->Memo1->setPlainText(QStringLiteral("留言"));
        w()->N27Click();
        QCOMPARE(m_shell, QStringList({"start:" + m_dir->file("data")}));
        QVERIFY(!w()->isVisible());
        QCOMPARE(m_dir->read("zzz"), QByteArray("\xc1\xf4\xd1\xd4"));
    }

    void customColourIsStoredAndAFailedWriteChangesNothing()
    {
        start({"张三"});
        auto stored = [this](const char* key) {
            return store::Ini::read(m_dir->file("set.ini"), QStringLiteral("list"), QString::fromLatin1(key));
        };
        platform::Pickers::setColorAnswer([] { return QColor(255, 0, 0); });
        w()->N26Click();
        QCOMPARE(QStringList({stored("color"), stored("cr"), stored("cg"), stored("cb")}),
                 QStringList({"3", "255", "0", "0"}));

        QVERIFY(QFile::remove(m_dir->file("set.ini")));
        QVERIFY(QDir(m_dir->path()).mkdir("set.ini"));
        w()->Y1Click();
        // A Chinese sentence on what failed and what to do leads the technical text.
        QCOMPARE(m_prompts->last().text,
                 QStringLiteral("无法写入文件 set.ini，请检查磁盘空间和文件权限。\nUnable to write to set.ini"));
        QCOMPARE(w()->ListView1->background(), QColor(255, 0, 0));
    }

    void hintsGoToTheStatusBar()
    {
        start({"张三"});
        QStatusBar* bar = w()->StatusBar1;
        auto enter = [](QWidget* target) {
            QEnterEvent event(QPointF(2, 2), QPointF(2, 2), target->mapToGlobal(QPointF(2, 2)));
            QApplication::sendEvent(target, &event);
        };
        auto leave = [](QWidget* target) {
            QEvent event(QEvent::Leave);
            QApplication::sendEvent(target, &event);
        };

        enter(w()->ToolButton2);
        QCOMPARE(bar->currentMessage(), QStringLiteral("删除一条或多条被选中的记录！[快捷键Ctrl+D]"));
        QVERIFY(!w()->StatusPanel1->isVisible());
        leave(w()->ToolButton2);
        QCOMPARE(bar->currentMessage(), QString());
        QVERIFY(w()->StatusPanel1->isVisible() && w()->StatusPanel2->isVisible());

        // Leaving a hinted button for an enclosing control with a hint of its own shows that hint.
        w()->ToolBar1->setStatusTip(QStringLiteral("工具栏"));
        enter(w()->ToolButton14);
        leave(w()->ToolButton14);
        QCOMPARE(bar->currentMessage(), QStringLiteral("工具栏"));

        // A menu title: 记录 tells what its commands are for; a title without a hint brings the panels back.
        const QList<QAction*> titles = w()->menuBar()->actions();
        Q_EMIT w()->menuBar()->hovered(titles.at(0));
        QCOMPARE(bar->currentMessage(), QStringLiteral("电话号码记录的增加、删除、查询、修改！"));
        Q_EMIT w()->menuBar()->hovered(titles.at(1));
        QVERIFY(w()->StatusPanel1->isVisible());
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
