// The main window's rules that need no window: the summary's count line and the birthday window.
#include "mainwin/BirthdayWindow.h"
#include "mainwin/Summary.h"

#include <QPoint>
#include <QTest>

class TestSummaryRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countLine_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("breakdown"); // men, women, unspecified; empty for none
        QTest::addColumn<bool>("byName");
        QTest::addColumn<QString>("line");
        QTest::newRow("no breakdown") << 3 << QStringList() << false
                                      << QStringLiteral("当前共有3条记录，按录入的先后排列顺序。");
        QTest::newRow("sorted by name") << 0 << QStringList() << true
                                        << QStringLiteral("当前共有0条记录，按姓氏拼音排列顺序。");
        QTest::newRow("with unspecified")
            << 12 << QStringList{"5", "6", "1"} << false
            << QStringLiteral("当前共有12条记录（其中男5人，女6人，未指定性别1人），按录入的先后排列顺序。");
        QTest::newRow("none unspecified, blanks around the counts")
            << 3 << QStringList{" 2", "1 ", " 0 "} << true
            << QStringLiteral("当前共有3条记录（其中男2人，女1人），按姓氏拼音排列顺序。");
    }
    void countLine()
    {
        QFETCH(int, count);
        QFETCH(QStringList, breakdown);
        QFETCH(bool, byName);
        QFETCH(QString, line);
        const Summary::Breakdown counts{breakdown.value(0), breakdown.value(1), breakdown.value(2)};
        QCOMPARE(Summary::countLine(count, breakdown.isEmpty() ? nullptr : &counts, byName), line);
    }

    void birthdayWindow_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QList<QPoint>>("birthdays"); // (month, day), newest record first, named a, b, c …
        QTest::addColumn<QString>("text");
        QTest::newRow("year end") << QDate(2026, 12, 30)
                                  << QList<QPoint>{{1, 2}, {1, 1}, {12, 31}, {12, 30}, {1, 3}, {12, 29}}
                                  << QStringLiteral(
                                         "1、a（01月02日）\n2、b（01月01日）\n3、c（12月31日）\n4、d（12月30日）");
        QTest::newRow("february without the 29th")
            << QDate(2026, 2, 27) << QList<QPoint>{{3, 2}, {3, 1}, {2, 29}, {2, 28}, {2, 27}}
            << QStringLiteral("1、a（03月02日）\n2、b（03月01日）\n3、d（02月28日）\n4、e（02月27日）");
        QTest::newRow("none, zero and impossible dates")
            << QDate(2026, 6, 1) << QList<QPoint>{{0, 0}, {6, 0}, {0, 1}, {2, 30}, {13, 1}}
            << QStringLiteral("\n最近三天没有人过生日！");
        QTest::newRow("same birthday") << QDate(2026, 5, 5) << QList<QPoint>{{5, 6}, {5, 6}}
                                       << QStringLiteral("1、a（05月06日）\n2、b（05月06日）");
    }
    void birthdayWindow()
    {
        QFETCH(QDate, today);
        QFETCH(QList<QPoint>, birthdays);
        QFETCH(QString, text);
        BirthdayWindow window(today);
        for (int i = 0; i < birthdays.size(); ++i)
            window.test(QString(QChar(u'a' + i)), birthdays[i].x(), birthdays[i].y());
        QCOMPARE(window.text(), text);
        QCOMPARE(window.count(), text.count(QStringLiteral("、")));
    }
};

QTEST_GUILESS_MAIN(TestSummaryRules)
#include "tst_summaryrules.moc"
