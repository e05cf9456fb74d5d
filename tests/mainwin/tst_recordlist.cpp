// The record list of the main window: first fill, summary texts, full reload and its wait, sort toggle,
// stripes and the notes pad, against a real program directory.
#include "hub/NameOrder.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/Summary.h"
#include "mainwin/Tmain.h"
#include "platform/Clock.h"
#include "platform/ProgramDir.h"
#include "store/Codepage.h"
#include "store/Connection.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <numeric>

class TestRecordList : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;
    std::unique_ptr<Tmain> m_main;

    // The main window after the start-up's first fill over a connection of its own.
    void open()
    {
        platform::ProgramDir::set(m_dir->path());
        m_main = std::make_unique<Tmain>();
        store::Connection connection(QStringLiteral("test.acper"), QStringLiteral("call.mdb"));
        QString error;
        QVERIFY2(m_main->FirstFill(connection, &error), qPrintable(error));
    }

    QString lastSummaryLine() const
    {
        const QStringList lines = m_main->Memo3->toPlainText().split(QLatin1Char('\n'));
        return lines.last();
    }

    QStringList captions() const
    {
        QStringList names;
        for (int i = 0; i < m_main->ListView1->count(); ++i)
            names.append(m_main->ListView1->model()->caption(i));
        return names;
    }

    void addContacts(const QStringList& names, const QString& sex = QStringLiteral("男"))
    {
        for (const QString& n : names)
            QVERIFY(m_dir->addContact(n, sex));
    }

