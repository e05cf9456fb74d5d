#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QUuid>
#include <QtTest>

namespace {

QByteArray contents(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void put(const QString& file, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile f(file);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(file));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Runs statements on a database file through a connection of its own, closed again at once (so a WAL file is
// checkpointed and gone before the bytes are compared). The last statement's first column, row by row.
QStringList run(const QString& file, const QStringList& statements)
{
    const QString name = QUuid::createUuid().toString();
    QStringList result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setConnectOptions("QSQLITE_OPEN_URI");
        db.setDatabaseName(QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) + "?mode=rw");
        if (!db.open())
            return {"<open failed>"};
        for (const QString& s : statements) {
            QSqlQuery q(db);
            if (!q.exec(s))
                return {"<failed: " + s + ">"};
            result.clear();
            while (q.next())
                result.append(q.value(0).toString());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

} // namespace

class TestLayout : public QObject
{
    Q_OBJECT

private:
    static QString generated() { return QStringLiteral(VELLORAN_BINARY_DIR "/generated"); }
    static QString data() { return QStringLiteral(VELLORAN_SOURCE_DIR "/data"); }

    static void layOut(const QString& dest)
    {
        QProcess cmake;
        cmake.setProcessChannelMode(QProcess::MergedChannels);
        cmake.start("cmake", {"-DDEST=" + dest, "-DGENERATED=" + generated(), "-DDATA=" + data(), "-P",
                              QStringLiteral(VELLORAN_SOURCE_DIR "/cmake/LayOut.cmake")});
        QVERIFY2(cmake.waitForFinished(60000), "cmake did not finish");
        const QByteArray output = cmake.readAll();
        QVERIFY2(cmake.exitStatus() == QProcess::NormalExit && cmake.exitCode() == 0, output.constData());
    }

    // Same as layOut(), with every hard link refused as on a FAT stick; false when strace cannot do that here.
    static bool layOutWithoutHardLinks(const QString& dest, QByteArray* output, int* exitCode)
    {
        const QString strace = QStandardPaths::findExecutable("strace");
        if (strace.isEmpty() || QProcess::execute(strace, {"-o", "/dev/null", "true"}) != 0)
            return false;
        QProcess cmake;
        cmake.setProcessChannelMode(QProcess::MergedChannels);
        cmake.start(strace, {"-f", "-o", "/dev/null", "-e", "inject=link,linkat:error=EPERM", "cmake",
                             "-DDEST=" + dest, "-DGENERATED=" + generated(), "-DDATA=" + data(), "-P",
                             QStringLiteral(VELLORAN_SOURCE_DIR "/cmake/LayOut.cmake")});
        if (!cmake.waitForFinished(60000))
            return false;
        *output = cmake.readAll();
        *exitCode = cmake.exitStatus() == QProcess::NormalExit ? cmake.exitCode() : -1;
        return true;
    }

    static QStringList leftovers(const QString& dir)
    {
        QStringList found;
        QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.endsWith(".new"))
                found.append(path);
        }
        return found;
    }

private slots:
    void freshDirectory()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString dest = tmp.filePath(QString::fromUtf8("程序 目录")); // created by the layout itself
        layOut(dest);
        if (QTest::currentTestFailed())
            return;
        const QDir d(dest);

        QCOMPARE(run(d.filePath("call.mdb"), {"select name from sqlite_master where type='table' and name in "
                                              "('main','user1','version') order by name"}),
                 QStringList({"main", "user1", "version"}));
        QCOMPARE(run(d.filePath("call.mdb"), {"select count(*) from main"}), QStringList{"0"});
        QCOMPARE(run(d.filePath("call.mdb"), {"PRAGMA journal_mode"}), QStringList{"wal"});
        QCOMPARE(run(d.filePath("qh.mdb"), {"select count(*) from call"}), QStringList{"362"});

        QVERIFY(QFileInfo(d.filePath("zzz")).isFile());
        QCOMPARE(QFileInfo(d.filePath("zzz")).size(), 0);
        QCOMPARE(contents(d.filePath("set.ini")), contents(data() + "/set.ini"));
        QCOMPARE(contents(d.filePath("modal/set.ini")), contents(data() + "/modal/set.ini"));

        QImageReader reader(d.filePath("photo/no.bmp"));
        QCOMPARE(reader.format(), QByteArray("bmp"));
        const QImage picture = reader.read();
        QVERIFY2(!picture.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(picture.size(), QSize(92, 113));

        QVERIFY(!QFile::exists(d.filePath("user.ini")));
        QCOMPARE(leftovers(dest), QStringList());
    }

    void userDataSurvivesAnotherLayout()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString dest = tmp.path();
        layOut(dest);
        if (QTest::currentTestFailed())
            return;
        const QDir d(dest);

        QCOMPARE(run(d.filePath("call.mdb"), {QString::fromUtf8("insert into main (姓名, 手机) values ('张三', '139')"),
                                              "select count(*) from main"}),
                 QStringList{"1"});
        QVERIFY(!QFile::exists(d.filePath("call.mdb-wal")));
        put(d.filePath("zzz"), QString::fromUtf8("记事：明天开会\r\n").toUtf8());
        put(d.filePath("set.ini"), "[set]\r\nchanged=1\r\n");
        put(d.filePath("modal/set.ini"), "[user]\r\nname=modal changed\r\n");
        put(d.filePath("user.ini"), "[ok]\r\nyes=1\r\n");
        put(d.filePath(QString::fromUtf8("张三/set.ini")), "[user]\r\nname=zs\r\n");
        put(d.filePath(QString::fromUtf8("photo/张三.jpg")), QByteArray("\xFF\xD8\xFF\xE0 not really a jpeg", 22));
        put(d.filePath("photo/no.bmp"), "the user's own placeholder");
        put(d.filePath("qh.mdb"), "tampered");

        const QStringList kept = {"call.mdb", "zzz", "set.ini", "modal/set.ini", "user.ini", "photo/no.bmp",
                                  QString::fromUtf8("张三/set.ini"), QString::fromUtf8("photo/张三.jpg")};
        QHash<QString, QByteArray> before;
        for (const QString& f : kept)
            before.insert(f, contents(d.filePath(f)));

        layOut(dest);
        if (QTest::currentTestFailed())
            return;

        for (const QString& f : kept)
            QVERIFY2(contents(d.filePath(f)) == before.value(f), qPrintable(f + " changed"));
        QCOMPARE(run(d.filePath("call.mdb"), {QString::fromUtf8("select 手机 from main where 姓名='张三'")}),
                 QStringList{"139"});
        QCOMPARE(contents(d.filePath("qh.mdb")), contents(generated() + "/qh.mdb"));
        QCOMPARE(run(d.filePath("qh.mdb"), {"select count(*) from call"}), QStringList{"362"});
        QCOMPARE(leftovers(dest), QStringList());
    }

