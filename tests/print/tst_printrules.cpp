// The rules of printed phone lists and contact codes, without a window: grouping, pinyin order, page breaking, the
// card a phone reads.
#include "exchange/Contact.h"
#include "print/ContactCode.h"
#include "print/Grouping.h"
#include "print/Pagination.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace print;

namespace {

Entry person(const QString& name, const QString& relation = QString())
{
    Entry e;
    e.name = name;
    e.relation = relation;
    return e;
}

QStringList headings(const std::vector<Section>& sections)
{
    QStringList out;
    for (const Section& s : sections)
        out.append(s.heading);
    return out;
}

QStringList names(const std::vector<Entry>& entries, const Section& section)
{
    QStringList out;
    for (const int i : section.rows)
        out.append(entries[size_t(i)].name);
    return out;
}

} // namespace

class TestPrintRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initialsReadTheSurname_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("initial");
        QTest::newRow("common") << "张三"
                                << "Z";
        QTest::newRow("曾 as a surname") << "曾国藩"
                                         << "Z";
        QTest::newRow("单 as a surname") << "单田芳"
                                         << "S";
        QTest::newRow("two-character surname") << "欧阳修"
                                               << "O";
        QTest::newRow("Latin") << "alice"
                               << "A";
        QTest::newRow("accented") << "Émile"
                                  << "E";
        QTest::newRow("full-width") << "Ｚoe"
                                    << "Z";
        QTest::newRow("digits") << "110报警"
                                << "B";
        QTest::newRow("digits only") << "12345"
                                     << "#";
        QTest::newRow("another script") << "Иван"
                                        << "#";
        QTest::newRow("empty") << ""
                               << "#";
    }
    void initialsReadTheSurname()
    {
        QFETCH(QString, name);
        QFETCH(QString, initial);
        QCOMPARE(initialOf(name), initial);
    }

    void groupsComeInTheirOrderWithRowsInPinyinOrder()
    {
        const std::vector<Entry> entries = {person("王五", "同事"), person("李四", "朋友"),  person("赵六", "客户"),
                                            person("张三", "同事"), person("Bob", " 朋友 "), person("阿明", "家庭"),
                                            person("曾七", ""),     person("12345", "同事")};
        // The record list's collation: digits first, Chinese by pinyin (曾 as its common reading ceng), Latin names
        // after them.
        const std::vector<Section> none = groupEntries(entries, Grouping::None);
        QCOMPARE(headings(none), QStringList{QString()});
        QCOMPARE(names(entries, none.front()),
                 (QStringList{"12345", "阿明", "曾七", "李四", "王五", "张三", "赵六", "Bob"}));

        const std::vector<Section> byRelation = groupEntries(entries, Grouping::Relation);
        QCOMPARE(headings(byRelation), (QStringList{"朋友", "同事", "家庭", "其他"}));
        QCOMPARE(names(entries, byRelation[0]), (QStringList{"李四", "Bob"}));
        QCOMPARE(names(entries, byRelation[1]), (QStringList{"12345", "王五", "张三"}));
        QCOMPARE(names(entries, byRelation[3]), (QStringList{"曾七", "赵六"}));

        const std::vector<Section> byInitial = groupEntries(entries, Grouping::Initial);
        QCOMPARE(headings(byInitial), (QStringList{"A", "B", "L", "W", "Z", "#"}));
        QCOMPARE(names(entries, byInitial[4]), (QStringList{"曾七", "张三", "赵六"}));
        QCOMPARE(names(entries, byInitial[5]), QStringList{"12345"});
        QVERIFY(groupEntries({}, Grouping::Initial).empty());
    }

    // A book of 1,000 contacts in groups, with rows of one to many lines: every row once, in order, whole on one
    // page; no heading last on a page; a group going on over a break has its heading repeated.
    void pagesKeepRowsWholeAndHeadingsWithTheirRows()
    {
        QRandomGenerator dice(23);
        std::vector<Block> blocks;
        for (int group = 0; group < 40; ++group) {
            blocks.push_back(Block{Block::Kind::Heading, 20});
            const int rows = group % 7 == 0 ? 1 : int(dice.bounded(1, 50));
            for (int r = 0; r < rows && blocks.size() < 1040; ++r)
                blocks.push_back(Block{Block::Kind::Row, dice.bounded(6) == 0 ? 14.0 * dice.bounded(2, 9) : 14.0});
        }
        blocks.push_back(Block{Block::Kind::Row, 5000}); // a remark longer than a page
        const qreal body = 700;
        const std::vector<Page> pages = paginate(blocks, body);

        int next = 0;
        for (size_t p = 0; p < pages.size(); ++p) {
            const Page& page = pages[p];
            QVERIFY(!page.empty());
            QCOMPARE(blocks[size_t(page.back().block)].kind, Block::Kind::Row);
            qreal top = 0;
            for (size_t k = 0; k < page.size(); ++k) {
                const Placement& at = page[k];
                QCOMPARE(at.top, top);
                top += at.height;
                QVERIFY2(top <= body, qPrintable(QStringLiteral("page %1 overflows").arg(p + 1)));
                if (at.continued) {
                    QCOMPARE(k, size_t(0));
                    QVERIFY(at.block < next);
                    continue;
                }
                QCOMPARE(at.block, next++);
                if (blocks[size_t(at.block)].height <= body - 20)
                    QCOMPARE(at.height, blocks[size_t(at.block)].height);
            }
            // Full: the first block of the next page would not have fitted here.
            if (p + 1 < pages.size()) {
                const Placement& first = pages[p + 1][pages[p + 1].front().continued ? 1 : 0];
                qreal needed = first.height;
                if (blocks[size_t(first.block)].kind == Block::Kind::Heading)
                    needed += pages[p + 1][1].height;
                QVERIFY(top + needed > body);
            }
        }
        QCOMPARE(next, int(blocks.size()));
        // The overlong row stands alone under its repeated heading, cut to the page.
        const Page& last = pages.back();
        QCOMPARE(last.size(), size_t(2));
        QVERIFY(last.front().continued);
        QCOMPARE(last.back().height, body - 20);
    }

    void cardCarriesTheNumbersAndLeavesOutWhatDoesNotFit()
    {
        exchange::Contact c;
        c.name = QStringLiteral("张三;李");
        c.mobile = QStringLiteral("13912345678");
        c.phone = QStringLiteral("0351-4076688");
        c.phs = QStringLiteral("0351-7023456");
        c.address = QStringLiteral("太原市迎泽区柳巷12号");
        c.month = 3;
        c.day = 7;
        c.note = QStringLiteral("二姨");
        ContactCode code = ContactCode::make(c);
        QVERIFY(!code.code.isNull());
        QVERIFY(code.leftOut().isEmpty());
        const QString card = QString::fromUtf8(code.card);
        for (const char* line :
             {"BEGIN:VCARD\r\nVERSION:3.0\r\n", "\r\nN:张三\\;李;;;;\r\n", "\r\nFN:张三\\;李\r\n",
              "\r\nTEL;TYPE=CELL:13912345678\r\n", "\r\nTEL;TYPE=WORK:0351-4076688\r\n",
              "\r\nTEL;TYPE=VOICE:0351-7023456\r\n", "\r\nADR;TYPE=HOME:;;太原市迎泽区柳巷12号;;;;\r\n",
              "\r\nBDAY:--0307\r\n", "\r\nNOTE:二姨\r\n", "END:VCARD\r\n"})
            QVERIFY2(card.contains(QString::fromUtf8(line)), line);
        QVERIFY(!card.contains(QStringLiteral("PHOTO")));

        c.note = QString(1500, QChar(0x5907)); // 4,500 bytes of remarks
        code = ContactCode::make(c);
        QVERIFY(!code.code.isNull());
        QVERIFY(code.noteLeftOut && !code.addressLeftOut);
        QCOMPARE(code.leftOut(), QStringLiteral("备注太长，二维码中没有备注。"));
        QVERIFY(code.card.contains("ADR;TYPE=HOME") && !code.card.contains("NOTE"));

        c.address = c.note;
        code = ContactCode::make(c);
        QVERIFY(!code.code.isNull());
        QVERIFY(code.noteLeftOut && code.addressLeftOut);
        QVERIFY(code.card.contains("TEL;TYPE=CELL:13912345678"));

        c.name = c.note;
        QVERIFY(ContactCode::make(c).code.isNull());
    }
};

QTEST_MAIN(TestPrintRules)
#include "tst_printrules.moc"
