// vCard and CSV readers, the field mapping and the writers' primitives, as plain functions over real-shaped samples.
#include "edit/FieldRules.h"
#include "exchange/BlankFill.h"
#include "exchange/CsvReader.h"
#include "exchange/CsvTokenizer.h"
#include "exchange/FieldMapping.h"
#include "exchange/Limits.h"
#include "exchange/NameRules.h"
#include "exchange/TextDecoding.h"
#include "exchange/VCardReader.h"
#include "exchange/VCardWriter.h"

#include <QFile>
#include <QXmlStreamReader>
#include <QtTest>

#include <optional>

using namespace exchange;

namespace {

QByteArray sample(const QString& name)
{
    QFile f(QStringLiteral(VELLORAN_SOURCE_DIR "/tests/exchange/samples/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<Card> cardsOf(const QString& file, const QByteArray& data)
{
    QList<Card> cards;
    ReadFault fault;
    const bool ok =
        file.endsWith(u".csv") ? CsvReader::read(data, &cards, &fault) : VCardReader::read(data, &cards, &fault);
    if (!ok)
        qWarning("%s: line %d: %s", qPrintable(file), fault.line, qPrintable(fault.message));
    return cards;
}

// The fields a record is compared by, in one line so that a failure shows every difference at once.
QString fields(const Contact& c)
{
    return QStringList{c.name,          c.sex,     QStringLiteral("%1/%2").arg(c.month).arg(c.day),
                       c.relation,      c.phone,   c.mobile,
                       c.phs,           c.address, c.note,
                       c.photoExtension}
        .join(u'|');
}

// The record a 3.0 card made of these properties maps to; none when the card is refused.
std::optional<Contact> contactOf(const QByteArray& properties)
{
    QList<Card> cards;
    ReadFault fault;
    if (!VCardReader::read("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:x\r\n" + properties + "\r\nEND:VCARD\r\n", &cards, &fault))
        return std::nullopt;
    return FieldMapping::toContact(cards.value(0), QDate(2026, 12, 9));
}

QString mobileOf(const QByteArray& card)
{
    const std::optional<Contact> c = contactOf(card);
    return c ? c->mobile + u'|' + c->phone : QStringLiteral("<refused>");
}

// 电话|手机|小灵通|备注.
QString numbersOf(const QByteArray& properties)
{
    const std::optional<Contact> c = contactOf(properties);
    return c ? QStringList{c->phone, c->mobile, c->phs, c->note}.join(u'|') : QStringLiteral("<refused>");
}

} // namespace

class TestReaders : public QObject {
    Q_OBJECT

private slots:
    void samples_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("expected");
        QTest::newRow("android 2.1 quoted-printable UTF-8")
            << "android21-utf8.vcf" << 0
            << "张三| |3/7| |0351-2223333|13912345678|0351-4445555|中国山西省太原市迎泽大街100号|"
               "每周三下午在办公室，找他之前先打电话确认一下，他的秘书姓李。；电子邮件：zhangsan@example.com；"
               "邮编：030001|";
        QTest::newRow("android 2.1 foreign number kept in notes")
            << "android21-utf8.vcf" << 1
            << "John Smith| |0/0| | |13800001111| | |单位：Acme Ltd.；电话：+1 415 555 0100|";
        QTest::newRow("android 2.1 GB2312 and GBK")
            << "android21-gb2312.vcf" << 0 << "李四| |0/0| |0351-7654321|13700002222| |太原市解放路5号|老客户|";
        QTest::newRow("raw GBK without CHARSET") << "android21-gb2312.vcf" << 1 << "王五| |0/0| |03515556666| | | | |";
        QTest::newRow("iphone 3.0 folding, escapes, labels, photo")
            << "iphone30.vcf" << 0
            << "王小明| |12/25|同学|0351-6667777|13800138000|0351-8889999|中国山西省太原市长风街1号 3单元|"
               "第一行 第二行, 带逗号; 和分号 \\ 反斜杠，这一行写得很长很长，长到要折成好几行才放得下。；"
               "单位：太原某某科技有限公司研发部；职务：工程师；电子邮件：xiaoming@example.com；电话：010 12345678 转 "
               "8；"
               "分组：篮球；邮编：030006|.jpg";
        QTest::newRow("4.0 tel URIs, gender, data URI photo")
            << "v40.vcf" << 0
            << "赵六|女|3/7| |0351-1234567|13600001111| |山西省太原市学府街8号|传真：0351-1234568|.png";
        QTest::newRow("4.0 name from N") << "v40.vcf" << 1
                                         << "Alice Mary Brown|女|3/7| |010-88886666| | | |电子邮件：alice@example.com|";
        QTest::newRow("google older layout, UTF-16")
            << "google-old.csv" << 0
            << "陈七|女|5/20|同事|0351-5556666|13500002222|13500003333|山西省太原市桃园路3号|"
               "喜欢喝茶, 住在老城区；电子邮件：chen7@example.com；单位：某某银行；职务：柜员|";
        QTest::newRow("google older layout, given and family")
            << "google-old.csv" << 1 << "Bob Lee| |0/0| |0351-4443333| | | |line one line two|";
        QTest::newRow("google newer layout")
            << "google-new.csv" << 0 << "刘小红| |3/7|朋友|03517778888|13900004444| | |He said \"hi\"；昵称：红红|";
        QTest::newRow("GBK sheet with Chinese titles")
            << "sheet-gbk.csv" << 0
            << "孙八|男|1/2|朋友|0351-3332222|13912340000| |太原市小店区|老同学；单位：某某公司|";
        QTest::newRow("GBK sheet, quoted comma")
            << "sheet-gbk.csv" << 1 << "周九|女|3/7| | |13812345678| | |备注,含逗号|";
        QTest::newRow("GBK sheet, blank name") << "sheet-gbk.csv" << 2 << "|男|0/0| | |13700000000| | | |";
        QTest::newRow("outlook: home address to 住址, defaults left out")
            << "outlook.csv" << 0
            << "王建国|男|0/0|同事|0351-4567890|13912340001| |山西省太原市平阳路8号2单元|老同事 周末打球；"
               "单位：某某建设集团；职务：工程师；车载电话：13912340009；电子邮件：wangjg@example.com；分组：篮球；"
               "单位地址：中国山西省太原市建设路12号 030002|";
        QTest::newRow("outlook: company only")
            << "outlook.csv" << 1 << "顺丰速运| |0/0| |95338| | | |快递；Private：True|";
        QTest::newRow("plain English sheet")
            << "sheet-english.csv" << 0
            << "Li Lei| |0/0| |0351-2345678|13912340002| |12 Yingze St, Taiyuan|met at the fair；"
               "电子邮件：lilei@example.com|";
        QTest::newRow("plain English sheet, Chinese name")
            << "sheet-english.csv" << 1 << "韩梅梅| |0/0| | |13800001234| |太原市坞城路1号| |";
        QTest::newRow("android nickname, relation and dates")
            << "nicknames.vcf" << 0
            << "赵大勇| |11/2| | |13912340003| | |昵称：大勇哥；相关人：刘芳（配偶）；纪念日：2010-05-01|";
        QTest::newRow("iphone company only, related name")
            << "nicknames.vcf" << 1 << "顺丰速运| |0/0| |95338| | | |相关人：王经理（上级）|";
        QTest::newRow("4.0 nickname and related")
            << "nicknames.vcf" << 2 << "钱小梅| |0/0| | |13912340004| | |昵称：梅子，小梅；相关人：钱多多（子女）|";
    }
    void samples()
    {
        QFETCH(QString, file);
        QFETCH(int, index);
        QFETCH(QString, expected);
        const QList<Card> cards = cardsOf(file, sample(file));
        QVERIFY2(index < cards.size(), qPrintable(QStringLiteral("%1 cards").arg(cards.size())));
        QCOMPARE(fields(FieldMapping::toContact(cards[index], QDate(2026, 12, 9))), expected);
    }

    void typeSpellings_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QString>("expected");
        QTest::newRow("TYPE=CELL") << QByteArray("TEL;TYPE=CELL:139 1234 5678") << "13912345678| ";
        QTest::newRow("lower case") << QByteArray("TEL;type=cell:13912345678") << "13912345678| ";
        QTest::newRow("quoted list") << QByteArray("TEL;TYPE=\"voice,cell\":13912345678") << "13912345678| ";
        QTest::newRow("repeated") << QByteArray("TEL;TYPE=voice;TYPE=CELL:13912345678") << "13912345678| ";
        QTest::newRow("bare 2.1 types") << QByteArray("TEL;CELL;VOICE:13912345678") << "13912345678| ";
        QTest::newRow("grouped") << QByteArray("item1.TEL;TYPE=CELL:13912345678") << "13912345678| ";
        QTest::newRow("apple label") << QByteArray("item1.TEL:13912345678\r\nitem1.X-ABLabel:_$!<Mobile>!$_")
                                     << "13912345678| ";
        QTest::newRow("tel uri, 0086") << QByteArray("TEL;VALUE=uri;TYPE=cell:tel:0086-139-1234-5678")
                                       << "13912345678| ";
        QTest::newRow("untyped is 电话") << QByteArray("TEL:0351-2223333") << " |0351-2223333";
        QTest::newRow("folded number") << QByteArray("TEL;TYPE=CELL:139\r\n 12345678") << "13912345678| ";
    }
    void typeSpellings()
    {
        QFETCH(QByteArray, property);
        QFETCH(QString, expected);
        QCOMPARE(mobileOf(property), expected);
    }

    void phoneNormalising_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("fits");
        const int phone = int(FieldMapping::Slot::Phone);
        const int mobile = int(FieldMapping::Slot::Mobile);
        QTest::newRow("area code in brackets") << "(0351) 2223333" << phone << "0351-2223333" << true;
        QTest::newRow("+86 and blanks") << "+86 139 1234 5678" << mobile << "13912345678" << true;
        QTest::newRow("0086, dots") << "0086.139.1234.5678" << mobile << "13912345678" << true;
        QTest::newRow("mobile keeps digits only") << "139-1234-5678" << mobile << "13912345678" << true;
        QTest::newRow("full-width digits") << "１３９１２３４５６７８" << mobile << "13912345678" << true;
        QTest::newRow("telephone keeps hyphens") << "0351-222-3333" << phone << "0351-222-3333" << true;
        QTest::newRow("too long for 手机") << "+44 7700 900123" << mobile << "+447700900123" << false;
        QTest::newRow("too long for 电话") << "0351-22233334444" << phone << "0351-22233334444" << false;
        QTest::newRow("other characters") << "0351-2223333 转 8" << phone << "0351-2223333转8" << false;
        QTest::newRow("foreign plus") << "+1 415 555 0100" << phone << "+14155550100" << false;
        // China's country code stands for the trunk 0: area codes of two digits (10, 2x) or three, mobiles without.
        QTest::newRow("+86 Beijing") << "+86 10 6234 5678" << phone << "010-62345678" << true;
        QTest::newRow("+86 three-digit code") << "+86 351 2223333" << phone << "0351-2223333" << true;
        QTest::newRow("0086, eight-digit number") << "0086 755 8888 8888" << phone << "0755-88888888" << true;
        QTest::newRow("tel URI") << "tel:+86-10-6234-5678" << phone << "010-62345678" << true;
        QTest::newRow("+86 (0)") << "(+86) (0)21 6234 5678" << phone << "021-62345678" << true;
        QTest::newRow("+86 mobile in 电话") << "+86 139-1234-5678" << phone << "13912345678" << true;
        QTest::newRow("+86 nationwide 400") << "+86 400 810 8888" << phone << "4008108888" << true;
        QTest::newRow("+86 service number") << "+86 95588" << phone << "95588" << true;
    }
    void phoneNormalising()
    {
        QFETCH(QString, value);
        QFETCH(int, slot);
        QFETCH(QString, expected);
        QFETCH(bool, fits);
        QString out;
        QCOMPARE(FieldMapping::normalisePhone(value, FieldMapping::Slot(slot), &out), fits);
        QCOMPARE(out, expected);
    }

