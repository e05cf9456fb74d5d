// The import and export engines against a real program directory: one transaction, the refusals with their line,
// the name rules, photos in photo/, cancelling, and the export → import round trips.
#include "exchange/Exporter.h"
#include "exchange/Importer.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/ProgramDir.h"
#include "store/Connection.h"
#include "support/TestProgramDir.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QStorageInfo>
#include <QtTest>

#include <memory>
#include <new>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace exchange;

namespace {

QByteArray sample(const QString& name)
{
    QFile f(QStringLiteral(VELLORAN_SOURCE_DIR "/tests/exchange/samples/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every record of the directory, oldest first, one line each.
QStringList records(const TestProgramDir& dir)
{
    QStringList rows;
    for (const QStringList& cells :
         dir.rows(QStringLiteral("select 姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,"
                                 "照片,登记时间 from main order by id")))
        rows.append(cells.join(u'|'));
    return rows;
}

QString sql(const QString& s)
{
    return QLatin1Char('\'') + QString(s).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

QString insert(const QStringList& v)
{
    QStringList quoted;
    for (const QString& s : v)
        quoted.append(sql(s));
    return QStringLiteral(
               "insert into main (姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间) values (") +
           quoted.join(u',') + u')';
}

QStringList photoFiles(const TestProgramDir& dir)
{
    return QDir(dir.file(QStringLiteral("photo"))).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestProgramDir> m_dir;
    std::unique_ptr<store::Connection> m_connection;
    QTemporaryDir m_files;

    void use(TestProgramDir& dir)
    {
        m_connection.reset();
        platform::ProgramDir::set(dir.path());
        m_connection =
            std::make_unique<store::Connection>(QStringLiteral("exchange.acper"), QStringLiteral("call.mdb"));
    }
    bool importBytes(const QByteArray& data, Format format, ImportReport* report, QString* error = nullptr)
    {
        Importer importer(*m_connection);
        return importer.importData(data, format, report, error);
    }

private slots:
    void init()
    {
        platform::Clock::setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        m_dir = std::make_unique<TestProgramDir>();
        QVERIFY(m_dir->isValid());
        use(*m_dir);
    }
    void cleanup()
    {
        m_connection.reset();
        m_dir.reset();
        platform::Clock::reset();
    }

    void importsAFileWithItsPhoto()
    {
        const QString path = m_files.filePath(QStringLiteral("iphone.VCF"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(sample(QStringLiteral("iphone30.vcf"))) > 0);
        f.close();
        Importer importer(*m_connection);
        ImportReport report;
        QString error;
        const mode_t mask = ::umask(022);
        const bool imported = importer.importFile(path, &report, &error);
        // A photo the program writes otherwise, for its file mode.
        const bool copied = platform::Files::copyOverwrite(f.fileName(), m_dir->file(QStringLiteral("photo/x.jpg")));
        ::umask(mask);
        QVERIFY2(imported, qPrintable(error));
        QVERIFY(copied);
        QCOMPARE(QFile::permissions(m_dir->file(QStringLiteral("photo/王小明.jpg"))),
                 QFile::permissions(m_dir->file(QStringLiteral("photo/x.jpg"))));
        QCOMPARE(report.summary(), QStringLiteral("已导入1个联系人。"));
        const QStringList rows = records(*m_dir);
        QCOMPARE(rows.size(), 1);
        QVERIFY2(rows[0].startsWith(QStringLiteral("王小明| |12|25|同学|0351-6667777|13800138000|0351-8889999|")),
                 qPrintable(rows[0]));
        QVERIFY(rows[0].endsWith(QStringLiteral("|王小明.jpg|2026年12月09日")));
        QCOMPARE(m_dir->read(QStringLiteral("photo/王小明.jpg")), sample(QStringLiteral("photo.jpg")));
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("error");
        const int vcf = int(Format::VCard);
        const int csv = int(Format::Csv);
        const QByteArray photoCard = sample(QStringLiteral("iphone30.vcf"));
        QTest::newRow("card never ends")
            << photoCard + "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:甲\r\nBEGIN:VCARD\r\nFN:乙\r\nEND:VCARD\r\n"
            << vcf << QStringLiteral("第35行：从这一行开始的名片没有结束（缺少“END:VCARD”）。没有导入任何联系人。");
        QTest::newRow("file ends inside a card") << QByteArray("BEGIN:VCARD\nFN:甲\nEND:VCARD\n\nBEGIN:VCARD\nFN:乙\n")
                                                 << vcf << QStringLiteral("第5行：从这一行开始的名片没有结束");
        QTest::newRow("not vCard") << QByteArray("\r\n姓名,手机\r\n张三,139\r\n") << vcf
                                   << QStringLiteral("第2行：文件不是vCard名片文件");
        QTest::newRow("empty vCard") << QByteArray() << vcf << QStringLiteral("第1行：文件中没有名片");
        QTest::newRow("not a contact sheet")
            << QByteArray("a,b,c\r\n1,2,3\r\n") << csv << QStringLiteral("第1行：第一行不是联系人表的列标题");
        QTest::newRow("quote never closes") << QByteArray("姓名,备注\r\n张三,好\r\n李四,\"没有\r\n结束\r\n") << csv
                                            << QStringLiteral("第3行：从这一行开始的引号没有结束");
    }
    void refusals()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, format);
        QFETCH(QString, error);
        QVERIFY(m_dir->addContact(QStringLiteral("老朋友")));
        ImportReport report;
        QString why;
        QVERIFY(!importBytes(data, Format(format), &report, &why));
        QVERIFY2(why.startsWith(error), qPrintable(why));
        QCOMPARE(m_dir->count(QStringLiteral("main")), 1);
        QCOMPARE(photoFiles(*m_dir), QStringList{QStringLiteral("no.bmp")});
    }

    void fileRefusals()
    {
        Importer importer(*m_connection);
        ImportReport report;
        QString error;
        QVERIFY(!importer.importFile(m_files.filePath(QStringLiteral("contacts.txt")), &report, &error));
        QCOMPARE(error, QStringLiteral("文件“contacts.txt”不是vCard（.vcf）或CSV（.csv）文件，不能导入。"));
        QVERIFY(!importer.importFile(m_files.filePath(QStringLiteral("missing.vcf")), &report, &error));
        QVERIFY2(error.startsWith(QStringLiteral("文件“missing.vcf”无法读取：")), qPrintable(error));
    }

    // A device is never read without end, and running out of memory is a refusal like any other.
    void devicesAndMemory()
    {
        const QString device = m_files.filePath(QStringLiteral("device.vcf"));
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), device));
        Importer importer(*m_connection);
        ImportReport report;
        QString error;
        QVERIFY(!importer.importFile(device, &report, &error));
        QCOMPARE(error, QStringLiteral("文件“device.vcf”不是普通文件（而是设备、管道或文件夹），不能导入。"));

        importer.setProgress([](Stage, qint64 done, qint64) -> bool {
            if (done > 0)
                throw std::bad_alloc();
            return true;
        });
        QByteArray file = sample(QStringLiteral("iphone30.vcf"));
        file += ("BEGIN:VCARD\r\nFN:人\r\nNOTE:" + QByteArray(1000, 'n') + "\r\nEND:VCARD\r\n").repeated(300);
        QVERIFY(!importer.importData(file, Format::VCard, &report, &error));
        QCOMPARE(error, QStringLiteral("内存不足。没有导入任何联系人。"));
        QCOMPARE(m_dir->count(QStringLiteral("main")), 0);
        QCOMPARE(photoFiles(*m_dir), QStringList{QStringLiteral("no.bmp")});
    }

    void nameRules()
    {
        QVERIFY(m_dir->addContact(QStringLiteral("张三")));
        QVERIFY(m_dir->addContact(QStringLiteral("Alice")));
        const QByteArray file = "姓名,手机\r\n张三,1\r\nalice,2\r\nBob,3\r\nBOB,4\r\nLi/Si?,5\r\n\"a\x01"
                                "b\",6\r\n\"/.\",7\r\n"
                                ",8\r\nBob,9\r\n";
        ImportReport report;
        QString error;
        QVERIFY2(importBytes(file, Format::Csv, &report, &error), qPrintable(error));
        QCOMPARE(report.summary(), QStringLiteral("已导入3个联系人，跳过6个（已有2个，文件中重复2个，没有姓名2个）。"));
        QStringList stored;
        for (const QString& row : records(*m_dir))
            stored.append(row.section(u'|', 0, 0) + u'=' + row.section(u'|', 6, 6));
        QCOMPARE(stored, QStringList({"张三=13012345678", "Alice=13012345678", "Bob=3", "LiSi=5", "ab=6"}));
        QCOMPARE(report.skipped.value(2).line, 5); // BOB, the second Bob
        QVERIFY(report.details().contains(QStringLiteral("LiSi：姓名中的特殊字符已去掉（原为“Li/Si?”）")));
        QVERIFY(report.details().contains(QStringLiteral("alice（第3行）：已有这个人的记录")));
    }

    void photosNeverReplaceAnotherFile()
    {
        const QByteArray jpeg = sample(QStringLiteral("photo.jpg"));
        const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:%1\r\nPHOTO;ENCODING=b;TYPE=JPEG:" + jpeg.toBase64() +
                                "\r\nEND:VCARD\r\n";
        QByteArray file;
        for (const char* name : {"旧照片", "同一张", "yes", "no"})
            file += QByteArray(card).replace("%1", name);
        QVERIFY(m_dir->write(QStringLiteral("photo/旧照片.jpg"), "another picture"));
        QVERIFY(m_dir->write(QStringLiteral("photo/同一张.jpg"), jpeg));
        ImportReport report;
        QString error;
        QVERIFY2(importBytes(file, Format::VCard, &report, &error), qPrintable(error));
        QCOMPARE(m_dir->read(QStringLiteral("photo/旧照片.jpg")), QByteArray("another picture"));
        QStringList photos;
        for (const QString& row : records(*m_dir))
            photos.append(row.section(u'|', 10, 10));
        QCOMPARE(photos, QStringList({"no.bmp", "同一张.jpg", "no.bmp", "no.jpg"}));
        QCOMPARE(m_dir->read(QStringLiteral("photo/no.jpg")), jpeg);
        QCOMPARE(report.notes.size(), 2);
        QCOMPARE(photoFiles(*m_dir).filter(QStringLiteral(".import")), QStringList());
    }

    // A cancelled import and one the database refuses midway store nothing and take their photos back.
    void nothingStoredWhenStopped_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled") << true;
        QTest::newRow("database refuses") << false;
    }
    void nothingStoredWhenStopped()
    {
        QFETCH(bool, cancel);
        QByteArray file = sample(QStringLiteral("iphone30.vcf"));
        for (int i = 0; i < 300; ++i)
            file += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:人" + QByteArray::number(i) + "\r\nTEL:1\r\nEND:VCARD\r\n";
        if (!cancel)
            QVERIFY(m_dir->refuse("insert", "main", "disk full", QStringLiteral("new.姓名='人290'")));
        Importer importer(*m_connection);
        bool photoSeen = false;
        importer.setProgress([&](Stage stage, qint64 done, qint64) {
            photoSeen = photoSeen || QFile::exists(m_dir->file(QStringLiteral("photo/王小明.jpg")));
            return !(cancel && stage == Stage::Importing && done > 0);
        });
        ImportReport report;
        QString error;
        QVERIFY(!importer.importData(file, Format::VCard, &report, &error));
        QVERIFY(photoSeen || !cancel);
        QCOMPARE(report.cancelled, cancel);
        QVERIFY2(error.endsWith(QStringLiteral("没有导入任何联系人。")), qPrintable(error));
        QCOMPARE(m_dir->count(QStringLiteral("main")), 0);
        QCOMPARE(photoFiles(*m_dir), QStringList{QStringLiteral("no.bmp")});
        // The connection is usable again: the transaction was ended.
        QVERIFY(importBytes("BEGIN:VCARD\r\nFN:后来\r\nEND:VCARD\r\n", Format::VCard, &report, &error));
        QCOMPARE(m_dir->count(QStringLiteral("main")), 1);
    }

