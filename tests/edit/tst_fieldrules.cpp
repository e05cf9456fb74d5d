// The save checks and value cleaning of the add and modify windows, without the windows.
#include "edit/FieldRules.h"

#include <QTest>

class TestFieldRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void name_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("empty") << QString() << QStringLiteral("姓名必须填写!");
        QTest::newRow("slash") << QStringLiteral("a/b") << QStringLiteral("姓名中不能含有特殊字符！");
        QTest::newRow("tab") << QStringLiteral("tab\there") << QStringLiteral("姓名中不能含有特殊字符！");
        QTest::newRow("every refused character")
            << QStringLiteral("!\"&*,./:;<>?\\|") << QStringLiteral("姓名中不能含有特殊字符！");
        QTest::newRow("blanks and dashes are fine") << QStringLiteral("张三 a-1") << QString();
        QTest::newRow("only a blank is a name") << QStringLiteral(" ") << QString();
    }
    void name()
    {
        QFETCH(QString, name);
        QFETCH(QString, refusal);
        const FieldRules::Check check = FieldRules::checkName(name);
        QCOMPARE(check.text, refusal);
        QCOMPARE(check.passed(), refusal.isEmpty());
        QVERIFY(!check.error);
    }

    void birthday_data()
    {
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("day");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("error");
        QTest::newRow("month over 12 first") << "13"
                                             << "32" << int(FieldRules::Check::Month) << "月份不能大于12！" << false;
        QTest::newRow("negative month passes, day over 31")
            << "-1"
            << "32" << int(FieldRules::Check::Day) << "月日不能大于31！" << false;
        QTest::newRow("empty month") << ""
                                     << "1" << int(FieldRules::Check::Month) << "'' is not a valid integer value"
                                     << true;
        QTest::newRow("blank around the day")
            << "5"
            << " 3" << int(FieldRules::Check::Day) << "' 3' is not a valid integer value" << true;
        QTest::newRow("letters") << "abc"
                                 << "1" << int(FieldRules::Check::Month) << "'abc' is not a valid integer value"
                                 << true;
        QTest::newRow("12/31") << "12"
                               << "31" << int(FieldRules::Check::None) << "" << false;
        QTest::newRow("signed") << "+3"
                                << "0" << int(FieldRules::Check::None) << "" << false;
    }
    void birthday()
    {
        QFETCH(QString, month);
        QFETCH(QString, day);
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(bool, error);
        int m = 0;
        int d = 0;
        const FieldRules::Check check = FieldRules::checkBirthday(month, day, &m, &d);
        QCOMPARE(int(check.field), field);
        QCOMPARE(check.text, text);
        QCOMPARE(check.error, error);
    }

    // What the modify window stores for the sex and birthday the user left.
    void sexAndBirthdayValues_data()
    {
        QTest::addColumn<QString>("sex");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("day");
        QTest::addColumn<QString>("stored"); // 性别 生月/生日
        QTest::newRow("three spaces") << "   "
                                      << "2"
                                      << "3"
                                      << "  2/3";
        QTest::newRow("day without month") << "女"
                                           << "0"
                                           << "15"
                                           << "女 0/0";
        QTest::newRow("both empty") << "男"
                                    << ""
                                    << ""
                                    << "男 0/0";
        QTest::newRow("month without day") << "男"
                                           << "5"
                                           << " "
                                           << "男 0/0";
        QTest::newRow("negative month") << "男"
                                        << "-1"
                                        << "5"
                                        << "男 -1/5";
    }
    void sexAndBirthdayValues()
    {
        QFETCH(QString, sex);
        QFETCH(QString, month);
        QFETCH(QString, day);
        QFETCH(QString, stored);
        FieldRules::clearHalfBirthday(&month, &day);
        QVERIFY(FieldRules::checkSex(&sex).passed());
        QCOMPARE(sex + " " + month + "/" + day, stored);
    }

    void sexIsMaleOrFemale()
    {
        QString sex = QStringLiteral(" 男");
        const FieldRules::Check check = FieldRules::checkSex(&sex);
        QCOMPARE(check.text, QStringLiteral("性别只能是男或女！"));
        QCOMPARE(sex, QString());
    }
};

QTEST_GUILESS_MAIN(TestFieldRules)
#include "tst_fieldrules.moc"