    void numbersLabelledPhsGoToTheirField_data()
    {
        QTest::addColumn<QByteArray>("properties");
        QTest::addColumn<QString>("expected");
        QTest::newRow("TYPE=PHS after two landlines")
            << QByteArray("TEL;TYPE=WORK:0351-2223333\r\nTEL;TYPE=HOME:0351-4445555\r\nTEL;TYPE=PHS:0351-6667777")
            << "0351-2223333| |0351-6667777|电话：0351-4445555";
        QTest::newRow("label 小灵通 on a cell number")
            << QByteArray("TEL;TYPE=CELL:13912345678\r\nitem1.TEL;TYPE=CELL:0351-6667777\r\n"
                          "item1.X-ABLabel:小灵通")
            << " |13912345678|0351-6667777| ";
        QTest::newRow("label PHS") << QByteArray("item1.TEL:+86 351 6667777\r\nitem1.X-ABLabel:PHS")
                                   << " | |0351-6667777| ";
        QTest::newRow("bare type 小灵通 after two landlines")
            << QByteArray("TEL;WORK:0351-2223333\r\nTEL;HOME:0351-4445555\r\nTEL;X-小灵通:0351-6667777")
            << "0351-2223333| |0351-6667777|电话：0351-4445555";
        QTest::newRow("TYPE=小灵通 after two landlines")
            << QByteArray("TEL;TYPE=WORK:0351-2223333\r\nTEL;TYPE=HOME:0351-4445555\r\nTEL;TYPE=小灵通:0351-6667777")
            << "0351-2223333| |0351-6667777|电话：0351-4445555";
    }
    void numbersLabelledPhsGoToTheirField()
    {
        QFETCH(QByteArray, properties);
        QFETCH(QString, expected);
        QCOMPARE(numbersOf(properties), expected);
    }

