// The rules of the tool windows without a window: the statistics chart's geometry, the area-code lookup and the
// title text buttons.
#include "tools/AreaCodeRules.h"
#include "tools/ChartRules.h"
#include "tools/TitleRules.h"

#include <QTest>

namespace {

template <typename T> QString joined(const T& values)
{
    QStringList parts;
    for (const auto& v : values) {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, QString>)
            parts.append(v);
        else
            parts.append(QString::number(v));
    }
    return parts.join(QLatin1Char(' '));
}

QStringList repeated(const QString& relation, int times)
{
    QStringList list;
    for (int i = 0; i < times; ++i)
        list.append(relation);
    return list;
}

using Mode = AreaCodeRules::Mode;

} // namespace

class TestToolRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void chart_data()
    {
        QTest::addColumn<QStringList>("relations");
        QTest::addColumn<QString>("heights");
        QTest::addColumn<QString>("texts");
        QTest::addColumn<QString>("scale");
        QTest::newRow("seven rows") << (repeated("朋友", 3) + QStringList{"同事", "领导", "老师", " "})
                                    << "70 46 23 0 23"
                                    << "3人 2人 1人 0人 1人"
                                    << "7 3.5 0";
        QTest::newRow("one row") << QStringList{"家庭"} << "0 0 0 164 0"
                                 << "0人 0人 0人 1人 0人"
                                 << "1 0.5 0";
        QTest::newRow("two rows") << QStringList{"同学", "亲戚"} << "0 0 82 82 0"
                                  << "0人 0人 1人 1人 0人"
                                  << "2 1 0";
        // Compared exactly: a relation typed by hand, or one with a blank around it, is 其他.
        QTest::newRow("typed relations are other") << QStringList{"邻居", "朋友 ", "朋友"} << "54 0 0 0 109"
                                                   << "1人 0人 0人 0人 2人"
                                                   << "3 1.5 0";
        QTest::newRow("no rows") << QStringList{} << "0 0 0 0 0"
                                 << "0人 0人 0人 0人 0人"
                                 << "0 0 0";
        QTest::newRow("large list") << (repeated("朋友", 99999) + repeated("同事", 100000)) << "81 82 0 0 0"
                                    << "99999人 100000人 0人 0人 0人"
                                    << "199999 99999.5 0";
    }
    void chart()
    {
        QFETCH(QStringList, relations);
        const ChartRules::Chart c = ChartRules::chart(relations);
        QTEST(joined(c.heights), "heights");
        QTEST(joined(c.texts), "texts");
        QTEST(QStringList({c.scaleTop, c.scaleMiddle, c.scaleBottom}).join(QLatin1Char(' ')), "scale");
        for (size_t i = 0; i < ChartRules::GroupCount; ++i)
            QCOMPARE(c.tops[i] + c.heights[i], ChartRules::PanelHeight);
    }

    void labelsAndScalePlaces()
    {
        // Centred over a bar 31 wide, the half difference truncated toward zero.
        QCOMPARE(ChartRules::labelLeft(0, 24), 27);
        QCOMPARE(ChartRules::labelLeft(4, 18), 238);
        QCOMPARE(ChartRules::labelLeft(1, 36), 74);
        // 15 above the bar: a full bar's label lies above the panel, a missing bar's just over the bottom edge.
        QCOMPARE(ChartRules::labelTop(0), -15);
        QCOMPARE(ChartRules::labelTop(164), 149);
        // Scale numbers start at 12 unless they would run under the panel.
        QCOMPARE(ChartRules::scaleLeft(18), 12);
        QCOMPARE(ChartRules::scaleLeft(30), 7);
        QCOMPARE(ChartRules::scaleLeft(60), 0);
    }

    void areaCodes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("lines");
        const int province = int(Mode::Province), city = int(Mode::City), code = int(Mode::Code);
        const QString taiyuan = QStringLiteral("太原（山西）  0351");
        QTest::newRow("province") << province << "山西" << QStringList{"太原  0351", "原平  0350", "大同  0352"};
        QTest::newRow("province trimmed")
            << province << " 直辖市 " << QStringList{"北京  010", "上海  021", "天津  022", "重庆  023"};
        QTest::newRow("province mistyped") << province << "山" << QStringList{"对不起，无信息！"};
        QTest::newRow("city") << city << "太原" << QStringList{taiyuan};
        QTest::newRow("city, one character") << city << "原" << QStringList{taiyuan, "原平（山西）  0350"};
        QTest::newRow("city, case counts") << city << "macau" << QStringList{"对不起，无信息！"};
        QTest::newRow("code with zero") << code << "0351" << QStringList{taiyuan};
        QTest::newRow("code without zero") << code << " 351 " << QStringList{taiyuan};
        QTest::newRow("no partial codes") << code << "35" << QStringList{"对不起，无信息！"};
        QTest::newRow("code shared by two") << code << "10" << QStringList{"北京（直辖市）  010", "廊坊（河北）  010"};
        // Hong Kong's stored code keeps its own zero: 0852 is 遵义 alone, 00852 is Hong Kong.
        QTest::newRow("domestic code") << code << "0852" << QStringList{"遵义（贵州）  0852"};
        QTest::newRow("international code") << code << "00852" << QStringList{"香港（港澳台）  00852"};
    }
    void areaCodes()
    {
        static const QList<AreaCodeRules::Row> rows = {
            {"直辖市", "北京", "10"}, {"山西", "太原", "351"},     {"山西", "原平", "350"},   {"直辖市", "上海", "21"},
            {"山西", "大同", "352"},  {"直辖市", "天津", "22"},    {"贵州", "遵义", "852"},   {"直辖市", "重庆", "23"},
            {"河北", "廊坊", "10"},   {"港澳台", "Macau", "0853"}, {"港澳台", "香港", "0852"}};
        QFETCH(int, mode);
        QFETCH(QString, input);
        QTEST(AreaCodeRules::lookup(Mode(mode), input, rows), "lines");
    }

    void areaCodeInputsAndProvinces()
    {
        QVERIFY(AreaCodeRules::lacksInput(Mode::City, QStringLiteral("  ")));
        QVERIFY(AreaCodeRules::lacksInput(Mode::Code, QString()));
        // The province drop-down is never refused; an empty province just finds nothing.
        QVERIFY(!AreaCodeRules::lacksInput(Mode::Province, QString()));
        const QStringList provinces = AreaCodeRules::provinces();
        QCOMPARE(provinces.size(), 29);
        QCOMPARE(provinces.first(), QStringLiteral("山西"));
        QCOMPARE(provinces.mid(26), QStringList({"新疆", "直辖市", "港澳台"}));
    }

    void titleRules()
    {
        auto buttons = [](TitleRules::Buttons b) { return QString("%1%2").arg(int(b.set)).arg(int(b.restore)); };
        QCOMPARE(buttons(TitleRules::afterShow(QString())), QStringLiteral("01"));      // no key
        QCOMPARE(buttons(TitleRules::afterShow("Velloranv4.0")), QStringLiteral("00")); // the default
        QCOMPARE(buttons(TitleRules::afterShow("我的电话本")), QStringLiteral("01"));
        QCOMPARE(buttons(TitleRules::afterEdit()), QStringLiteral("11"));
        QCOMPARE(TitleRules::toStore(QStringLiteral("  我的 电话本 ")), QStringLiteral("我的 电话本"));
        QVERIFY(TitleRules::toStore(QStringLiteral("   ")).isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestToolRules)
#include "tst_toolrules.moc"
