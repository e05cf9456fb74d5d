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

#include <QDir>
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
        QCOMPARE(prompts.last().text, QStringLiteral("Unable to write to set.ini"));
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
