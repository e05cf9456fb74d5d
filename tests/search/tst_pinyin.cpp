// Finding names by their pinyin: how a name reads (surnames included), how an input is folded, and which inputs
// spell which names.
#include "search/Pinyin.h"
#include "search/PinyinCache.h"

#include <QtTest>

using namespace search;
using namespace Qt::StringLiterals;

class TestPinyin : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void spelling_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("spelling");
        // Surnames ICU's name rules read right.
        QTest::newRow("曾") << u"曾国藩"_s << u"zeng guo fan"_s;
        QTest::newRow("单") << u"单雄信"_s << u"shan xiong xin"_s;
        QTest::newRow("解") << u"解缙"_s << u"xie jin"_s;
        QTest::newRow("仇") << u"仇英"_s << u"qiu ying"_s;
        QTest::newRow("区") << u"区家明"_s << u"ou jia ming"_s;
        QTest::newRow("查") << u"查良镛"_s << u"zha liang yong"_s;
        QTest::newRow("盖") << u"盖聂"_s << u"ge nie"_s;
        QTest::newRow("乐") << u"乐进"_s << u"yue jin"_s;
        QTest::newRow("翟") << u"翟志刚"_s << u"zhai zhi gang"_s;
        QTest::newRow("长孙") << u"长孙无忌"_s << u"zhang sun wu ji"_s;
        QTest::newRow("万俟") << u"万俟卨"_s << u"mo qi xie"_s;
        QTest::newRow("澹台") << u"澹台明"_s << u"tan tai ming"_s;
        // Every correction of the surname table.
        QTest::newRow("朴") << u"朴槿惠"_s << u"piao jin hui"_s;
        QTest::newRow("缪") << u"缪杰"_s << u"miao jie"_s;
        QTest::newRow("覃") << u"覃雪"_s << u"qin xue"_s;
        QTest::newRow("阚") << u"阚泽"_s << u"kan ze"_s;
        QTest::newRow("薄") << u"薄一波"_s << u"bo yi bo"_s;
        QTest::newRow("洗") << u"洗玉清"_s << u"xian yu qing"_s;
        QTest::newRow("都") << u"都红"_s << u"du hong"_s;
        QTest::newRow("句") << u"句芒"_s << u"gou mang"_s;
        QTest::newRow("佴") << u"佴伟"_s << u"nai wei"_s;
        QTest::newRow("郇") << u"郇华"_s << u"xun hua"_s;
        QTest::newRow("祭") << u"祭仲"_s << u"zhai zhong"_s;
        QTest::newRow("牟") << u"牟其中"_s << u"mou qi zhong"_s;
        QTest::newRow("尉") << u"尉缭"_s << u"wei liao"_s;
        QTest::newRow("尉迟") << u"尉迟恭"_s << u"yu chi gong"_s;
        QTest::newRow("能") << u"能静"_s << u"nai jing"_s;
        QTest::newRow("单于") << u"单于丹"_s << u"chan yu dan"_s;
        QTest::newRow("拓跋") << u"拓跋宏"_s << u"tuo ba hong"_s;
        QTest::newRow("子车") << u"子车奄息"_s << u"zi ju yan xi"_s;
        // Only the first character reads as a surname.
        QTest::newRow("given name") << u"张曾"_s << u"zhang ceng"_s;
        QTest::newRow("no compound") << u"单于丹"_s.mid(1) << u"yu dan"_s;
        // What a name holds besides Han characters.
        QTest::newRow("Latin word") << u"张Tom三"_s << u"zhang tom san"_s;
        QTest::newRow("accented, full-width") << u"José李Ｌｉ"_s << u"jose li li"_s;
        QTest::newRow("ü") << u"吕布"_s << u"lv bu"_s;
        QTest::newRow("blanks, digits, dots") << u" 李 四2·五"_s << u"li si wu"_s;
        QTest::newRow("other script ends") << u"张アキ三"_s << u"zhang"_s;
        QTest::newRow("traditional") << u"張三豐"_s << u"zhang san feng"_s;
        QTest::newRow("Latin only") << u"Tom Smith"_s << QString();
        QTest::newRow("pinyin written out") << u"Zhāng Sān"_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void spelling()
    {
        QFETCH(QString, name);
        QFETCH(QString, spelling);
        const PinyinKey key = pinyinKey(name);
        QCOMPARE(pinyinSpelling(key), spelling);
        QCOMPARE(key.isEmpty(), spelling.isEmpty());
    }

    void normalise_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("normalised");
        QTest::newRow("lower") << u"zhangsan"_s << u"zhangsan"_s;
        QTest::newRow("upper and mixed") << u"ZhangSAN"_s << u"zhangsan"_s;
        QTest::newRow("blanks") << u" z s\u3000f "_s << u"zsf"_s;
        QTest::newRow("ü") << u"LÜü"_s << u"lvv"_s;
        QTest::newRow("full-width") << u"ＺＳｆ"_s << u"zsf"_s;
        QTest::newRow("digit") << u"zs2"_s << QString();
        QTest::newRow("apostrophe") << u"xi'an"_s << QString();
        QTest::newRow("Han") << u"张s"_s << QString();
        QTest::newRow("accented") << u"é"_s << QString();
        QTest::newRow("blank only") << u"  "_s << QString();
        QTest::newRow("longest") << QString(63, u'a') << QString(63, u'a');
        QTest::newRow("too long") << QString(64, u'a') << QString();
    }
    void normalise()
    {
        QFETCH(QString, input);
        QFETCH(QString, normalised);
        QCOMPARE(normalisePinyinInput(input), normalised);
    }

    void matches_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("match");
        const QString zhangsan = u"张三"_s;
        const QString zhangsanfeng = u"张三丰"_s;
        for (const QString& input : {u"zs"_s, u"zhangsan"_s, u"zhangs"_s, u"zsan"_s, u"z"_s, u"zhs"_s}) {
            QTest::newRow(qPrintable(zhangsan + u' ' + input)) << zhangsan << input << true;
            QTest::newRow(qPrintable(zhangsanfeng + u' ' + input)) << zhangsanfeng << input << true;
        }
        QTest::newRow("upper case") << zhangsan << u"ZhangS"_s << true;
        QTest::newRow("blanks") << zhangsan << u" zhang san "_s << true;
        QTest::newRow("last syllable begun") << zhangsan << u"zhangsa"_s << true;
        QTest::newRow("first syllable begun") << zhangsan << u"zhan"_s << true;
        QTest::newRow("begun in the middle") << zhangsanfeng << u"zhansf"_s << false;
        QTest::newRow("past the name") << zhangsan << u"zsf"_s << false;
        QTest::newRow("other surname") << zhangsan << u"ls"_s << false;
        // From any character, as Chinese text is found anywhere in a name.
        QTest::newRow("second character") << zhangsan << u"s"_s << true;
        QTest::newRow("given name") << zhangsanfeng << u"sanfeng"_s << true;
        QTest::newRow("middle of a firm") << u"中国银行太原分行"_s << u"yinhang"_s << true;
        QTest::newRow("skipping a character") << zhangsanfeng << u"zf"_s << false;
        QTest::newRow("spells nothing") << zhangsan << u"xyz"_s << false;
        QTest::newRow("not letters") << zhangsan << u"z3"_s << false;
        QTest::newRow("zgf") << u"曾国藩"_s << u"zgf"_s << true;
        QTest::newRow("zengguofan") << u"曾国藩"_s << u"zengguofan"_s << true;
        // A surname's ordinary readings count too, for names of firms and places.
        QTest::newRow("单位") << u"单位"_s << u"dw"_s << true;
        QTest::newRow("长城宽带") << u"长城宽带"_s << u"cckd"_s << true;
        QTest::newRow("重庆") << u"重庆饭店"_s << u"chongqing"_s << true;
        QTest::newRow("尉迟 yu") << u"尉迟恭"_s << u"ycg"_s << true;
        QTest::newRow("尉迟 wei") << u"尉迟恭"_s << u"weichigong"_s << true;
        QTest::newRow("万俟") << u"万俟卨"_s << u"moqix"_s << true;
        QTest::newRow("朴") << u"朴槿惠"_s << u"piaojh"_s << true;
        QTest::newRow("厦门") << u"厦门航空"_s << u"xiamen"_s << true;
        QTest::newRow("能 nai") << u"能静"_s << u"naijing"_s << true;
        QTest::newRow("能 neng") << u"能源公司"_s << u"nygs"_s << true;
        // A first character's readings that begin no word are not offered: 丁 zheng, 石 dan. Inside a name they are.
        QTest::newRow("丁 ding") << u"丁一"_s << u"dingyi"_s << true;
        QTest::newRow("丁 zheng") << u"丁一"_s << u"zhengyi"_s << false;
        QTest::newRow("石 dan") << u"石磊"_s << u"danlei"_s << false;
        QTest::newRow("石 dan inside") << u"李石"_s << u"lidan"_s << true;
        // Every reading of a given name's character.
        QTest::newRow("乐 le") << u"张乐"_s << u"zl"_s << true;
        QTest::newRow("乐 yue") << u"张乐"_s << u"zhangyue"_s << true;
        QTest::newRow("行 hang") << u"李行"_s << u"lihang"_s << true;
        QTest::newRow("行 xing") << u"李行"_s << u"lx"_s << true;
        QTest::newRow("ü as v") << u"吕布"_s << u"lvb"_s << true;
        QTest::newRow("ü as u") << u"吕布"_s << u"lubu"_s << true;
        QTest::newRow("Latin word whole") << u"张Tom"_s << u"zhangtom"_s << true;
        QTest::newRow("Latin word initial") << u"Tom张"_s << u"tz"_s << true;
        QTest::newRow("Latin word wrong") << u"Tom张"_s << u"tx"_s << false;
        QTest::newRow("Latin name") << u"Tom Smith"_s << u"ts"_s << false;
        QTest::newRow("Latin name in full") << u"Tom"_s << u"tom"_s << false;
    }
    void matches()
    {
        QFETCH(QString, name);
        QFETCH(QString, input);
        QFETCH(bool, match);
        // Rows share one cache, as the searches of one session do.
        static PinyinCache cache;
        QCOMPARE(cache.matches(name, normalisePinyinInput(input)), match);
        QCOMPARE(cache.keyFor(name).isEmpty(), pinyinKey(name).isEmpty());
    }

    // Walks as searches make them: the same order again, then with rows deleted, renamed, added and moved.
    void cache()
    {
        const QString han = u"张王李赵钱孙周吴郑冯陈褚卫蒋沈韩杨朱秦尤"_s; // twenty different readings
        QStringList names;
        for (int i = 0; i < 3000; ++i)
            names.append(QString(han[i % 20]) + han[i / 20 % 20] + han[i / 400]);
        PinyinCache cache;
        const auto walk = [&cache](const QStringList& list) {
            for (const QString& name : list) {
                if (pinyinSpelling(cache.keyFor(name)) != pinyinSpelling(pinyinKey(name)))
                    return name;
            }
            return QString();
        };
        QCOMPARE(walk(names), QString());
        QCOMPARE(walk(names), QString());
        QCOMPARE(cache.size(), 3000);

        QStringList changed = names;
        changed.removeAt(5);
        changed[100] = u"尤尤尤"_s;
        changed.insert(2000, u"秦秦秦"_s);
        changed.swapItemsAt(10, 2500);
        QCOMPARE(walk(changed), QString());
        QCOMPARE(walk(changed), QString());
        QCOMPARE(cache.size(), 3002);
        cache.clear();
        QCOMPARE(walk(changed), QString());
        QCOMPARE(cache.size(), 3000);
    }
};

QTEST_APPLESS_MAIN(TestPinyin)
#include "tst_pinyin.moc"