    // Contacts go into the table in batches: every one of them, in the file's order.
    void manyContactsKeepTheirOrder()
    {
        QByteArray file;
        for (int i = 1; i <= 250; ++i)
            file += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:人" + QByteArray::number(i) + "\r\nTEL:1\r\nEND:VCARD\r\n";
        ImportReport report;
        QString error;
        QVERIFY2(importBytes(file, Format::VCard, &report, &error), qPrintable(error));
        QCOMPARE(report.imported, 250);
        const QStringList rows = records(*m_dir);
        QCOMPARE(rows.size(), 250);
        QVERIFY(rows.first().startsWith(QStringLiteral("人1|")) && rows.at(100).startsWith(QStringLiteral("人101|")) &&
                rows.last().startsWith(QStringLiteral("人250|")));
    }

    // Filling blanks changes only blank fields of the book's records, in the import's one transaction: a failure
    // later in the file takes the fills and their photos back.
    void fillsBlankFields()
    {
        QVERIFY(m_dir->exec({
            insert({"张三", " ", "0", "0", "朋友", " ", "13912345678", " ", " ", "老朋友", "no.bmp", "2004年03月05日"}),
            insert({"李四", "女", "1", "2", "同学", "0351-1", "13812345678", "0351-2", "太原", "x", "李四.jpg",
                    "2004年03月05日"}),
        }));
        const QByteArray jpeg = sample(QStringLiteral("photo.jpg"));
        const QByteArray file =
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:张三\r\nX-GENDER:M\r\nBDAY:1985-03-07\r\nTEL;TYPE=WORK:0351-2223333\r\n"
            "TEL;TYPE=CELL:13800000000\r\nADR:;;迎泽大街1号;太原市;山西省;;\r\nNOTE:新备注\r\nPHOTO;ENCODING=b;TYPE="
            "JPEG:" +
            jpeg.toBase64() +
            "\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:李四\r\nTEL;TYPE=CELL:13700000000\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:张三\r\nTEL;TYPE=X-PHS:0351-9\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:王五\r\nTEL;TYPE=CELL:13600000000\r\nEND:VCARD\r\n";
        const QStringList before = records(*m_dir);
        QVERIFY(m_dir->refuse("insert", "main", "disk full", QStringLiteral("new.姓名='王五'")));
        Importer importer(*m_connection);
        importer.setExisting(Importer::Existing::FillBlanks);
        ImportReport report;
        QString error;
        QVERIFY(!importer.importData(file, Format::VCard, &report, &error));
        QCOMPARE(records(*m_dir), before);
        QCOMPARE(photoFiles(*m_dir), QStringList{QStringLiteral("no.bmp")});

        QVERIFY(m_dir->allow("main"));
        QVERIFY2(importer.importData(file, Format::VCard, &report, &error), qPrintable(error));
        const QStringList rows = records(*m_dir);
        QCOMPARE(rows.value(0), QStringLiteral("张三|男|3|7|朋友|0351-2223333|13912345678| |山西省太原市迎泽大街1号|"
                                               "老朋友|张三.jpg|2004年03月05日"));
        QCOMPARE(rows.value(1), before.value(1));
        QCOMPARE(rows.size(), 3);
        QCOMPARE(m_dir->read(QStringLiteral("photo/张三.jpg")), jpeg);
        QCOMPARE(report.details(), QStringLiteral("已导入1个联系人，补充了1个已有联系人的空白项目，跳过2个（已有1个，"
                                                  "文件中重复1个，没有姓名0个）。\n补充的项目：\n张三（第1行）：性别、"
                                                  "生日、电话、住址、照片\n跳过的联系人：\n李四（第12行）：已有这个人的"
                                                  "记录，文件中没有可以补充到它空白项目的内容\n张三（第17行）：文件中"
                                                  "前面已有同名的联系人"));
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("vCard") << "back.vcf";
        QTest::newRow("CSV") << "back.csv";
    }
    void roundTrip()
    {
        QFETCH(QString, file);
        const bool csv = file.endsWith(u".csv");
        const QString longNote =
            QStringLiteral("很长的备注，").repeated(20) + QStringLiteral("逗号,分号;引号\"反斜杠\\");
        QVERIFY(m_dir->exec({
            insert({"张三", "男", "3", "7", "朋友", "0351-2223333", "13912345678", "0351-7654321",
                    "山西省太原市迎泽大街1号", longNote, "张三.jpg", "2004年03月05日"}),
            insert({"Anne-Marie O'Brien", "女", "2", "30", "客户", " ", "139-1234-5678", " ", " ", "=1+2", "no.bmp",
                    "2020年01月01日"}),
            insert({"=SUM(A1)", " ", "0", "0", " ", "0351 222 3333 转 8", " ", "+86 10 1", "a, b; c", " ", "no.bmp",
                    "2026年12月01日"}),
            insert({"'-x", "男", "12", "31", "同学", " ", "+8613912345678", " ", " ", "-", "no.bmp", "2026年12月02日"}),
        }));
        QVERIFY(m_dir->write(QStringLiteral("photo/张三.jpg"), sample(QStringLiteral("photo.jpg"))));
        const QStringList before = records(*m_dir);

        const QString path = m_files.filePath(file);
        ExportReport written;
        QString error;
        {
            Exporter exporter(*m_connection);
            QVERIFY2(exporter.exportAll(path, &written, &error), qPrintable(error));
        }
        QCOMPARE(written.written, 4);
        // The sheet carries no pictures and says whose it left out.
        QCOMPARE(written.details().contains(QStringLiteral("照片没有导出")), csv);
        QCOMPARE(written.withoutPhoto, csv ? QStringList{QStringLiteral("张三")} : QStringList());

        TestProgramDir empty;
        use(empty);
        Importer importer(*m_connection);
        ImportReport report;
        QVERIFY2(importer.importFile(path, &report, &error), qPrintable(error));
        QCOMPARE(report.imported, 4);
        QStringList expected = before;
        if (csv) // the sheet has no photo column
            expected[0].replace(QStringLiteral("|张三.jpg|"), QStringLiteral("|no.bmp|"));
        QCOMPARE(records(empty), expected);
        if (!csv)
            QCOMPARE(empty.read(QStringLiteral("photo/张三.jpg")), sample(QStringLiteral("photo.jpg")));
    }

