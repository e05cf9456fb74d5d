// The list's whole-table read against the read it stands for: the same rows, texts and order as Qt's driver gives
// for "select * from main order by id desc", on both stores; and rows kept from the last read only while the book
// is unchanged.
#include "platform/ProgramDir.h"
#include "store/Book.h"
#include "store/ContactReader.h"
#include "store/TextRows.h"
#include "support/TestProgramDir.h"

#include <QtTest>

#include <memory>

using store::ContactReader;
using store::ContactRows;

class TestContactReader : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;

    // The described read, through Qt's driver, as the list's cells and the summary's sex and birthday read it.
    void compareWithDescribedRead(const ContactRows& rows) const
    {
        const QList<QStringList> expected = m_dir->rows(
            QStringLiteral("select id,姓名,关系,电话,手机,小灵通,住址,性别,生月,生日 from main order by id desc"));
        QCOMPARE(rows.size(), expected.size());
        for (int i = 0; i < rows.size(); ++i) {
            const QStringList& e = expected[i];
            QCOMPARE(rows.id(i), e[0].toLongLong());
            for (int k = 0; k < ContactRows::Texts; ++k)
                QCOMPARE(rows.string(i, k), e[k + 1]);
            const auto sex = e[7] == QStringLiteral("男")   ? ContactRows::Sex::Male
                             : e[7] == QStringLiteral("女") ? ContactRows::Sex::Female
                                                            : ContactRows::Sex::Other;
            QCOMPARE(rows.sex(i), sex);
            const int month = e[8].toInt();
            const int day = e[9].toInt();
            QCOMPARE(rows.month(i), month >= 1 && month <= 12 ? month : 0);
            QCOMPARE(rows.day(i), day >= 1 && day <= 31 ? day : 0);
        }
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<TestProgramDir>();
        QVERIFY(m_dir->isValid());
        platform::ProgramDir::set(m_dir->path());
        store::Book::choose(m_dir->path());
    }

    void cleanup()
    {
        store::Book::forget();
        m_dir.reset();
    }

    void readsWhatTheDriverReads()
    {
        const QString longText = QString(200, QChar(u'长'));
        QStringList statements = {
            QStringLiteral("insert into main (姓名,性别,生月,生日,关系,电话,手机,小灵通,住址) values "
                           "('张三','男',3,14,'同事','010-1234','13012345678',' ','北京')"),
            QStringLiteral("insert into main (姓名,性别,生月,生日,住址) values ('Lily','女',12,31,'%1')").arg(longText),
            // Tabs, backslashes and line ends, which the server's copy format escapes; NULL and empty text.
            QStringLiteral("insert into main (姓名,关系,电话,住址) values ('a\tb\\\\c','x\ny\rz','',NULL)"),
            QStringLiteral("insert into main (姓名,性别,生月,生日) values ('李四','?',0,0)"),
        };
        if (!TestProgramDir::onServer()) {
            // What only SQLite stores: numbers and bytes in text columns, text that is no UTF-8, noncharacters, a
            // byte-order mark, a birthday month that is a word or a real number.
            statements << QStringLiteral("insert into main (姓名,关系,电话,手机,小灵通,住址,生月,生日) values "
                                         "('王五',x'E5BCA0',x'FF41',char(65535),char(65279)||'b',12.5,'x',7.0)")
                       << QStringLiteral("insert into main (姓名,关系,生月,生日) values "
                                         "(cast(x'C0AF41' as text),cast(x'E0' as text),13,32)");
        }
        QVERIFY(m_dir->exec(statements));
        ContactReader reader;
        ContactReader::Rows rows;
        QString error;
        QVERIFY2(reader.read(&rows, &error), qPrintable(error));
        compareWithDescribedRead(*rows);
    }

    // The rows read last serve again only while no other connection has changed the book since.
    void keptRowsServeOnlyWhileTheBookIsUnchanged()
    {
        QVERIFY(m_dir->addContact(QStringLiteral("张三")));
        ContactReader reader;
        ContactReader::Rows first;
        ContactReader::Rows again;
        QString error;
        bool reread = false;
        QVERIFY2(reader.read(&first, &error, &reread), qPrintable(error));
        QVERIFY(reader.read(&again, &error, &reread));
        // The server cannot tell cheaply that nothing changed, so it reads every time.
        QCOMPARE(reread, TestProgramDir::onServer());
        QCOMPARE(again->size(), 1);

        QVERIFY(m_dir->addContact(QStringLiteral("李四")));
        int count = 0;
        QVERIFY(reader.count(&count, &error));
        QCOMPARE(count, 2);
        QVERIFY(reader.read(&again, &error, &reread));
        QVERIFY(reread);
        compareWithDescribedRead(*again);
        QCOMPARE(first->size(), 1); // a block handed out never changes

        QVERIFY(m_dir->exec({QStringLiteral("delete from main")}));
        QVERIFY(reader.count(&count, &error));
        QCOMPARE(count, 0);
        QVERIFY(reader.read(&again, &error));
        QCOMPARE(again->size(), 0);
    }

    // Idle work goes over the rows read last, step by step, until a step says it is done; nothing without rows.
    void idleWorkRunsOverTheKeptRows()
    {
        QVERIFY(m_dir->addContact(QStringLiteral("张三")));
        ContactReader reader;
        std::atomic<int> early = 0;
        std::atomic<int> steps = 0;
        reader.whenIdle([&early](const ContactReader::Rows&) { return ++early > 0; });
        ContactReader::Rows rows;
        QString error;
        QVERIFY(reader.read(&rows, &error));
        reader.whenIdle([&steps](const ContactReader::Rows& kept) { return kept->size() == 1 && ++steps == 3; });
        QVERIFY(reader.read(&rows, &error)); // queued behind the idle work, or before its next step
        QTRY_COMPARE(steps.load(), 3);
        QCOMPARE(early.load(), 0);
    }

    // Text passes unconverted only when every decoder reads it alike.
    void plainUtf8()
    {
        QVERIFY(store::isPlainUtf8("ab\xE5\xBC\xA0\xEE\x80\x80\xF0\x9F\x98\x80"));
        for (const char* bad : {"\xED\xA0\x80", "\xE1\x80", "\xE5\xBC", "\xE5\x41\x80", "\xEF\xBF\xBF", "\xE0\x80\x80",
                                "\xC0\xAF", "\xF5\x80\x80\x80", "\x80"})
            QVERIFY2(!store::isPlainUtf8(bad), bad);
    }

    // The server's copy format: tab-separated fields, backslash escapes, \N for NULL (read as empty text).
    void copyLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QList<QByteArray>>("fields");
        QTest::addColumn<bool>("ok");
        using L = QList<QByteArray>;
        QTest::newRow("plain") << QByteArray("1\t张三\t\n") << L{"1", "张三", ""} << true;
        QTest::newRow("null") << QByteArray("\\N\tx") << L{"", "x"} << true;
        QTest::newRow("escapes") << QByteArray("a\\tb\\\\c\\nd\\r") << L{"a\tb\\c\nd\r"} << true;
        QTest::newRow("octal and hex") << QByteArray("\\101\\x42\\7") << L{"AB\x07"} << true;
        QTest::newRow("N inside text") << QByteArray("a\\N") << L{} << false;
        QTest::newRow("trailing backslash") << QByteArray("a\\") << L{} << false;
    }

    void copyLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(QList<QByteArray>, fields);
        QFETCH(bool, ok);
        std::vector<QByteArrayView> got;
        std::vector<QByteArray> unescaped;
        QCOMPARE(store::splitCopyLine(line, &got, &unescaped), ok);
        QList<QByteArray> values;
        for (const QByteArrayView v : got)
            values.append(v.toByteArray());
        if (ok)
            QCOMPARE(values, fields);
    }
};

QTEST_GUILESS_MAIN(TestContactReader)
#include "tst_contactreader.moc"
