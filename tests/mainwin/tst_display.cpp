// Display settings, the birthday reminder and the status bar of the real main window, started in open mode.
#include "app/Program.h"
#include "mainwin/Forms.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/Tmain.h"
#include "platform/Clock.h"
#include "platform/Pickers.h"
#include "store/Ini.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"
#include "support/Typing.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QListView>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QStyleOptionViewItem>
#include <QTextBlock>
#include <QTextLayout>
#include <QLabel>
#include <QPushButton>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

class TestDisplay : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;

    Tmain* start()
    {
        if (!Program::start(m_dir->path()))
            return nullptr;
        return forms::main;
    }
    QString setting(const char* section, const char* key) const
    {
        return store::Ini::read(m_dir->file(QStringLiteral("set.ini")), QString::fromLatin1(section),
                                QString::fromLatin1(key));
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<TestProgramDir>();
        platform::Clock::setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    }
    void cleanup()
    {
        Program::shutdown();
        platform::Pickers::setColorAnswer({});
        platform::Clock::reset();
        m_dir.reset();
    }

    void fiveMatchesGetAScrollBarAndThePanelSlidesIn()
    {
        for (int i = 0; i < 5; ++i)
            QVERIFY(m_dir->addContact(QStringLiteral("人%1").arg(i), QStringLiteral("男"), 12, 9));
        Tmain* main = start();
        QVERIFY(main);
        QCOMPARE(main->Memo4->toPlainText().count(QLatin1Char('\n')), 4);
        QCOMPARE(main->Memo4->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(main->B1->isChecked()); // the installed set.ini switches the reminder on
        QTRY_VERIFY(main->Panel7->isVisible() && !main->Timer9->isActive());
        QCOMPARE(main->Panel7->x(), (main->frameGeometry().width() - 225) / 2);
        // The handle shows where in the list the box stands: it does not fill the whole groove.
        const QScrollBar* bar = main->Memo4->verticalScrollBar();
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.subControls = QStyle::SC_All;
        option.orientation = Qt::Vertical;
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = option.sliderValue = bar->value();
        option.singleStep = bar->singleStep();
        option.pageStep = bar->pageStep();
        QVERIFY(bar->maximum() > bar->minimum());
        const QRect groove =
            bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, bar);
        const QRect handle =
            bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
        QVERIFY(!handle.isEmpty());
        QVERIFY2(handle.height() < groove.height(),
                 qPrintable(QStringLiteral("%1 of %2").arg(handle.height()).arg(groove.height())));
        QTest::mouseClick(main->BitBtn1, Qt::LeftButton);
        QVERIFY(!main->Panel7->isVisible());
    }

    void reminderOffAtStartThenOn()
    {
        QVERIFY(m_dir->addContact(QStringLiteral("张三"), QStringLiteral("男"), 12, 10));
        QVERIFY(store::Ini::write(m_dir->file(QStringLiteral("set.ini")), QStringLiteral("birth"), QStringLiteral("ok"),
                                  QStringLiteral("0")));
        Tmain* main = start();
        QVERIFY(main);
        QTest::qWait(50);
        QVERIFY(!main->Panel7->isVisible());
        QVERIFY(!main->B1->isChecked());
        main->B1->trigger();
        QVERIFY(main->B1->isChecked());
        QCOMPARE(setting("birth", "ok"), QStringLiteral("1"));
        QTRY_VERIFY(main->Panel7->isVisible());
        QCOMPARE(main->Memo4->toPlainText(), QStringLiteral("1、张三（12月10日）"));
        main->B1->trigger();
        QVERIFY(!main->Panel7->isVisible());
        QCOMPARE(setting("birth", "ok"), QStringLiteral("0"));
    }

    // The button takes the focus when the panel comes; Enter, Space or Esc (with an X11 keyboard's texts) dismiss
    // the reminder, and the focus goes back where it was.
    void reminderClosesByItsKeys()
    {
        QVERIFY(m_dir->addContact(QStringLiteral("张三"), QStringLiteral("男"), 12, 10));
        Tmain* main = start();
        QVERIFY(main);
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Escape}) {
            main->ListView1->currentView()->setFocus();
            main->B1->trigger(); // off
            main->B1->trigger(); // on: the panel slides in again
            QTRY_COMPARE(main->focusWidget(), main->BitBtn1);
            pressRealKey(main->BitBtn1, key);
            QVERIFY(!main->Panel7->isVisible());
            QCOMPARE(main->focusWidget(), main->ListView1->currentView());
        }
    }

    void customColourStoredAndAppliedAtNextStart()
    {
        Tmain* main = start();
        QVERIFY(main);
        platform::Pickers::setColorAnswer([] { return QColor(255, 0, 0); });
        main->N26Click();
        QCOMPARE(main->ListView1->background(), QColor(255, 0, 0));
        QCOMPARE(setting("list", "color") + setting("list", "cr") + setting("list", "cg") + setting("list", "cb"),
                 QStringLiteral("325500"));
        // Cancelling the dialog changes nothing.
        platform::Pickers::setColorAnswer([] { return QColor(); });
        main->N26Click();
        QCOMPARE(main->ListView1->background(), QColor(255, 0, 0));
        Program::shutdown();
        main = start();
        QVERIFY(main);
        QCOMPARE(main->ListView1->background(), QColor(255, 0, 0));
    }

    void failedSettingsWriteIsReported()
    {
        Tmain* main = start();
        QVERIFY(main);
        PromptRecorder prompts;
        // A folder in place of set.ini makes the write fail, also as root.
        QVERIFY(QFile::remove(m_dir->file(QStringLiteral("set.ini"))));
        QVERIFY(QDir().mkdir(m_dir->file(QStringLiteral("set.ini"))));
        const QColor before = main->ListView1->background();
        main->K1Click();
        QCOMPARE(prompts.count(), 1);
        QCOMPARE(prompts.last().text,
                 QStringLiteral("无法写入文件 set.ini，请检查磁盘空间和文件权限。\nUnable to write to set.ini"));
        // The fixed colours write first: the list keeps its colour.
        QCOMPARE(main->ListView1->background(), before);
    }

    void informationPanelAndSlide()
    {
        Tmain* main = start();
        QVERIFY(main);
        // Pressed twice quickly: the second press turns the slide round, and it ends wide again.
        main->SpeedButton1Click();
        QTRY_VERIFY(main->InfoPanelWidth() < 140);
        main->SpeedButton1Click();
        QVERIFY(!(main->Timer3->isActive() && main->Timer4->isActive()));
        QTRY_VERIFY_WITH_TIMEOUT(!main->Timer3->isActive() && !main->Timer4->isActive(), 3000);
        QCOMPARE(main->InfoPanelWidth(), 145);
        QVERIFY(main->SpeedButton1->isVisibleTo(main) && !main->SpeedButton2->isVisibleTo(main));

        main->SpeedButton1Click();
        QTRY_VERIFY_WITH_TIMEOUT(!main->Timer3->isActive(), 3000);
        QCOMPARE(main->InfoPanelWidth(), 21);
        QVERIFY(main->SpeedButton2->isVisibleTo(main) && !main->SpeedButton1->isVisibleTo(main));
        QCOMPARE(main->ListView1->columnWidth(5), 156);

        // Hidden by the menu and shown again, the panel comes back narrow.
        main->N23->trigger();
        QVERIFY(!main->PanelHolder->isVisibleTo(main));
        QCOMPARE(setting("info", "yes"), QStringLiteral("0"));
        QCOMPARE(main->ListView1->columnWidth(0), 70);
        main->N23->trigger();
        QCOMPARE(setting("info", "yes"), QStringLiteral("1"));
        QCOMPARE(main->InfoPanelWidth(), 21);
        QVERIFY(main->SpeedButton2->isVisibleTo(main));
    }

    void gridButtonAndViews()
    {
        Tmain* main = start();
        QVERIFY(main);
        main->SpeedButton4Click();
        QCOMPARE(main->ListView1->viewStyle(), RecordListView::ViewStyle::List);
        main->SpeedButton3Click();
        QCOMPARE(main->ListView1->viewStyle(), RecordListView::ViewStyle::Report);
        QVERIFY(main->ListView1->gridLines());
        main->SpeedButton3Click();
        QVERIFY(!main->ListView1->gridLines());
    }

    void namesOfUpToEightCharactersShowInFull_data()
    {
        using Style = RecordListView::ViewStyle;
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("before"); // the view shown first; Report: none
        QTest::newRow("list") << int(Style::List) << int(Style::Report);
        QTest::newRow("small icons") << int(Style::SmallIcon) << int(Style::Report);
        QTest::newRow("large icons") << int(Style::LargeIcon) << int(Style::Report);
        QTest::newRow("large icons after the list") << int(Style::LargeIcon) << int(Style::List);
        QTest::newRow("large icons after small icons") << int(Style::LargeIcon) << int(Style::SmallIcon);
    }

    void namesOfUpToEightCharactersShowInFull()
    {
        QFETCH(int, style);
        QFETCH(int, before);
        // A one-character name first: the views must not give every item the size of the first one.
        const QStringList names = {"李", "王小二", "欧阳小明", "司马相如先生", "诸葛孔明丞相大人", "WWWWWWWW", "Li Si"};
        const auto makeList = [&names](RecordListView* view, int first, int shown) {
            std::vector<RecordRow> rows;
            for (const QString& name : names)
                rows.push_back(RecordRow{{name, " ", " ", " ", " ", " "}});
            view->model()->setRows(std::move(rows));
            view->model()->setSortByName(true);
            view->resize(430, 300);
            view->show();
            if (first != int(RecordListView::ViewStyle::Report))
                view->setViewStyle(RecordListView::ViewStyle(first));
            view->setViewStyle(RecordListView::ViewStyle(shown));
        };
        RecordListView view;
        makeList(&view, before, style);
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QListView* list = view.list();
        const bool large = style == int(RecordListView::ViewStyle::LargeIcon);
        const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
        for (int row = 0; row < view.count(); ++row) {
            // Where the style draws the name in the item's place, and whether the name fits there unshortened.
            QStyleOptionViewItem option;
            option.initFrom(list);
            option.font = list->font();
            option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
            option.decorationSize = list->iconSize();
            option.decorationPosition = large ? QStyleOptionViewItem::Top : QStyleOptionViewItem::Left;
            option.displayAlignment = large ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter;
            option.rect = list->visualRect(view.model()->index(row, 0));
            option.text = view.model()->caption(row);
            const QRect text = list->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, list);
            QVERIFY2(list->fontMetrics().horizontalAdvance(option.text) <= text.width() - 2 * margin,
                     qPrintable(option.text));
        }
        // The same layout whichever view came before.
        RecordListView fresh;
        makeList(&fresh, int(RecordListView::ViewStyle::Report), style);
        for (int row = 0; row < view.count(); ++row)
            QCOMPARE(list->visualRect(view.model()->index(row, 0)),
                     fresh.list()->visualRect(fresh.model()->index(row, 0)));
    }

    void longReminderLinesWrap()
    {
        QVERIFY(m_dir->addContact(QStringLiteral("李四"), QStringLiteral("男"), 12, 10));
        QVERIFY(m_dir->addContact(QStringLiteral("欧阳娜娜娜娜娜"), QStringLiteral("女"), 12, 9));
        Tmain* main = start();
        QVERIFY(main);
        QTRY_VERIFY(main->Panel7->isVisible() && !main->Timer9->isActive());
        QPlainTextEdit* memo = main->Memo4;
        const QTextBlock first = memo->document()->firstBlock();
        QCOMPARE(first.text(), QStringLiteral("1、欧阳娜娜娜娜娜（12月09日）"));
        // The line wraps inside the box: its closing bracket is not lost at the right edge.
        QVERIFY(first.layout()->lineCount() > 1);
        for (QTextBlock b = first; b.isValid(); b = b.next()) {
            for (int i = 0; i < b.layout()->lineCount(); ++i)
                QVERIFY(b.layout()->lineAt(i).naturalTextWidth() <= memo->viewport()->width());
        }
    }

    void statusBarDateAndAlternateRows()
    {
        for (int i = 0; i < 5; ++i)
            QVERIFY(m_dir->addContact(QStringLiteral("人%1").arg(i)));
        Tmain* main = start();
        QVERIFY(main);
        QTRY_COMPARE(main->StatusPanel2->text(), QStringLiteral("今天是2026年12月09日[星期三]"));
        QCOMPARE(main->can->text(), QStringLiteral("0"));
        main->N29->trigger(); // off: stored, list reloaded without stripes
        QCOMPARE(main->can->text(), QStringLiteral("1"));
        QCOMPARE(setting("list", "line"), QStringLiteral("0"));
        main->N29->trigger();
        QCOMPARE(setting("list", "line"), QStringLiteral("1"));
        auto* model = main->ListView1->model();
        QTRY_VERIFY(!main->Timer5->isActive());
        QCOMPARE(model->data(model->index(1, 0), Qt::BackgroundRole).value<QColor>(), QColor(227, 228, 227));
        QCOMPARE(model->data(model->index(3, 2), Qt::BackgroundRole).value<QColor>(), QColor(227, 228, 227));
        QVERIFY(!model->data(model->index(2, 0), Qt::BackgroundRole).isValid());
    }
};

QTEST_MAIN(TestDisplay)
#include "tst_display.moc"