    // Phones show JPEG and PNG only; a bitmap photo goes out as PNG, and an unreadable one is reported.
    void bitmapPhotoGoesOutAsPng()
    {
        QVERIFY(m_dir->exec(
            {insert({"位图", "男", "0", "0", " ", " ", "1", " ", " ", " ", "位图.bmp", "2026年12月01日"}),
             insert({"坏图", "男", "0", "0", " ", " ", "2", " ", " ", " ", "坏图.jpg", "2026年12月01日"})}));
        QVERIFY(
            QFile::copy(m_dir->file(QStringLiteral("photo/no.bmp")), m_dir->file(QStringLiteral("photo/位图.bmp"))));
        const QString path = m_files.filePath(QStringLiteral("bitmap.vcf"));
        Exporter exporter(*m_connection);
        ExportReport report;
        QString error;
        QVERIFY2(exporter.exportAll(path, &report, &error), qPrintable(error));
        QCOMPARE(report.notes.size(), 1);
        QCOMPARE(report.notes[0].first, QStringLiteral("坏图"));
        TestProgramDir empty;
        use(empty);
        Importer importer(*m_connection);
        ImportReport imported;
        QVERIFY2(importer.importFile(path, &imported, &error), qPrintable(error));
        QVERIFY(records(empty).value(0).contains(QStringLiteral("|位图.png|")));
        QVERIFY(QImage(empty.file(QStringLiteral("photo/位图.png"))).width() > 0);
    }