    void birthdays_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::newRow("iso") << "1985-03-07" << 3 << 7;
        QTest::newRow("iso with time") << "1985-03-07T00:00:00Z" << 3 << 7;
        QTest::newRow("basic") << "19850307" << 3 << 7;
        QTest::newRow("no year") << "--0307" << 3 << 7;
        QTest::newRow("no year, extended") << "--03-07" << 3 << 7;
        QTest::newRow("slashes") << "1985/3/7" << 3 << 7;
        QTest::newRow("chinese") << "3月7日" << 3 << 7;
        QTest::newRow("chinese with year") << "1985年12月31日" << 12 << 31;
        QTest::newRow("day the windows allow") << "--0230" << 2 << 30;
        QTest::newRow("month 13") << "1985-13-01" << 0 << 0;
        QTest::newRow("words") << "circa 1800" << 0 << 0;
        QTest::newRow("empty") << "" << 0 << 0;
    }
    void birthdays()
    {
        QFETCH(QString, text);
        QFETCH(int, month);
        QFETCH(int, day);
        int m = 0;
        int d = 0;
        QCOMPARE(FieldMapping::parseBirthday(text, &m, &d), month > 0);
        QCOMPARE(m, month);
        QCOMPARE(d, day);
    }

    void namesAndValues()
    {
        QCOMPARE(FieldMapping::joinName(QStringLiteral("张"), QStringLiteral("三")), QStringLiteral("张三"));
        QCOMPARE(FieldMapping::joinName(QStringLiteral("张"), QStringLiteral("San")), QStringLiteral("张San"));
        QCOMPARE(FieldMapping::joinName(QStringLiteral("Smith"), QStringLiteral("John")), QStringLiteral("John Smith"));
        QCOMPARE(FieldMapping::joinName(QStringLiteral("𠀀"), QStringLiteral("Li")),
                 QStringLiteral("𠀀Li")); // beyond U+FFFF
        QCOMPARE(FieldMapping::joinParts(
                     {QStringLiteral("中国"), QString(), QStringLiteral("Taiyuan"), QStringLiteral("Yingze St")}),
                 QStringLiteral("中国 Taiyuan Yingze St"));
        QCOMPARE(FieldMapping::clean(QStringLiteral(" a\r\n\r\nb\tc\x01 ")), QStringLiteral("a b c"));
        QCOMPARE(FieldMapping::clean(QStringLiteral("\n ")), QStringLiteral(" "));
        bool cut = false;
        QCOMPARE(FieldMapping::clean(QString(40000, u'x'), &cut).size(), FieldMapping::MaxText);
        QVERIFY(cut);
        QCOMPARE(FieldMapping::sexOf(QStringLiteral("m")), QStringLiteral("男"));
        QCOMPARE(FieldMapping::sexOf(QStringLiteral("女")), QStringLiteral("女"));
        QCOMPARE(FieldMapping::sexOf(QStringLiteral("O")), QStringLiteral(" "));
        QCOMPARE(NameRules::clean(QStringLiteral(" Li/Si\x07 ")), QStringLiteral("LiSi"));
        QCOMPARE(NameRules::key(QStringLiteral("ÄbC张")), QStringLiteral("Äbc张")); // NOCASE folds A-Z only
    }

    // What an import may fill in a record the book has: only what is blank there, the birthday as one item.
    void blankFields()
    {
        Contact book;
        book.sex = QStringLiteral(" ");
        book.month = 3; // half a birthday is none, as the modify window stores it
        book.relation = QStringLiteral("朋友");
        book.phone = QStringLiteral(" ");
        book.mobile = QStringLiteral("13912345678");
        book.address = QStringLiteral("  ");
        book.note = QStringLiteral("老朋友");
        book.photo = QStringLiteral("NO.BMP");
        Contact file;
        file.sex = QStringLiteral("女");
        file.month = 5;
        file.day = 6;
        file.relation = QStringLiteral("同事");
        file.phone = QStringLiteral("0351-2223333");
        file.mobile = QStringLiteral("13800000000");
        file.phs = QStringLiteral(" ");
        file.address = QStringLiteral("太原");
        file.note = QStringLiteral("新的");
        file.photoData = "\xFF\xD8\xFF";
        QCOMPARE(BlankFill::titles(BlankFill::fillable(book, file)),
                 QStringList({"性别", "生日", "电话", "住址", "照片"}));
        book.sex = QStringLiteral("?");
        book.month = -1; // not a number: something, not blank
        book.day = 7;
        book.photo = QStringLiteral("张三.jpg");
        book.phs = QString(); // NULL
        file.phs = QStringLiteral("0351-1");
        QCOMPARE(BlankFill::titles(BlankFill::fillable(book, file)), QStringList({"电话", "小灵通", "住址"}));
    }

    // The import must keep to what the add window allows; these read its own definitions.
    void rulesAgreeWithTheAddWindow()
    {
        for (char16_t c = 0; c < 0x180; ++c)
            QCOMPARE(NameRules::isRefused(QChar(c)),
                     FieldRules::isRefusedNameChar(QChar(c)) || QChar(c).category() == QChar::Other_Control);
        QFile ui(QStringLiteral(VELLORAN_SOURCE_DIR "/src/edit/Tadd.ui"));
        QVERIFY(ui.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&ui);
        QStringList items;
        bool inCombo = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"widget")
                inCombo = xml.attributes().value(QStringLiteral("name")) == QStringLiteral("DBComboBoxEh1");
            else if (inCombo && xml.isStartElement() && xml.name() == u"string")
                items.append(xml.readElementText());
            else if (inCombo && xml.isEndElement() && xml.name() == u"widget")
                break;
        }
        QCOMPARE(items, FieldMapping::relations());
    }

    void vcardPrimitives()
    {
        QCOMPARE(VCardReader::decodeQuotedPrintable("=E5=BC=A0 a=3D=G="), QByteArray("\xE5\xBC\xA0 a==G="));
        QCOMPARE(VCardReader::unescape(QStringLiteral("a\\nb\\,c\\;d\\\\e"), false), QStringLiteral("a\nb,c;d\\e"));
        QCOMPARE(VCardReader::unescape(QStringLiteral("C:\\new\\;x"), true), QStringLiteral("C:\\new;x"));
        QCOMPARE(VCardReader::split(QStringLiteral("a\\;b;c;;"), u';'),
                 QStringList({QStringLiteral("a\\;b"), QStringLiteral("c"), QString(), QString()}));
        QVERIFY(TextDecoding::isValidUtf8("plain \xE5\xBC\xA0"));
        QVERIFY(!TextDecoding::isValidUtf8("\xD5\xC5\xC8\xFD")); // 张三 in GBK
        QVERIFY(!TextDecoding::isValidUtf8("\xE5\xBC"));
        QCOMPARE(TextDecoding::decode("\xD5\xC5\xC8\xFD"), QStringLiteral("张三"));
    }

    void folding()
    {
        const QByteArray line = "NOTE:" + QStringLiteral("一二三四五六七八九十").repeated(8).toUtf8();
        const QByteArray folded = VCardWriter::fold(line);
        QByteArray unfolded;
        for (const QByteArray& physical : folded.split('\n')) {
            const QByteArray l = physical.endsWith('\r') ? physical.chopped(1) : physical;
            QVERIFY(l.size() <= 75);
            QVERIFY(TextDecoding::isValidUtf8(l)); // no character cut in two
            unfolded += unfolded.isEmpty() ? l : l.mid(1);
        }
        QCOMPARE(unfolded, line);
        QCOMPARE(VCardWriter::escape(QStringLiteral("a,b;c\\d\ne")), QStringLiteral("a\\,b\\;c\\\\d\\ne"));
    }

    // The encoding comes from all of the file's text as it will be read: unfolded, quoted-printable decoded, and a
    // few broken bytes do not turn every other name into another encoding.
    void encodingByEvidence_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("names");
        QTest::newRow("UTF-8 folded inside a character")
            << "fold.vcf"
            << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\xE5\x91\xA8\xE6\x9D\xB0\xE4\xBC\r\n \xA6\r\n"
                          "END:VCARD\r\n")
            << "周杰伦";
        QTest::newRow("UTF-8 sheet with one GBK byte")
            << "stray.csv" << QByteArray("姓名,手机\r\n周杰伦,13912345678\r\n张\xD5三,13812345678\r\n王小明,1\r\n")
            << "周杰伦|张\uFFFD三|王小明";
        QTest::newRow("GB18030 only in quoted-printable")
            << "qp.vcf"
            << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nN;ENCODING=QUOTED-PRINTABLE:=D5=C5;=C8=FD\r\n"
                          "END:VCARD\r\n")
            << "张三";
    }
    void encodingByEvidence()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, data);
        QFETCH(QString, names);
        QStringList got;
        for (const Card& card : cardsOf(file, data))
            got.append(FieldMapping::toContact(card, QDate(2026, 12, 9)).name);
        QCOMPARE(got.join(u'|'), names);
    }

    // Files beyond what an address book holds are refused with their line, before they take the memory or the time.
    void limits_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("fault");
        QTest::newRow("fields of a row") << "fields" << QStringLiteral("1:这一行的字段超过1000个");
        QTest::newRow("characters of a row") << "row" << QStringLiteral("2:从这一行开始的一条记录超过1 MB");
        QTest::newRow("lines of a card") << "properties" << QStringLiteral("2:从这一行开始的名片有10000行以上");
        QTest::newRow("folded line") << "line" << QStringLiteral("3:这一行连同折行超过24 MB");
    }
    void limits()
    {
        QFETCH(QString, kind);
        QFETCH(QString, fault);
        QByteArray data;
        if (kind == u"fields")
            data = "姓名" + QByteArray(Limits::Fields, ',') + "\r\n";
        else if (kind == u"row")
            data = "姓名,备注\r\n张三,\"" + QByteArray(Limits::Row, 'x') + "\"\r\n";
        else if (kind == u"properties")
            data =
                "\r\nBEGIN:VCARD\r\nFN:x\r\n" + QByteArray("NOTE:y\r\n").repeated(Limits::Properties) + "END:VCARD\r\n";
        else
            data = "BEGIN:VCARD\r\nFN:x\r\nNOTE:" + QByteArray("\r\n ").repeated(10) + QByteArray(Limits::Line, 'z') +
                   "\r\nEND:VCARD\r\n";
        QList<Card> cards;
        ReadFault why;
        const bool read = kind == u"fields" || kind == u"row" ? CsvReader::read(data, &cards, &why)
                                                              : VCardReader::read(data, &cards, &why);
        QVERIFY(!read);
        QVERIFY2((QString::number(why.line) + u':' + why.message).startsWith(fault), qPrintable(why.message));
    }

    // Progress comes from inside a card too, so one huge card can be cancelled before it is stored.
    void cancelInsideOneCard()
    {
        const QByteArray data = "BEGIN:VCARD\r\nFN:x\r\n" +
                                ("NOTE:" + QByteArray(200, 'n') + "\r\n").repeated(Limits::Properties - 10) +
                                "END:VCARD\r\n";
        int cards = 0;
        ReadFault fault;
        const bool read = VCardReader::read(
            data,
            [&](Card&) {
                ++cards;
                return true;
            },
            &fault, [](Stage, qint64 done, qint64 total) { return done == 0 || done == total; });
        QVERIFY(!read);
        QVERIFY(fault.cancelled);
        QCOMPARE(cards, 0);
    }

    void csvTokens_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("rows");
        QTest::newRow("plain, CRLF") << "a,b\r\nc,d\r\n"
                                     << "a|b/c|d";
        QTest::newRow("quoted separator, quote, line break") << "\"a,1\",\"say \"\"hi\"\"\",\"x\ny\"\nz"
                                                             << "a,1|say \"hi\"|x\ny/z";
        QTest::newRow("empty fields, no last line end") << ",,\n"
                                                        << "||";
        QTest::newRow("semicolons") << "a;b\n1;2"
                                    << "a|b/1|2";
    }
    void csvTokens()
    {
        QFETCH(QString, text);
        QFETCH(QString, rows);
        CsvTokenizer tokenizer(text, CsvTokenizer::detectSeparator(text));
        QStringList got;
        QStringList fields;
        int line = 0;
        while (tokenizer.next(&fields, &line))
            got.append(fields.join(u'|'));
        QVERIFY(!tokenizer.failed());
        QCOMPARE(got.join(u'/'), rows);
    }
};

QTEST_GUILESS_MAIN(TestReaders)
#include "tst_readers.moc"