    void missingPiecesComeBackAlone()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QDir d(tmp.path());
        put(d.filePath("set.ini"), "[set]\r\nmine=1\r\n");
        put(d.filePath("call.mdb.new"), "stale copy of an interrupted layout");
        layOut(tmp.path());
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(contents(d.filePath("set.ini")), QByteArray("[set]\r\nmine=1\r\n"));
        QCOMPARE(run(d.filePath("call.mdb"), {"select count(*) from user1"}), QStringList{"0"});
        QCOMPARE(leftovers(tmp.path()), QStringList());
    }

    void strayWalOfAVanishedDatabaseIsSetAside()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QDir d(tmp.path());
        // A WAL with committed rows of another database, left behind when its database file went away.
        QByteArray wal;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "old");
            db.setDatabaseName(d.filePath("old.mdb"));
            QVERIFY(db.open());
            QSqlQuery q(db);
            for (const char* s : {"PRAGMA journal_mode=WAL", "PRAGMA wal_autocheckpoint=0",
                                  "create table main (姓名 text)", "insert into main values ('old row')"})
                QVERIFY(q.exec(QString::fromUtf8(s)));
            q.finish();
            wal = contents(d.filePath("old.mdb-wal"));
            db.close();
        }
        QSqlDatabase::removeDatabase("old");
        QVERIFY(wal.size() > 32);
        put(d.filePath("call.mdb-wal"), wal);

        layOut(tmp.path());
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(run(d.filePath("call.mdb"), {"select name from sqlite_master where type='table' and name in "
                                              "('main','user1','version') order by name"}),
                 QStringList({"main", "user1", "version"}));
        QCOMPARE(run(d.filePath("call.mdb"), {"select count(*) from main"}), QStringList{"0"});
        const QStringList aside = d.entryList({"call.mdb-wal.orphan-*"}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(contents(d.filePath(aside.first())), wal);
    }

    void fileSystemWithoutHardLinks()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QDir d(tmp.path());
        put(d.filePath("set.ini"), "[set]\r\nmine=1\r\n");
        QByteArray output;
        int exitCode = -1;
        if (!layOutWithoutHardLinks(tmp.path(), &output, &exitCode))
            QSKIP("strace cannot refuse hard links here");
        QVERIFY2(exitCode == 0, output.constData());
        for (const char* f : {"call.mdb", "qh.mdb", "modal/set.ini", "photo/no.bmp", "zzz"})
            QVERIFY2(QFileInfo(d.filePath(f)).isFile(), f);
        QCOMPARE(run(d.filePath("call.mdb"), {"select count(*) from user1"}), QStringList{"0"});
        QCOMPARE(contents(d.filePath("set.ini")), QByteArray("[set]\r\nmine=1\r\n"));
        QCOMPARE(leftovers(tmp.path()), QStringList());
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
