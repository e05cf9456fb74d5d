// Which encoding a text file is read in, decided from its content: the program's own GB18030 notes whose bytes
// happen to be valid UTF-8, UTF-8 files with a stray byte, and short texts that are valid both ways.
#include "store/NotesFile.h"
#include "store/TextEncoding.h"

#include <QStringDecoder>
#include <QtTest>

using store::TextEncoding;

namespace {

// GB2312's first level, the 3,755 commonest characters, in code order.
QStringList commonest()
{
    QStringList chars;
    QStringDecoder gb("GB18030");
    for (int lead = 0xB0; lead <= 0xD7; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE && !(lead == 0xD7 && trail > 0xF9); ++trail) {
            const char pair[] = {char(lead), char(trail)};
            chars.append(gb.decode(QByteArrayView(pair, 2)));
        }
    }
    return chars;
}

QByteArray gb18030(const QString& text)
{
    return QStringEncoder("GB18030").encode(text);
}

// Lines of twenty characters with CR LF, as notes or a column of names would hold them.
QString lines(const QStringList& chars)
{
    QStringList out;
    for (qsizetype i = 0; i < chars.size(); i += 20)
        out.append(chars.mid(i, 20).join(QString()));
    return out.join(QStringLiteral("\r\n"));
}

TextEncoding::Kind kindOf(const QByteArray& bytes, TextEncoding::Origin origin)
{
    return TextEncoding::detect(bytes, origin).kind;
}

} // namespace

class TestEncoding : public QObject {
    Q_OBJECT

private slots:
    void commonestCharacters()
    {
        const QStringList chars = commonest();
        QCOMPARE(chars.size(), 3755);
        QCOMPARE(chars.first(), QStringLiteral("啊"));
        QCOMPARE(chars.last(), QStringLiteral("座"));

        // The characters whose GB18030 bytes are valid UTF-8 on their own, read back as themselves from the
        // program's own file: one at a time and all together.
        QStringList twoWays;
        for (const QString& c : chars) {
            if (TextEncoding::isValidUtf8(gb18030(c)))
                twoWays.append(c);
        }
        QVERIFY2(twoWays.size() > 600, qPrintable(QString::number(twoWays.size())));
        for (const QString& c : std::as_const(twoWays))
            QCOMPARE(store::NotesFile::decode(gb18030(c)), c);
        const QString together = lines(twoWays);
        QVERIFY(TextEncoding::isValidUtf8(gb18030(together)));
        QCOMPARE(store::NotesFile::decode(gb18030(together)), QString(together).replace(u'\r', QString()));
        QCOMPARE(store::NotesFile::decode(gb18030(QStringLiteral("谢谢 医院 学校"))), QStringLiteral("谢谢 医院 学校"));

        // All of them, in either encoding and from either origin, read as what they are.
        const QString all = lines(chars);
        for (const auto origin : {TextEncoding::Origin::Own, TextEncoding::Origin::Foreign}) {
            QCOMPARE(kindOf(gb18030(all), origin), TextEncoding::Kind::Gb18030);
            QCOMPARE(kindOf(all.toUtf8(), origin), TextEncoding::Kind::Utf8);
        }

        // A UTF-8 file with one stray GBK byte stays UTF-8: one replacement, every other character intact.
        for (const qsizetype at : {qsizetype(0), all.size() / 2, all.size()}) {
            const QByteArray stray = all.left(at).toUtf8() + "\xD5" + all.mid(at).toUtf8();
            for (const auto origin : {TextEncoding::Origin::Own, TextEncoding::Origin::Foreign}) {
                const QString text = TextEncoding::decode(stray, origin);
                QCOMPARE(text.count(QChar::ReplacementCharacter), 1);
                QCOMPARE(QString(text).remove(QChar::ReplacementCharacter), all);
            }
        }
    }

    void shortTexts_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("own");
        QTest::addColumn<QString>("text");
        QTest::newRow("own notes, valid UTF-8 too") << QByteArray("\xD0\xBB\xD0\xBB") << true << "谢谢";
        QTest::newRow("own notes in UTF-8, valid GB18030 too")
            << QByteArray("\xe4\xbe\xbf\xe7\xad\xbe") << true << "便签";
        QTest::newRow("foreign Latin letters") << QByteArray("Jos\xC3\xA9 M\xC3\xBCller") << false << "José Müller";
        QTest::newRow("foreign Cyrillic") << QByteArray("\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD") << false << "Иван";
        QTest::newRow("short UTF-8 with a stray byte")
            << QByteArray("\xE5\x91\xA8\xE6\x9D\xB0\xB5") << false << "周杰\uFFFD";
        QTest::newRow("UTF-16 with its mark") << QByteArray("\xFF\xFE\x20\x4E", 4) << false << "丠";
    }
    void shortTexts()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, own);
        QFETCH(QString, text);
        QCOMPARE(TextEncoding::decode(bytes, own ? TextEncoding::Origin::Own : TextEncoding::Origin::Foreign), text);
    }
};

QTEST_GUILESS_MAIN(TestEncoding)
#include "tst_encoding.moc"
