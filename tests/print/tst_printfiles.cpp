// data print and data qr as a scheduled job or a shell runs them, read back by independent tools: pdftotext,
// pdfinfo and pdffonts for the PDF, zbarimg for the QR code.
#include "support/TestProgramDir.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

QString tool(const char* name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

QString output(const char* program, const QStringList& arguments)
{
    QProcess p;
    p.start(tool(program), arguments);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Fixture rows; the texts hold no quote.
QString row(const QString& name, const QString& relation, const QString& phone, const QString& mobile,
            const QString& phs, const QString& address, const QString& note, int month = 0, int day = 0)
{
    return QStringLiteral("insert into main (姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间) values "
                          "('%1','男',%2,%3,'%4','%5','%6','%7','%8','%9','no.bmp','2026年01月01日')")
        .arg(name)
        .arg(month)
        .arg(day)
        .arg(relation, phone, mobile, phs, address, note);
}

} // namespace

class TestPrintFiles : public QObject {
    Q_OBJECT

private:
    TestProgramDir m_dir;
    QTemporaryDir m_cwd;
    QStringList m_names;

    Run data(const QStringList& arguments)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VELLORAN_DATA_DIR"), m_dir.path());
        env.insert(QStringLiteral("LANG"), QStringLiteral("C")); // as cron runs it: Chinese must survive
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(m_cwd.path());
        p.start(QStringLiteral(VELLORAN_PROGRAM_DIR "/data"), arguments);
        Run r;
        if (!p.waitForFinished(120000))
            return r;
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char* t : {"pdftotext", "pdfinfo", "pdffonts", "zbarimg"}) {
            if (tool(t).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is missing (scripts/deps.sh installs it)").arg(t)));
        }
        // 150 people over the seven relations and one of the book's own, a Latin name, a long address: several pages.
        const QStringList surnames = {"张", "王", "李", "赵", "刘", "陈", "杨", "黄", "周", "吴"};
        const QStringList given = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊",
                                   "军", "洋", "勇", "艳", "杰", "娟", "涛"};
        const QStringList relations = {"朋友", "同事", "领导", "同学", "老师", "亲戚", "家庭", "客户"};
        QStringList rows;
        int k = 0;
        for (const QString& s : surnames) {
            for (const QString& g : given) {
                const QString name = s + g + QStringLiteral("明");
                m_names.append(name);
                rows.append(row(name, relations.at(k % relations.size()), QStringLiteral("0351-%1").arg(4000000 + k),
                                QStringLiteral("139%1").arg(10000000 + k), QString(),
                                QStringLiteral("太原市迎泽区%1号").arg(k), QString()));
                ++k;
            }
        }
        m_names.append(QStringLiteral("Alice Wang"));
        rows.append(
            row(m_names.last(), QStringLiteral("朋友"), QString(), QStringLiteral("13800000000"), QString(),
                QStringLiteral(
                    "山西省太原市小店区长风街道平阳路与长治路交叉口往东两百米路北的长风商务区第三座写字楼二十层"),
                QString()));
        rows.append(row(QStringLiteral("欧阳娜娜"), QStringLiteral("同学"), QStringLiteral("0351-7023456"),
                        QStringLiteral("13912345678"), QStringLiteral("0351-7654321"), QStringLiteral("太原市柳巷12号"),
                        QString(3000, QLatin1Char('x')), 3, 7));
        m_names.append(QStringLiteral("欧阳娜娜"));
        QVERIFY(m_dir.exec(rows));
    }

    void printedListHoldsEveryNameInGroupsOnNumberedPages_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QStringList>("headings");
        QTest::newRow("relation") << "relation"
                                  << QStringList{"朋友", "同事", "领导", "同学", "老师", "亲戚", "家庭", "其他"};
        QTest::newRow("initial") << "initial" << QStringList{"A", "C", "H", "L", "O", "W", "Y", "Z"};
    }
    void printedListHoldsEveryNameInGroupsOnNumberedPages()
    {
        QFETCH(QString, group);
        QFETCH(QStringList, headings);
        // Without the extension the file still becomes a PDF file.
        const Run r = data({QStringLiteral("print"), group, QStringLiteral("--group"), group});
        QCOMPARE(r.status, 0);
        const QString pdf = m_cwd.filePath(group + QStringLiteral(".pdf"));
        QVERIFY2(r.out.startsWith(QStringLiteral("打印完成：") + pdf + QStringLiteral("（152 位联系人，")),
                 qPrintable(r.out));

        const QString text =
            output("pdftotext", {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
        for (const QString& name : m_names)
            QVERIFY2(text.contains(name), qPrintable(name));
        QVERIFY(text.contains(QStringLiteral("Velloranv4.0")));
        QVERIFY(text.contains(QStringLiteral("共152位联系人")));
        // Headings stand alone on their lines, in their order; the first is never a continuation.
        qsizetype at = -1;
        for (const QString& h : headings) {
            const qsizetype found = text.indexOf(QRegularExpression(
                QStringLiteral("(^|\\n)") + QRegularExpression::escape(h) + QStringLiteral("(（续）)?\\n")));
            QVERIFY2(found > at, qPrintable(h));
            at = found;
        }
        const QRegularExpressionMatch pages =
            QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(output("pdfinfo", {pdf}));
        const int count = pages.captured(1).toInt();
        QVERIFY(count >= 3);
        QVERIFY(r.out.contains(QStringLiteral("，%1 页）").arg(count)));
        for (int p = 1; p <= count; ++p)
            QVERIFY(text.contains(QStringLiteral("第 %1 页 / 共 %2 页").arg(p).arg(count)));

        // Every font is embedded with its Unicode map: the file shows and searches the same without the fonts.
        const QStringList fonts = output("pdffonts", {pdf}).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
        QVERIFY(!fonts.isEmpty());
        for (const QString& line : fonts) {
            const QStringList columns = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            QVERIFY2(columns.size() >= 5 && columns.at(columns.size() - 5) == QLatin1String("yes") &&
                         columns.at(columns.size() - 3) == QLatin1String("yes"),
                     qPrintable(line));
        }
    }

    void codeReadsBackAsTheContactsCard()
    {
        const Run r = data({QStringLiteral("qr"), QStringLiteral("欧阳娜娜"), QStringLiteral("名片.png")});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains(QStringLiteral("备注太长，二维码中没有备注。")), qPrintable(r.out));
        QCOMPARE(r.out.count(QLatin1Char('\n')), 1);
        QProcess zbar;
        zbar.start(tool("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"), QStringLiteral("-Sbinary"),
                                     m_cwd.filePath(QStringLiteral("名片.png"))});
        QVERIFY(zbar.waitForFinished(60000));
        const QString card = QString::fromUtf8(zbar.readAllStandardOutput());
        for (const char* line :
             {"VERSION:3.0", "FN:欧阳娜娜", "TEL;TYPE=CELL:13912345678", "TEL;TYPE=WORK:0351-7023456",
              "TEL;TYPE=VOICE:0351-7654321", "ADR;TYPE=HOME:;;太原市柳巷12号;;;;", "BDAY:--0307"})
            QVERIFY2(card.contains(QString::fromUtf8(line)), qPrintable(card));
        QVERIFY(!card.contains(QStringLiteral("NOTE")));
    }

    void faultsSayOneLineAndWriteNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::newRow("unknown grouping") << QStringList{"print", "a.pdf", "--group", "city"} << 2 << "用法";
        QTest::newRow("no file") << QStringList{"print"} << 2 << "用法";
        QTest::newRow("qr without a file") << QStringList{"qr", "张伟明"} << 2 << "用法";
        QTest::newRow("nobody of that name") << QStringList{"qr", "无名氏", "a.png"} << 1 << "没有名为“无名氏”的联系人";
        QTest::newRow("over the user's data") << QStringList{"print", "@/zzz"} << 1 << "不能把文件写在程序目录中";
        QTest::newRow("missing folder") << QStringList{"qr", "张伟明", "nowhere/a.png"} << 1 << "不存在";
    }
    void faultsSayOneLineAndWriteNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, says);
        arguments.replaceInStrings(QStringLiteral("@"), m_dir.path());
        const Run r = data(arguments);
        QCOMPARE(r.status, status);
        QVERIFY2(r.err.contains(says), qPrintable(r.err));
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY(!QFile::exists(m_dir.file(QStringLiteral("zzz.pdf"))));
        QVERIFY(!QFile::exists(m_cwd.filePath(QStringLiteral("a.png"))));
    }
};

QTEST_MAIN(TestPrintFiles)
#include "tst_printfiles.moc"
