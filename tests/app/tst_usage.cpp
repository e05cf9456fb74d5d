// velloran --help and --version answer on the terminal and end; any other argument starts the program.
#include "app/Usage.h"

#include <QRegularExpression>
#include <QTextStream>
#include <QtTest>

class TestUsage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answersHelpAndVersion()
    {
        QString text;
        QTextStream out(&text);
        QCOMPARE(Usage::answer({"--version"}, out), std::optional<int>(0));
        out.flush();
        QVERIFY2(QRegularExpression("^velloran \\(Velloran 电话簿\\) \\d+\\.\\d+\n$").match(text).hasMatch(),
                 qPrintable(text));

        text.clear();
        QCOMPARE(Usage::answer({"-platform", "xcb", "-h"}, out), std::optional<int>(0));
        out.flush();
        QVERIFY(text.startsWith("用法：velloran [选项]\n"));
        QVERIFY(text.contains("退出状态："));

        text.clear();
        for (const QStringList& starts : {QStringList{}, QStringList{"-platform", "xcb"}, QStringList{"--", "--help"}})
            QCOMPARE(Usage::answer(starts, out), std::nullopt);
        out.flush();
        QVERIFY(text.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestUsage)
#include "tst_usage.moc"