    // An export never replaces a device or a pipe, and a write that fails keeps the old file and names the disk.
    void exportChecksTheTargetAndEveryWrite()
    {
        // A hundred random hex digits in each note: SQLite's and the server's own ways to say it.
        const QString noise = TestProgramDir::onServer()
                                  ? QStringLiteral("md5(random()::text)||md5(random()::text)||md5(random()::text)")
                                  : QStringLiteral("hex(randomblob(50))");
        QVERIFY(m_dir->exec({QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<500) "
                                            "insert into main (姓名,备注) select '人'||i,%1 from n")
                                 .arg(noise)}));
        const QString pipe = m_files.filePath(QStringLiteral("pipe"));
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        const QString link = m_files.filePath(QStringLiteral("pipe.vcf"));
        QVERIFY(QFile::link(pipe, link));
        Exporter exporter(*m_connection);
        ExportReport report;
        QString error;
        QVERIFY(!exporter.exportAll(link, &report, &error));
        QCOMPARE(error, QStringLiteral("“pipe.vcf”不是普通文件（而是设备、管道或文件夹），不能导出到这里。"));
        struct stat st {};
        QVERIFY(::lstat(QFile::encodeName(pipe).constData(), &st) == 0 && S_ISFIFO(st.st_mode));

        // The disk takes 40 KB of the export and no more (the database's own files are smaller).
        const QString path = m_files.filePath(QStringLiteral("full.csv"));
        QFile older(path);
        QVERIFY(older.open(QIODevice::WriteOnly) && older.write("older") == 5);
        older.close();
        QVERIFY(m_connection->open());
        rlimit limit{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &limit) == 0);
        const rlimit full{40 * 1024, limit.rlim_max};
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &full) == 0);
        const bool exported = exporter.exportAll(path, &report, &error);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, handler);
        QVERIFY(!exported);
        QCOMPARE(report.written, 0);
        QVERIFY2(error.startsWith(QStringLiteral("文件“full.csv”没有导出：无法写入磁盘 ") +
                                  QStorageInfo(m_files.path()).rootPath()),
                 qPrintable(error));
        QVERIFY2(error.endsWith(QStringLiteral("原有的同名文件没有改变。")), qPrintable(error));
        QVERIFY(older.open(QIODevice::ReadOnly));
        QCOMPARE(older.readAll(), QByteArray("older"));
        QCOMPARE(QDir(m_files.path()).entryList({QStringLiteral("full.csv*")}, QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("full.csv")});
    }

    void exportsTheListedNamesAndLeavesTheFileOnCancel()
    {
        for (const char* name : {"甲", "乙", "丙"})
            QVERIFY(m_dir->addContact(QString::fromUtf8(name)));
        const QString path = m_files.filePath(QStringLiteral("some.csv"));
        Exporter exporter(*m_connection);
        ExportReport report;
        QString error;
        QVERIFY2(exporter.exportNames(path, {QStringLiteral("丙"), QStringLiteral("甲"), QStringLiteral("已删")},
                                      &report, &error),
                 qPrintable(error));
        QCOMPARE(report.summary(), QStringLiteral("已导出2个联系人，1个已不在数据库中。"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray written = f.readAll();
        f.close();
        QCOMPARE(written, QByteArray("\xEF\xBB\xBF姓名,性别,关系,电话,手机,小灵通,住址,备注,生日,登记时间\r\n"
                                     "甲,男,朋友,,13012345678,,,,,2026年12月01日\r\n"
                                     "丙,男,朋友,,13012345678,,,,,2026年12月01日\r\n"));
        exporter.setProgress([](Stage, qint64, qint64) { return false; });
        QVERIFY(!exporter.exportAll(path, &report, &error));
        QVERIFY(report.cancelled);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), written);
    }
};

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
