// Which rows the single and the compound search find, without the window.
#include "search/Pinyin.h"
#include "search/PinyinCache.h"
#include "search/SearchRules.h"
#include "store/ContactRows.h"

#include <QTest>

namespace {

// The values of one row by column; a row matches when every condition holds.
bool rowMatches(const QList<SearchRules::Condition>& conditions, const QHash<QString, QString>& row)
{
    for (const SearchRules::Condition& c : conditions) {
        if (!SearchRules::matches(c, row.value(c.column)))
            return false;
    }
    return true;
}

} // namespace

class TestSearchRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void single_data()
    {
        QTest::addColumn<int>("button"); // 0 姓名, 1 电话, 2 手机, 3 小灵通
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("found");
        QTest::newRow("outer blanks ignored, inner kept")
            << 0 << QStringLiteral("  张 三 ") << QStringLiteral("张 三") << true;
        QTest::newRow("inner blank must be there")
            << 0 << QStringLiteral("  张 三 ") << QStringLiteral("张三") << false;
        QTest::newRow("quote, percent and underscore are literal")
            << 0 << QStringLiteral("'b%c_") << QStringLiteral("a'b%c_d") << true;
        QTest::newRow("percent is no wildcard") << 0 << QStringLiteral("a%d") << QStringLiteral("a'b%c_d") << false;
        QTest::newRow("names without regard to case") << 0 << QStringLiteral("lily") << QStringLiteral("Lily Wang")
                                                      << true;
        QTest::newRow("same case") << 0 << QStringLiteral("To") << QStringLiteral("Tom") << true;
        QTest::newRow("part of a number") << 2 << QStringLiteral("1234") << QStringLiteral("13012345678") << true;
    }
    void single()
    {
        QFETCH(int, button);
        QFETCH(QString, input);
        QFETCH(QString, value);
        QFETCH(bool, found);
        static const char* const columns[] = {"姓名", "电话", "手机", "小灵通"};
        const QList<SearchRules::Condition> conditions =
            SearchRules::single(button == 1, button == 2, button == 3, input);
        QCOMPARE(conditions.size(), 1);
        QCOMPARE(conditions.first().column, QString::fromUtf8(columns[button]));
        QCOMPARE(SearchRules::matches(conditions.first(), value), found);
    }

    void emptyInputsPlaceNoCondition()
    {
        QVERIFY(SearchRules::single(false, false, false, QStringLiteral("   ")).isEmpty());
        QVERIFY(SearchRules::compound(QStringLiteral(" "), QString(), QStringLiteral("\t"), QString()).isEmpty());
        const QList<SearchRules::Condition> c =
            SearchRules::compound(QString(), QStringLiteral(" 0351 "), QString(), QStringLiteral("太原"));
        QCOMPARE(c.size(), 2);
        QCOMPARE(c[0].column + c[0].text + c[1].column + c[1].text, QStringLiteral("电话0351住址太原"));
    }

    void compoundNeedsEveryCondition()
    {
        const QHash<QString, QString> row{{QStringLiteral("关系"), QStringLiteral("同事")},
                                          {QStringLiteral("电话"), QStringLiteral("0351-1234567")},
                                          {QStringLiteral("手机"), QStringLiteral(" ")},
                                          {QStringLiteral("住址"), QStringLiteral("山西太原")}};
        QVERIFY(rowMatches(
            SearchRules::compound(QStringLiteral("同事"), QStringLiteral("0351"), QString(), QStringLiteral("太原")),
            row));
        QVERIFY(!rowMatches(SearchRules::compound(QStringLiteral("同事"), QStringLiteral("010"), QString(), QString()),
                            row));
        QVERIFY(!rowMatches(SearchRules::compound(QString(), QString(), QStringLiteral("139"), QString()), row));
    }

    // The search over the rows of a whole-table read finds what the row-by-row test finds over "select * from
    // main", in table order: letter case, characters that fold to others, surrogates, pinyin.
    void blockSearchFindsWhatRowByRowFinds()
    {
        static const char16_t* const names[] = {
            u"张三",     u"Lily Wang", u"KELVIN", u"\u212Aelvin",      u"straße",  u"STRASSE", u"\u0130stanbul",
            u"istanbul", u"Émile",     u"émile",  u"\U0001F600 smile", u"a'b%c_d", u"",        u" ",
            u"曾国藩"};
        store::ContactRows rows;
        QList<QHash<QString, QString>> tableOrder;
        qint64 id = 0;
        for (const char16_t* n : names) {
            const QString name = QString::fromUtf16(n);
            const std::array<QString, 6> texts = {name,
                                                  name.toUpper(),
                                                  QStringLiteral("0351-") + QString::number(id),
                                                  QStringLiteral("139") + QString::number(id),
                                                  QString(),
                                                  name};
            rows.append(++id, texts);
            static const char* const columns[] = {"姓名", "关系", "电话", "手机", "小灵通", "住址"};
            QHash<QString, QString> row;
            for (int k = 0; k < 6; ++k)
                row.insert(QString::fromUtf8(columns[k]), texts[size_t(k)]);
            // The block is newest first; the table's order is the reverse.
            tableOrder.prepend(row);
        }
        static const char16_t* const inputs[] = {u"k",      u"K",  u"\u212A",     u"ß",      u"SS", u"i",
                                                 u"\u0130", u"é",  u"\U0001F600", u"\xD83D", u"张", u"'b%",
                                                 u"35",     u"zs", u"zgf",        u"lily",   u"e"};
        search::PinyinCache cache;
        for (const char16_t* in : inputs) {
            const QString input = QString::fromUtf16(in);
            const QList<QList<SearchRules::Condition>> searches = {
                SearchRules::single(false, false, false, input), SearchRules::single(true, false, false, input),
                SearchRules::compound(input, QString(), QString(), input),
                SearchRules::compound(QString(), QStringLiteral("0351"), QStringLiteral("139"), input)};
            for (const QList<SearchRules::Condition>& conditions : searches) {
                const bool byName = conditions.size() == 1 && conditions.first().column == QStringLiteral("姓名");
                const QString pinyin = byName ? search::normalisePinyinInput(input) : QString();
                std::vector<quint32> expected;
                for (qsizetype i = 0; i < tableOrder.size(); ++i) {
                    const QHash<QString, QString>& row = tableOrder[i];
                    const bool spelled =
                        !pinyin.isEmpty() &&
                        search::pinyinMatches(search::pinyinKey(row.value(QStringLiteral("姓名"))), pinyin);
                    if (spelled || rowMatches(conditions, row))
                        expected.push_back(quint32(rows.size() - 1 - i));
                }
                QCOMPARE(SearchRules::find(rows, conditions, pinyin, &cache), expected);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestSearchRules)
#include "tst_searchrules.moc"