private Q_SLOTS:
    void init()
    {
        platform::Clock::setNow(QDateTime(QDate(2026, 12, 9), QTime(9, 0)));
        m_dir = std::make_unique<TestProgramDir>();
        QVERIFY(m_dir->isValid());
    }

    void cleanup()
    {
        m_main.reset();
        m_dir.reset();
        platform::Clock::reset();
    }

    void firstFillListsNewestFirstWithoutBreakdown()
    {
        addContacts({QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("张'三 二")});
        open();
        QCOMPARE(captions(), (QStringList{QStringLiteral("张'三 二"), QStringLiteral("李四"), QStringLiteral("张三")}));
        QCOMPARE(m_main->ListView1->model()->row(0).cells[3], QStringLiteral("13012345678"));
        QCOMPARE(m_main->ListView1->model()->row(0).cells[2], QStringLiteral(" "));
        const QStringList lines = m_main->Memo3->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0), Summary::introLine());
        QCOMPARE(lines.at(1), QString());
        QCOMPARE(lines.at(2), QStringLiteral("当前共有3条记录，按录入的先后排列顺序。"));
        QCOMPARE(m_main->sex->text(), QStringLiteral("0"));
    }

    void emptyTable()
    {
        open();
        QCOMPARE(m_main->ListView1->count(), 0);
        QCOMPARE(lastSummaryLine(), QStringLiteral("当前共有0条记录，按录入的先后排列顺序。"));
        m_main->Timer5Timer();
        m_main->Timer7Timer();
        QCOMPARE(lastSummaryLine(), QStringLiteral("当前共有0条记录（其中男0人，女0人），按录入的先后排列顺序。"));
    }

    void summaryBreakdownAfterReloadOnly()
    {
        for (int i = 0; i < 5; ++i)
            QVERIFY(m_dir->addContact(QStringLiteral("男%1").arg(i), QStringLiteral("男")));
        for (int i = 0; i < 6; ++i)
            QVERIFY(m_dir->addContact(QStringLiteral("女%1").arg(i), QStringLiteral("女")));
        QVERIFY(m_dir->addContact(QStringLiteral("某人"), QStringLiteral(" ")));
        open();
        m_main->N18Click();
        QTRY_COMPARE(lastSummaryLine(),
                     QStringLiteral("当前共有12条记录（其中男5人，女6人，未指定性别1人），按录入的先后排列顺序。"));
        QCOMPARE(m_main->Button1->text(), QStringLiteral("1"));
        QCOMPARE(m_main->sex->text(), QStringLiteral("0"));

        // A row added afterwards (as the add window does): the next summary has no breakdown.
        RecordRow row;
        row.cells = {QStringLiteral("新人"), QStringLiteral("朋友"), QStringLiteral(" "), QStringLiteral("1"),
                     QStringLiteral(" "), QStringLiteral(" ")};
        QCOMPARE(m_main->ListView1->model()->appendRow(row), 12);
        m_main->RequestSummary();
        m_main->RequestSummary();
        QVERIFY(m_main->Timer7->isActive());
        QTRY_COMPARE(lastSummaryLine(), QStringLiteral("当前共有13条记录，按录入的先后排列顺序。"));
    }

    void breakdownWithoutUnspecifiedPart()
    {
        addContacts({QStringLiteral("甲"), QStringLiteral("乙")}, QStringLiteral("男"));
        addContacts({QStringLiteral("丙")}, QStringLiteral("女"));
        open();
        m_main->Timer5Timer();
        m_main->Timer7Timer();
        QCOMPARE(lastSummaryLine(), QStringLiteral("当前共有3条记录（其中男2人，女1人），按录入的先后排列顺序。"));
        QCOMPARE(m_main->Label3->text(), QStringLiteral("Tarsiwen"));
        QCOMPARE(m_main->Label4->text(), QStringLiteral("免费软件"));
    }

    // The list's name order is the Chinese locale's collation, stable for equal names, whether the model sorts in
    // place or in the background, and for rows read from the book and rows put in by windows alike.
    void nameOrderIsTheLocaleCollation()
    {
        QStringList names = {QStringLiteral("张三"),
                             QStringLiteral("阿明"),
                             QString(),
                             QStringLiteral("Zoe"),
                             QStringLiteral("zoe"),
                             QStringLiteral("张三"),
                             QStringLiteral("12"),
                             QStringLiteral("2"),
                             QStringLiteral("李四李四李四李四李四"),
                             QStringLiteral("李四李四李四李四李"),
                             QStringLiteral("\U0001F600"),
                             QStringLiteral("Émile"),
                             QStringLiteral("emile"),
                             QStringLiteral(" "),
                             QStringLiteral("曾国藩"),
                             QStringLiteral("长")};
        QCollator collator{QLocale(QLocale::Chinese, QLocale::China)};
        std::vector<int> expected(size_t(names.size()));
        std::iota(expected.begin(), expected.end(), 0);
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            return collator.sortKey(names[a]).compare(collator.sortKey(names[b])) < 0;
        });
        std::vector<QByteArray> utf8;
        for (const QString& n : names)
            utf8.push_back(n.toUtf8());
        const std::vector<quint32> order =
            NameOrder().sorted(quint32(names.size()), [&](quint32 i) { return QByteArrayView(utf8[i]); });
        QCOMPARE(std::vector<int>(order.begin(), order.end()), expected);

        for (const int backgroundFrom : {1000000, 1}) {
            RecordModel model;
            model.setBackgroundSortFrom(backgroundFrom);
            std::vector<RecordRow> rows(size_t(names.size() - 1));
            for (size_t i = 0; i < rows.size(); ++i)
                rows[i].cells[0] = names[qsizetype(i)];
            model.setRows(std::move(rows));
            RecordRow last;
            last.cells[0] = names.last();
            model.appendRow(last);
            model.setSortByName(true);
            QStringList sorted;
            for (int i = 0; i < model.count(); ++i)
                sorted.append(model.caption(i));
            QStringList want;
            for (const int i : expected)
                want.append(names[i]);
            QCOMPARE(sorted, want);
        }
    }

    void sortToggleInPinyinOrder()
    {
        addContacts({QStringLiteral("张三"), QStringLiteral("阿明"), QStringLiteral("王五"), QStringLiteral("李四")});
        open();
        const QStringList entryOrder = captions();
        m_main->ListView1->selectRow(0); // 李四, the newest
        m_main->ListView1ColumnClick(2);
        QCOMPARE(captions(), (QStringList{QStringLiteral("阿明"), QStringLiteral("李四"), QStringLiteral("王五"),
                                          QStringLiteral("张三")}));
        // The selection follows its row.
        QCOMPARE(m_main->ListView1->selectedRows(), QList<int>{1});
        QTRY_COMPARE(lastSummaryLine(), QStringLiteral("当前共有4条记录，按姓氏拼音排列顺序。"));

        // While sorted, a row added later goes straight to its place.
        RecordRow row;
        row.cells[0] = QStringLiteral("刘六");
        QCOMPARE(m_main->ListView1->model()->appendRow(row), 2);

        // Sorting off leaves the rows where they are until the next reload.
        m_main->ListView1ColumnClick(0);
        QTRY_COMPARE(lastSummaryLine(), QStringLiteral("当前共有5条记录，按录入的先后排列顺序。"));
        QCOMPARE(captions().first(), QStringLiteral("阿明"));
        QVERIFY(m_dir->addContact(QStringLiteral("刘六")));
        m_main->Timer5Timer();
        QCOMPARE(captions(), QStringList{QStringLiteral("刘六")} + entryOrder);

        // Sorted again and reloaded: newest first from the table, ending sorted by name.
        m_main->ListView1ColumnClick(0);
        m_main->Timer5Timer();
        QCOMPARE(captions().first(), QStringLiteral("阿明"));
        QCOMPARE(captions().last(), QStringLiteral("张三"));
    }

    void waitEndsWhenCountsAgree()
    {
        addContacts({QStringLiteral("张三"), QStringLiteral("李四")});
        open();
        QVERIFY(m_dir->addContact(QStringLiteral("王五")));
        m_main->N18Click();
        QTRY_VERIFY(m_main->Timer6->isActive());
        QVERIFY(m_main->Panel4->isVisibleTo(m_main.get()));
        QCOMPARE(m_main->ListView1->count(), 2);
        // The add window appends its row to the list: the counts now agree and the wait reloads.
        RecordRow row;
        row.cells[0] = QStringLiteral("王五");
        m_main->ListView1->model()->appendRow(row);
        QTRY_VERIFY(!m_main->Panel4->isVisibleTo(m_main.get()));
        QVERIFY(!m_main->Timer6->isActive());
        QCOMPARE(captions().first(), QStringLiteral("王五"));
        QCOMPARE(m_main->Button1->text(), QStringLiteral("1"));
    }

    void waitRunsOutAfterThirtyTicks()
    {
        addContacts({QStringLiteral("张三"), QStringLiteral("李四")});
        open();
        QVERIFY(m_dir->addContact(QStringLiteral("王五")));
        m_main->Timer6->setInterval(1); // the ticks, not their 200 ms spacing, are under test
        QSignalSpy ticks(m_main->Timer6, &QTimer::timeout);
        QStringList stages;
        connect(m_main->Timer6, &QTimer::timeout, this, [&] {
            const QString t = m_main->Panel5->text();
            if (!t.isEmpty() && !stages.contains(t))
                stages.append(t);
        });
        m_main->Timer5Timer();
        QVERIFY(m_main->Panel4->isVisibleTo(m_main.get()));
        QTRY_VERIFY_WITH_TIMEOUT(!m_main->Timer6->isActive() && !m_main->Timer5->isActive(), 10000);
        QCOMPARE(ticks.count(), 30);
        QCOMPARE(stages, (QStringList{QStringLiteral("即"), QStringLiteral("即将"), QStringLiteral("即将完"),
                                      QStringLiteral("即将完成")}));
        QVERIFY(!m_main->Panel4->isVisibleTo(m_main.get()));
        QCOMPARE(m_main->ListView1->count(), 3);
    }

    void subsetReloadsAtOnce()
    {
        addContacts({QStringLiteral("张三"), QStringLiteral("李四")});
        open();
        m_main->Button1->setText(QStringLiteral("0")); // the list shows a search result
        QVERIFY(m_dir->addContact(QStringLiteral("王五")));
        m_main->Timer5Timer();
        QVERIFY(!m_main->Timer6->isActive());
        QCOMPARE(m_main->ListView1->count(), 3);
        QCOMPARE(m_main->Button1->text(), QStringLiteral("1"));
    }

    void stripesFollowPosition()
    {
        addContacts({QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三"), QStringLiteral("四"),
                     QStringLiteral("五")});
        open();
        RecordModel* model = m_main->ListView1->model();
        m_main->can->setText(QStringLiteral("0"));
        for (int r = 0; r < 5; ++r) {
            const QVariant bg = model->data(model->index(r, 0), Qt::BackgroundRole);
            QCOMPARE(bg.isValid(), r % 2 == 1);
            if (bg.isValid())
                QCOMPARE(bg.value<QColor>(), QColor(227, 228, 227));
        }
        m_main->can->setText(QStringLiteral("1"));
        QVERIFY(!model->data(model->index(1, 0), Qt::BackgroundRole).isValid());
    }

    void birthdayTextAcrossYearEnd()
    {
        platform::Clock::setNow(QDateTime(QDate(2026, 12, 30), QTime(8, 0)));
        QVERIFY(m_dir->addContact(QStringLiteral("甲"), QStringLiteral("男"), 12, 30));
        QVERIFY(m_dir->addContact(QStringLiteral("乙"), QStringLiteral("男"), 1, 2));
        QVERIFY(m_dir->addContact(QStringLiteral("丙"), QStringLiteral("男"), 1, 3));
        QVERIFY(m_dir->addContact(QStringLiteral("丁"), QStringLiteral("男"), 0, 0));
        QVERIFY(m_dir->addContact(QStringLiteral("戊"), QStringLiteral("男"), 2, 30));
        open();
        QCOMPARE(m_main->Memo4->toPlainText(), QStringLiteral("1、乙（01月02日）\n2、甲（12月30日）"));
        QCOMPARE(m_main->Memo4->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    }

    void notesPadRoundTrip()
    {
        QVERIFY(m_dir->write(QStringLiteral("zzz"), QByteArray("first\nsecond\rthird")));
        open();
        QCOMPARE(m_main->Memo1->toPlainText(), QStringLiteral("first\nsecond\nthird"));
        QTRY_COMPARE(m_dir->read(QStringLiteral("zzz")), QByteArray("first\r\nsecond\r\nthird"));

        // A change right before the close is written by the close.
        m_main->Memo1->appendPlainText(QStringLiteral("便签"));
        m_main->close();
        QCOMPARE(m_dir->read(QStringLiteral("zzz")), QByteArray("first\r\nsecond\r\nthird\r\n") + QByteArray("\xB1\xE3\xC7\xA9"));
    }

    void emptyNotesFileIsNotRewritten()
    {
        const QDateTime before = QFileInfo(m_dir->file(QStringLiteral("zzz"))).lastModified();
        open();
        QTest::qWait(700);
        QVERIFY(!m_main->Timer1->isActive());
        QCOMPARE(QFileInfo(m_dir->file(QStringLiteral("zzz"))).lastModified(), before);
    }

    void failingNotesSaveIsReportedOnceAndKept()
    {
        open();
        PromptRecorder prompts;
        // A folder in place of the file makes every save fail, also as root.
        QVERIFY(QFile::remove(m_dir->file(QStringLiteral("zzz"))));
        QVERIFY(QDir().mkdir(m_dir->file(QStringLiteral("zzz"))));
        m_main->Memo1->setPlainText(QStringLiteral("一"));
        QTRY_COMPARE(prompts.count(), 1);
        QTRY_VERIFY(!m_main->Timer1->isActive());
        m_main->Memo1->appendPlainText(QStringLiteral("二"));
        QTest::qWait(700);
        QCOMPARE(prompts.count(), 1);
        QCOMPARE(m_main->Memo1->toPlainText(), QStringLiteral("一\n二"));
        // Once the file can be written again, the next change saves everything.
        QVERIFY(QDir().rmdir(m_dir->file(QStringLiteral("zzz"))));
        m_main->Memo1->appendPlainText(QStringLiteral("三"));
        QTRY_COMPARE(m_dir->read(QStringLiteral("zzz")).size(), 10);
    }

    void rowsAreRemovedByName_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("pattern"); // which rows go: "run" a few blocks, "every other"
        QTest::newRow("a few runs") << 20 << "run";
        QTest::newRow("every other row of many") << 200 << "every other";
    }

    void rowsAreRemovedByName()
    {
        QFETCH(int, rows);
        QFETCH(QString, pattern);
        RecordModel model;
        std::vector<RecordRow> all;
        QSet<QString> gone;
        QStringList kept;
        for (int i = 0; i < rows; ++i) {
            const QString name = QStringLiteral("人%1").arg(i);
            all.push_back(RecordRow{{name, " ", " ", " ", " ", " "}});
            const bool goes = pattern == "run" ? (i % 7 < 3) : (i % 2 == 0);
            if (goes)
                gone.insert(name);
            else
                kept.append(name);
        }
        model.setRows(std::move(all));
        gone.insert(QStringLiteral("不在表中"));
        QCOMPARE(model.removeRowsNamed(gone), rows - int(kept.size()));
        QStringList left;
        for (int i = 0; i < model.count(); ++i)
            left.append(model.caption(i));
        QCOMPARE(left, kept);
    }

    void notesChangedOnDiskAreNotOverwrittenUnasked_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("file"); // zzz afterwards
        QTest::addColumn<QString>("pad");
        QTest::newRow("overwrite") << int(QMessageBox::Yes) << QByteArray("mine") << "mine";
        QTest::newRow("take theirs") << int(QMessageBox::No) << QByteArray("theirs") << "theirs";
        QTest::newRow("keep both for now") << int(QMessageBox::Cancel) << QByteArray("theirs") << "mine";
    }

    void notesChangedOnDiskAreNotOverwrittenUnasked()
    {
        QFETCH(int, answer);
        QFETCH(QByteArray, file);
        QFETCH(QString, pad);
        open();
        PromptRecorder prompts{QMessageBox::StandardButton(answer)};
        // A second running copy saves its notes meanwhile.
        QVERIFY(m_dir->write(QStringLiteral("zzz"), "theirs"));
        m_main->Memo1->setPlainText(QStringLiteral("mine"));
        QTRY_COMPARE(prompts.count(), 1);
        QCOMPARE(prompts.last().icon, QMessageBox::Question);
        QTRY_VERIFY(!m_main->Timer1->isActive());
        QCOMPARE(m_dir->read(QStringLiteral("zzz")), file);
        QCOMPARE(m_main->Memo1->toPlainText(), pad);
        // Once decided, the next change saves without asking; kept both, the pad stays unsaved without a question
        // at every pause, until the close asks again.
        m_main->Memo1->appendPlainText(QStringLiteral("!"));
        QTest::qWait(700);
        QCOMPARE(prompts.count(), 1);
        QCOMPARE(m_dir->read(QStringLiteral("zzz")), answer == QMessageBox::Cancel ? file : file + "\r\n!");
    }

    void closeAfterAFailedNotesSaveAsks_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<QByteArray>("file"); // zzz afterwards; null: still the folder
        QTest::newRow("try again") << int(QMessageBox::Retry) << true << QByteArray("\xd2\xbb");
        QTest::newRow("close without them") << int(QMessageBox::Discard) << true << QByteArray();
        QTest::newRow("stay") << int(QMessageBox::Cancel) << false << QByteArray();
    }

    void closeAfterAFailedNotesSaveAsks()
    {
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(QByteArray, file);
        open();
        m_main->show();
        PromptRecorder prompts{QMessageBox::StandardButton(answer)};
        // A full disk, or a folder in place of the file: every save fails.
        QVERIFY(QFile::remove(m_dir->file(QStringLiteral("zzz"))));
        QVERIFY(QDir().mkdir(m_dir->file(QStringLiteral("zzz"))));
        m_main->Memo1->setPlainText(QStringLiteral("一"));
        QTRY_COMPARE(prompts.count(), 1);
        if (answer == QMessageBox::Retry)
            QVERIFY(QDir().rmdir(m_dir->file(QStringLiteral("zzz"))));
        QCOMPARE(m_main->close(), closes);
        // Saved at the close after all, or asked what to do.
        QCOMPARE(prompts.count(), answer == QMessageBox::Retry ? 1 : 2);
        QCOMPARE(m_main->isVisible(), !closes);
        if (!file.isNull())
            QCOMPARE(m_dir->read(QStringLiteral("zzz")), file);
        else
            QVERIFY(QFileInfo(m_dir->file(QStringLiteral("zzz"))).isDir());
    }

    void notesInAnotherEncodingAreNotRewrittenAtStart()
    {
        // UTF-8 from a Linux editor reads as what it says, and stays as it is until the user changes the notes.
        const QByteArray utf8("\xe4\xbe\xbf\xe7\xad\xbe\n\xe2\x82\xac");
        QVERIFY(m_dir->write(QStringLiteral("zzz"), utf8));
        QVERIFY(m_dir->write(QStringLiteral("zzz.bak"), "older"));
        open();
        QCOMPARE(m_main->Memo1->toPlainText(), QStringLiteral("便签\n€"));
        QTest::qWait(700);
        QCOMPARE(m_dir->read(QStringLiteral("zzz")), utf8);
        PromptRecorder prompts;
        m_main->Memo1->appendPlainText(QStringLiteral("二"));
        QTRY_COMPARE(m_dir->read(QStringLiteral("zzz")), store::Codepage::encode(QStringLiteral("便签\r\n€\r\n二")));
        // The UTF-8 original is kept under the first free name, once, and the user is told where.
        QCOMPARE(m_dir->read(QStringLiteral("zzz.bak2")), utf8);
        QCOMPARE(m_dir->read(QStringLiteral("zzz.bak")), QByteArray("older"));
        QCOMPARE(prompts.count(), 1);
        QVERIFY(prompts.last().text.contains(QStringLiteral("zzz.bak2")));
        m_main->Memo1->appendPlainText(QStringLiteral("三"));
        QTRY_COMPARE(m_dir->read(QStringLiteral("zzz")),
                     store::Codepage::encode(QStringLiteral("便签\r\n€\r\n二\r\n三")));
        QCOMPARE(prompts.count(), 1);
    }
};

QTEST_MAIN(TestRecordList)
#include "tst_recordlist.moc"
