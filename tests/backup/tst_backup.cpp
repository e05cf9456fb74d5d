// Backup archives: what goes in comes back out, and anything that is not a sound archive of this program is
// refused before the data is touched.
#include "backup/Archive.h"
#include "backup/Backup.h"
#include "backup/DailyBackup.h"
#include "backup/Manifest.h"
#include "backup/ProgramData.h"
#include "backup/Restore.h"
#include "backup/Utf8Locale.h"
#include "edit/Picture.h"
#include "support/DataDigest.h"
#include "support/TestProgramDir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <archive.h>
#include <archive_entry.h>

namespace {

// One entry of a zip as a test writes it, links and unsafe names included.
struct ZipItem {
    QString path;
    QByteArray data;
    int type = AE_IFREG;
    QString link; // symlink target
};

QList<ZipItem> readZip(const QString& file)
{
    backup::Utf8Locale utf8;
    QList<ZipItem> items;
    archive* a = archive_read_new();
    archive_read_support_format_zip(a);
    archive_read_open_filename(a, QFile::encodeName(file).constData(), 65536);
    archive_entry* e;
    while (archive_read_next_header(a, &e) == ARCHIVE_OK) {
        ZipItem item{QString::fromUtf8(archive_entry_pathname_utf8(e)), {}, int(archive_entry_filetype(e)), {}};
        char buffer[65536];
        la_ssize_t n;
        while ((n = archive_read_data(a, buffer, sizeof buffer)) > 0)
            item.data.append(buffer, n);
        items.append(item);
    }
    archive_read_free(a);
    return items;
}

void writeZip(const QString& file, const QList<ZipItem>& items)
{
    backup::Utf8Locale utf8;
    archive* a = archive_write_new();
    archive_write_set_format_zip(a);
    archive_write_open_filename(a, QFile::encodeName(file).constData());
    for (const ZipItem& item : items) {
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname_utf8(e, item.path.toUtf8().constData());
        archive_entry_set_filetype(e, item.type);
        archive_entry_set_perm(e, 0644);
        if (item.type == AE_IFLNK)
            archive_entry_set_symlink_utf8(e, item.link.toUtf8().constData());
        archive_entry_set_size(e, item.type == AE_IFREG ? item.data.size() : 0);
        archive_write_header(a, e);
        if (item.type == AE_IFREG)
            archive_write_data(a, item.data.constData(), size_t(item.data.size()));
        archive_entry_free(e);
    }
    archive_write_close(a);
    archive_write_free(a);
}

// The archive's manifest rewritten to list `items` truthfully, except the paths in `unlisted`.
void relist(QList<ZipItem>* items, const QStringList& unlisted = {})
{
    backup::Manifest m;
    for (ZipItem& item : *items) {
        if (item.path == backup::Manifest::entryName()) {
            backup::Manifest::fromJson(item.data, &m, nullptr);
            m.entries.clear();
        }
    }
    for (const ZipItem& item : *items) {
        if (item.path == backup::Manifest::entryName() || unlisted.contains(item.path))
            continue;
        backup::ManifestEntry e;
        e.directory = item.type == AE_IFDIR;
        e.path = e.directory ? item.path.chopped(1) : item.path;
        e.size = item.data.size();
        e.sha256 = e.directory ? QByteArray() : QCryptographicHash::hash(item.data, QCryptographicHash::Sha256).toHex();
        m.entries.append(e);
    }
    for (ZipItem& item : *items) {
        if (item.path == backup::Manifest::entryName())
            item.data = m.toJson();
    }
}

// The bytes of the database `file` (created when missing) after `statements`.
QByteArray emptyDatabase(const QString& file, const QStringList& statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        db.setDatabaseName(file);
        db.open();
        for (const QString& s : statements)
            QSqlQuery(db).exec(s);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// The bytes of a copy of `source` after `statements`: the program's own database, changed.
QByteArray changedDatabase(const QString& source, const QString& scratch, const QStringList& statements)
{
    const QString file = scratch + QStringLiteral("/changed.db");
    QFile::remove(file);
    QFile::copy(source, file);
    return emptyDatabase(file, statements);
}

} // namespace

class tst_backup : public QObject {
    Q_OBJECT
private slots:
    void roundTrip();
    void dataNames_data();
    void dataNames();
    void refused_data();
    void refused();
    void linksAndModes();
    void dailyOncePerDayKeepsSeven();
};

void tst_backup::roundTrip()
{
    TestProgramDir t;
    QTemporaryDir out;
    QVERIFY(t.addContact(QStringLiteral("张三")));
    QVERIFY(t.addSignInUser(QStringLiteral("李四"), QStringLiteral("1"), QStringLiteral("超级用户")));
    QVERIFY(t.write(QStringLiteral("zzz"), QStringLiteral("记事：明天开会").toUtf8()));
    QVERIFY(t.write(QStringLiteral("photo/张三.jpg"), QByteArray(5000, '\xab')));
    QVERIFY(t.write(QStringLiteral("set.ini"), "[list]\r\ncolor=1\r\n"));
    const QString archive = out.filePath(QStringLiteral("全部.zip"));
    const bool server = TestProgramDir::onServer();
    {
        // A row that only the write-ahead log of a still-open connection holds (on a server: another session's).
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("running"));
        db.setDatabaseName(t.file(QStringLiteral("call.mdb")));
        QVERIFY(db.open());
        QSqlQuery q(db);
        if (server) {
            QVERIFY(t.exec({QStringLiteral("insert into main (姓名,照片) values ('王五','no.bmp')")}));
        } else {
            QVERIFY(q.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0")));
            QVERIFY(q.exec(QStringLiteral("insert into main (姓名,照片) values ('王五','no.bmp')")));
            QVERIFY(QFileInfo(t.file(QStringLiteral("call.mdb-wal"))).size() > 0);
        }

        const auto before = dataDigest(t.path());
        QVERIFY(before.value(QStringLiteral("call.mdb")).contains("王五"));
        QVERIFY(before.contains(QStringLiteral("李四/set.ini")));
        qint64 last = -1;
        qint64 total = 0;
        backup::ArchiveSummary written;
        QString error;
        QVERIFY2(backup::Backup::write(
                     t.path(), archive, [&](qint64 d, qint64 n) { last = d, total = n; }, &written, &error),
                 qPrintable(error));
        QCOMPARE(written.contacts, 2);
        QVERIFY(total > 0 && last == total);
        q.finish();
        db.close();

        backup::ArchiveSummary read;
        QVERIFY(backup::Archive::readSummary(archive, &read, &error));
        QCOMPARE(read.contacts, 2);
        QCOMPARE(read.files, written.files);

        // Everything changes, then comes back.
        QVERIFY(t.exec({QStringLiteral("delete from main"), QStringLiteral("delete from user1")}));
        QVERIFY(t.write(QStringLiteral("zzz"), "changed"));
        QVERIFY(QFile::remove(t.file(QStringLiteral("photo/张三.jpg"))));
        QVERIFY(t.write(QStringLiteral("photo/后来.jpg"), "later"));
        QVERIFY(QDir(t.file(QStringLiteral("李四"))).removeRecursively());
        QVERIFY(t.write(QStringLiteral("user.ini"), "[ok]\r\nyes=0\r\n"));
        backup::Restore::Result result;
        QVERIFY2(backup::Restore::run(t.path(), archive, {}, &result, &error), qPrintable(error));
        QCOMPARE(dataDigest(t.path()), before);
        QCOMPARE(result.summary.contacts, 2);
        // The data it replaced is kept aside, whole.
        QVERIFY(QFile::exists(result.safetyCopy + QStringLiteral("/photo/后来.jpg")));
        QVERIFY(QFile::exists(result.safetyCopy + QStringLiteral("/call.mdb")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("running"));
    QVERIFY(!QFile::exists(t.file(QStringLiteral("call.mdb-wal"))));
    if (server)
        return;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("mode"));
    db.setDatabaseName(t.file(QStringLiteral("call.mdb")));
    QVERIFY(db.open());
    QSqlQuery q(db);
    QVERIFY(q.exec(QStringLiteral("PRAGMA journal_mode")) && q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("wal")); // the restored database keeps its persistent mode
    q.finish();
    db.close();
}

void tst_backup::dataNames_data()
{
    using Kind = backup::ProgramData::Kind;
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("directory");
    QTest::addColumn<Kind>("kind");
    QTest::newRow("database") << "call.mdb" << false << Kind::File;
    QTest::newRow("database as a folder") << "call.mdb" << true << Kind::Refused;
    QTest::newRow("database companion") << "call.mdb-shm" << false << Kind::Refused;
    QTest::newRow("database companion as a folder") << "call.mdb-shm" << true << Kind::Refused;
    QTest::newRow("template settings") << "modal/set.ini" << false << Kind::File;
    QTest::newRow("template settings as a folder") << "modal/set.ini" << true << Kind::Refused;
    QTest::newRow("other file in modal") << "modal/x.ini" << false << Kind::Refused;
    QTest::newRow("photo") << "photo/张三.JPG" << false << Kind::Photo;
    QTest::newRow("photo of a long extension") << "photo/张三.jpeg" << false << Kind::Refused;
    QTest::newRow("photo below photo") << "photo/2020/张三.jpg" << false << Kind::Refused;
    QTest::newRow("hidden photo") << "photo/.张三.jpg" << false << Kind::Refused;
    QTest::newRow("user folder") << "张三" << true << Kind::UserFolder;
    QTest::newRow("user settings") << "张三/set.ini" << false << Kind::UserFile;
    QTest::newRow("other file of a user") << "张三/libx.so" << false << Kind::Refused;
    QTest::newRow("plugin folder") << "imageformats/libx.so" << false << Kind::Refused;
    QTest::newRow("backup folder") << "backup" << true << Kind::Refused;
    QTest::newRow("staging folder") << ".velloran-restore-staging" << true << Kind::Refused;
    QTest::newRow("executable") << "velloran" << false << Kind::Refused;
}

// A restore accepts only what a backup writes, by name.
void tst_backup::dataNames()
{
    QFETCH(QString, path);
    QFETCH(bool, directory);
    QFETCH(backup::ProgramData::Kind, kind);
    QCOMPARE(backup::ProgramData::kindOf(path, directory), kind);
    QCOMPARE(backup::ProgramData::MaxPhotoSize, Picture::MaxFileSize);
}

void tst_backup::refused_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("reason");
    QTest::newRow("truncated") << "truncate"
                               << "不完整";
    QTest::newRow("corrupt bytes") << "corrupt"
                                   << "损坏";
    QTest::newRow("foreign zip") << "foreign"
                                 << "不是本程序的备份档案";
    QTest::newRow("../ name") << "../evil"
                              << "不安全";
    QTest::newRow("absolute name") << "/tmp/evil"
                                   << "不安全";
    QTest::newRow("backslash name") << "photo\\..\\..\\evil"
                                    << "不安全";
    QTest::newRow("symbolic link") << "symlink"
                                   << "链接";
    QTest::newRow("executable") << "velloran"
                                << "不属于";
    QTest::newRow("unlisted entry") << "unlisted"
                                    << "清单之外";
    QTest::newRow("listed entry missing") << "missing"
                                          << "缺少";
    QTest::newRow("wrong checksum") << "checksum"
                                    << "校验和";
    QTest::newRow("database without version") << "noversion"
                                              << "缺少数据表";
    QTest::newRow("not a database") << "notdb"
                                    << "损坏";
    QTest::newRow("plugin folder") << "imageformats/libqjpeg.so"
                                   << "不属于";
    QTest::newRow("folder of no user") << "陌生人/set.ini"
                                       << "没有这个用户";
    QTest::newRow("folder in place of a file") << "photo/no.bmp/"
                                               << "应当是文件";
    QTest::newRow("photo over the limit") << "photo/大.jpg"
                                          << "大于 32 MB";
    QTest::newRow("trigger in call.mdb") << "trigger"
                                         << "触发器“wipe”";
    QTest::newRow("column missing in call.mdb") << "nocolumn"
                                                << "数据表“main”的结构与本程序的不同";
    QTest::newRow("view in qh.mdb") << "view"
                                    << "区号数据库 qh.mdb 含有本程序的数据库没有的视图";
    QTest::newRow("size beyond any file") << "2e72"
                                          << "大小或校验和有误";
}

void tst_backup::refused()
{
    QFETCH(QString, change);
    QFETCH(QString, reason);
    TestProgramDir t;
    QTemporaryDir out;
    QVERIFY(t.addContact(QStringLiteral("张三")));
    QVERIFY(t.write(QStringLiteral("zzz"), "notes"));
    const QString good = out.filePath(QStringLiteral("good.zip"));
    const QString bad = out.filePath(QStringLiteral("bad.zip"));
    QVERIFY(backup::Backup::write(t.path(), good, {}, nullptr, nullptr));

    QFile goodFile(good);
    QVERIFY(goodFile.open(QIODevice::ReadOnly));
    QByteArray bytes = goodFile.readAll();
    QList<ZipItem> items = readZip(good);
    QCOMPARE(items.last().path, backup::Manifest::entryName());
    const auto replace = [&](const QString& path, const QByteArray& data) {
        for (ZipItem& i : items) {
            if (i.path == path)
                i.data = data;
        }
    };
    if (change == QLatin1String("truncate") || change == QLatin1String("corrupt")) {
        if (change == QLatin1String("truncate"))
            bytes.truncate(bytes.size() / 2);
        else
            for (int k = 100; k < 400; ++k) // inside call.mdb's compressed data, the first entry
                bytes[k] = char(bytes[k] ^ 0x5a);
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    } else {
        if (change == QLatin1String("foreign")) {
            items = {{QStringLiteral("readme.txt"), "hello", AE_IFREG, {}}};
        } else if (change == QLatin1String("symlink")) {
            items.insert(0, {QStringLiteral("photo/x.jpg"), {}, AE_IFLNK, QStringLiteral("/etc/passwd")});
            relist(&items);
        } else if (change == QLatin1String("unlisted")) {
            items.insert(0, {QStringLiteral("photo/x.jpg"), "x", AE_IFREG, {}});
            relist(&items, {QStringLiteral("photo/x.jpg")});
        } else if (change == QLatin1String("missing")) {
            items.removeIf([](const ZipItem& i) { return i.path == QLatin1String("zzz"); });
        } else if (change == QLatin1String("checksum")) {
            replace(QStringLiteral("zzz"), "nodes");
        } else if (change == QLatin1String("noversion")) {
            replace(QStringLiteral("call.mdb"), emptyDatabase(out.filePath(QStringLiteral("other.db")),
                                                              {QStringLiteral("create table main(姓名)"),
                                                               QStringLiteral("create table user1(用户)")}));
            relist(&items);
        } else if (change == QLatin1String("notdb")) {
            replace(QStringLiteral("call.mdb"), QByteArray(8192, 'x'));
            relist(&items);
        } else if (change == QLatin1String("trigger") || change == QLatin1String("nocolumn")) {
            // The attack: every contact added afterwards deletes all the others.
            replace(QStringLiteral("call.mdb"),
                    changedDatabase(t.file(QStringLiteral("call.mdb")), out.path(),
                                    {change == QLatin1String("trigger")
                                         ? QStringLiteral("create trigger wipe after insert on main begin "
                                                          "delete from main where id <> new.id; end")
                                         : QStringLiteral("alter table main drop column 登记时间")}));
            relist(&items);
        } else if (change == QLatin1String("view")) {
            replace(QStringLiteral("qh.mdb"), changedDatabase(t.file(QStringLiteral("qh.mdb")), out.path(),
                                                              {QStringLiteral("create view v as select * from call")}));
            relist(&items);
        } else if (change == QLatin1String("2e72")) {
            for (ZipItem& i : items) {
                if (i.path == backup::Manifest::entryName())
                    i.data.replace(QByteArray("\"size\": 5,"), QByteArray("\"size\": 2e72,")); // zzz holds "notes"
            }
        } else if (change.endsWith(QLatin1Char('/'))) {
            items.removeIf([&](const ZipItem& i) { return i.path == change.chopped(1); });
            items.insert(0, {change, {}, AE_IFDIR, {}});
            relist(&items);
        } else if (change.startsWith(QLatin1String("photo/"))) {
            items.insert(0, {change, QByteArray(backup::ProgramData::MaxPhotoSize + 1, '\0'), AE_IFREG, {}});
            relist(&items);
        } else {
            items.insert(0, {change, "evil", AE_IFREG, {}});
            relist(&items);
        }
        writeZip(bad, items);
    }

    const auto before = dataDigest(t.path());
    QString error;
    QVERIFY(!backup::Archive::verify(bad, {}, nullptr, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    error.clear();
    QVERIFY(!backup::Restore::run(t.path(), bad, {}, nullptr, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(dataDigest(t.path()), before);
    QVERIFY(!QFileInfo::exists(t.file(QStringLiteral("backup"))) || QDir(t.file(QStringLiteral("backup"))).isEmpty());
    QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/evil")));
}

// Links never lead a backup or a restore out of the directory; modes come back as they were.
void tst_backup::linksAndModes()
{
    TestProgramDir t;
    QTemporaryDir out;
    const QString archive = out.filePath(QStringLiteral("a.zip"));
    QVERIFY(t.addSignInUser(QStringLiteral("李四"), QStringLiteral("1"), QStringLiteral("超级用户")));
    QVERIFY(t.write(QStringLiteral("photo/张三.jpg"), "picture"));
    const QMap<QString, int> modes{{QStringLiteral("set.ini"), 0600},
                                   {QStringLiteral("photo/张三.jpg"), 0640},
                                   {QStringLiteral("李四"), 0700},
                                   {QStringLiteral("李四/set.ini"), 0600}};
    for (auto it = modes.cbegin(); it != modes.cend(); ++it)
        QCOMPARE(::chmod(QFile::encodeName(t.file(it.key())).constData(), mode_t(it.value())), 0);
    const auto modeOf = [&](const QString& relative) {
        struct stat st;
        return ::stat(QFile::encodeName(t.file(relative)).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
    };
    QFile secret(out.filePath(QStringLiteral("secret.txt")));
    QVERIFY(secret.open(QIODevice::WriteOnly) && secret.write("private key") > 0);
    secret.close();
    QVERIFY(QFile::link(secret.fileName(), t.file(QStringLiteral("photo/外.jpg"))));
    QVERIFY(QFile::link(t.file(QStringLiteral("photo/张三.jpg")), t.file(QStringLiteral("photo/内.jpg"))));

    backup::ArchiveSummary summary;
    QString error;
    QVERIFY2(backup::Backup::write(t.path(), archive, {}, &summary, &error), qPrintable(error));
    QCOMPARE(summary.leftOut, QStringList{QStringLiteral("photo/外.jpg（链接到程序目录之外）")});
    QStringList archived;
    for (const ZipItem& item : readZip(archive)) {
        archived.append(item.path);
        QVERIFY(!item.data.contains("private key"));
    }
    QVERIFY(archived.contains(QStringLiteral("photo/内.jpg")));
    QVERIFY(!archived.contains(QStringLiteral("photo/外.jpg")));

    for (auto it = modes.cbegin(); it != modes.cend(); ++it)
        QCOMPARE(::chmod(QFile::encodeName(t.file(it.key())).constData(), 0755), 0);
    // A restore never moves the data out through a backup/ that is a link,
    QTemporaryDir elsewhere;
    QVERIFY(QFile::link(elsewhere.path(), t.file(QStringLiteral("backup"))));
    QVERIFY(!backup::Restore::run(t.path(), archive, {}, nullptr, &error));
    QVERIFY2(error.contains(QStringLiteral("backup 是一个链接")), qPrintable(error));
    QVERIFY(QDir(elsewhere.path()).isEmpty());
    QVERIFY(QFile::remove(t.file(QStringLiteral("backup"))));
    // and never deletes through a staging folder that is one.
    QVERIFY(QFile::link(out.path(), t.file(QStringLiteral(".velloran-restore-staging"))));
    QVERIFY2(backup::Restore::run(t.path(), archive, {}, nullptr, &error), qPrintable(error));
    QVERIFY(secret.exists());
    for (auto it = modes.cbegin(); it != modes.cend(); ++it)
        QCOMPARE(modeOf(it.key()), it.value());
    QCOMPARE(t.read(QStringLiteral("photo/内.jpg")), QByteArray("picture"));
}

void tst_backup::dailyOncePerDayKeepsSeven()
{
    TestProgramDir t;
    QVERIFY(t.addContact(QStringLiteral("张三")) && t.addContact(QStringLiteral("李四")));
    const QString folder = backup::DailyBackup::folder(t.path());
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/before-restore-20260101-120000")));
    QVERIFY(t.write(QStringLiteral("backup/velloran-old.zip"), "not an archive"));
    QVERIFY(backup::Backup::write(t.path(), folder + QStringLiteral("/mine.zip"), {}, nullptr, nullptr));

    const QDate first(2026, 3, 28);
    for (int day = 0; day < 10; ++day) {
        bool written = false;
        QString error;
        QVERIFY(backup::DailyBackup::isDue(t.path(), first.addDays(day)));
        QVERIFY2(backup::DailyBackup::run(t.path(), first.addDays(day), &written, &error), qPrintable(error));
        QVERIFY(written);
        QVERIFY(backup::DailyBackup::run(t.path(), first.addDays(day), &written, &error));
        QVERIFY(!written);
    }
    QStringList expected{QStringLiteral("before-restore-20260101-120000"), QStringLiteral("mine.zip"),
                         QStringLiteral("velloran-old.zip")};
    for (int day = 3; day < 10; ++day)
        expected.append(backup::DailyBackup::archiveName(first.addDays(day)));
    expected.sort();
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name), expected);

    const QList<backup::DailyBackup::Listed> listed = backup::DailyBackup::list(t.path());
    QCOMPARE(listed.size(), 9);
    int readable = 0;
    for (const backup::DailyBackup::Listed& l : listed) {
        if (l.problem.isEmpty()) {
            QCOMPARE(l.summary.contacts, 2);
            ++readable;
        } else {
            QCOMPARE(QFileInfo(l.summary.path).fileName(), QStringLiteral("velloran-old.zip"));
        }
    }
    QCOMPARE(readable, 8);
}

QTEST_GUILESS_MAIN(tst_backup)
#include "tst_backup.moc"
