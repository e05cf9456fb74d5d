// Restores replace the data only while nothing else uses it, and an interruption at any point ends as the old
// data or the new one, never a mix.
#include "backup/Archive.h"
#include "backup/Backup.h"
#include "backup/Database.h"
#include "backup/Restore.h"
#include "backup/RestoreJournal.h"
#include "store/ProgramLock.h"
#include "support/DataDigest.h"
#include "support/TestProgramDir.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Digest = QMap<QString, QByteArray>;

// The directory's files alone: what the swap of a restore moves (a server's book is replaced before the swap).
Digest files(Digest digest)
{
    if (TestProgramDir::onServer())
        digest.remove(QStringLiteral("call.mdb"));
    return digest;
}

// A directory whose archived state ("new") and current state ("old") differ in every kind of item.
struct TwoStates {
    TestProgramDir dir;
    QTemporaryDir out;
    QString archive;
    Digest newer;
    Digest older;

    bool make()
    {
        archive = out.filePath(QStringLiteral("new.zip"));
        if (!dir.addContact(QStringLiteral("新人")) || !dir.write(QStringLiteral("zzz"), "new notes") ||
            !dir.addSignInUser(QStringLiteral("张三"), QStringLiteral("1"), QStringLiteral("超级用户")))
            return false;
        newer = dataDigest(dir.path());
        if (!backup::Backup::write(dir.path(), archive, {}, nullptr, nullptr))
            return false;
        if (!dir.exec({QStringLiteral("delete from main"), QStringLiteral("delete from user1")}) ||
            !dir.addContact(QStringLiteral("旧人")) || !dir.write(QStringLiteral("zzz"), "old notes") ||
            !dir.write(QStringLiteral("photo/旧.jpg"), "old photo") ||
            !QDir(dir.file(QStringLiteral("张三"))).removeRecursively() ||
            !dir.addSignInUser(QStringLiteral("李四"), QStringLiteral("2"), QStringLiteral("普通用户")))
            return false;
        older = dataDigest(dir.path());
        return older != newer;
    }
};

} // namespace

class tst_restore : public QObject {
    Q_OBJECT
private slots:
    void refusedWhileProgramRuns();
    void interrupted_data();
    void interrupted();
    void failedSwapRollsBack();
};

void tst_restore::refusedWhileProgramRuns()
{
    TwoStates s;
    QVERIFY(s.make());
    // Each lock object is its own open file description, as another process's would be.
    store::ProgramLock running(s.dir.path());
    store::ProgramLock second(s.dir.path());
    QCOMPARE(running.tryLock(store::ProgramLock::Mode::Shared), store::ProgramLock::Result::Locked);
    QCOMPARE(second.tryLock(store::ProgramLock::Mode::Shared), store::ProgramLock::Result::Locked);
    QString error;
    QVERIFY(!backup::Restore::run(s.dir.path(), s.archive, {}, nullptr, &error));
    QVERIFY2(error.contains(QStringLiteral("正在运行")), qPrintable(error));
    QCOMPARE(dataDigest(s.dir.path()), s.older);

    running.unlock();
    second.unlock();
    {
        // A copy that holds no lock but has the database open is seen by its log.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("unlocked"));
        db.setDatabaseName(s.dir.file(QStringLiteral("call.mdb")));
        QVERIFY(db.open() && QSqlQuery(db).exec(QStringLiteral("select count(*) from main")));
        error.clear();
        QVERIFY(!backup::Restore::run(s.dir.path(), s.archive, {}, nullptr, &error));
        QVERIFY2(error.contains(QStringLiteral("正在运行")), qPrintable(error));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("unlocked"));
    QCOMPARE(dataDigest(s.dir.path()), s.older);

    // While a restore holds it, a program start is refused,
    store::ProgramLock restoring(s.dir.path());
    QCOMPARE(restoring.tryLock(store::ProgramLock::Mode::Exclusive), store::ProgramLock::Result::Locked);
    QCOMPARE(second.tryLock(store::ProgramLock::Mode::Shared), store::ProgramLock::Result::Busy);
    // and so is a backup, which would read half-swapped data.
    QVERIFY(!backup::Backup::write(s.dir.path(), s.out.filePath(QStringLiteral("x.zip")), {}, nullptr, &error));
    QVERIFY2(error.contains(QStringLiteral("正在恢复")), qPrintable(error));
    restoring.unlock();

    QVERIFY2(backup::Restore::run(s.dir.path(), s.archive, {}, nullptr, &error), qPrintable(error));
    QCOMPARE(dataDigest(s.dir.path()), s.newer);
}

// A crash after `renames` steps of the swap; -1 before the journal, -2 after the journal was removed.
void tst_restore::interrupted_data()
{
    QTest::addColumn<int>("renames");
    QTest::newRow("while unpacking") << -1;
    for (int k = 0; k <= 16; ++k)
        QTest::addRow("after %d renames", k) << k;
    QTest::newRow("journal removed, staging left") << -2;
}

void tst_restore::interrupted()
{
    QFETCH(int, renames);
    TwoStates s;
    QVERIFY(s.make());
    const QString dir = s.dir.path();
    const QString staging = dir + QLatin1Char('/') + backup::RestoreJournal::stagingName();
    QVERIFY(QDir().mkpath(staging));
    QVERIFY(backup::Archive::extract(s.archive, staging, {}, nullptr, nullptr));
    backup::RestoreJournal journal;
    if (renames != -1) {
        QVERIFY(backup::RestoreJournal::plan(dir, QDateTime::currentDateTime(), &journal, nullptr));
        QVERIFY(journal.write(dir, nullptr));
        // The fixture's swap: 8 items aside and 8 into place.
        QCOMPARE(journal.oldItems.size() + journal.newItems.size(), 16);
        QString error;
        QCOMPARE(journal.rollForward(dir, &error, renames), renames < 0 || renames >= 16);
        if (renames == -2)
            QVERIFY(QFile::remove(dir + QLatin1Char('/') + backup::RestoreJournal::fileName()));
    }

    QString error;
    QVERIFY2(backup::Restore::recover(dir, &error), qPrintable(error));
    QCOMPARE(files(dataDigest(dir)), files(renames == -1 ? s.older : s.newer));
    if (renames != -1) {
        const QString aside = dir + QLatin1Char('/') + journal.safety;
        QCOMPARE(dataDigest(aside).value(QStringLiteral("zzz")), s.older.value(QStringLiteral("zzz")));
        QVERIFY(QFile::exists(aside + QStringLiteral("/李四/set.ini")));
    }
    QVERIFY(backup::Restore::recover(dir, &error)); // nothing left to do
}

void tst_restore::failedSwapRollsBack()
{
    TwoStates s;
    QVERIFY(s.make());
    const QString dir = s.dir.path();
    const QString staging = dir + QLatin1Char('/') + backup::RestoreJournal::stagingName();
    QVERIFY(QDir().mkpath(staging));
    QVERIFY(backup::Archive::extract(s.archive, staging, {}, nullptr, nullptr));
    backup::RestoreJournal journal;
    QVERIFY(backup::RestoreJournal::plan(dir, QDateTime::currentDateTime(), &journal, nullptr));
    QVERIFY(journal.write(dir, nullptr));
    // Something appeared in the way of a new item after the plan was made: that rename fails.
    QVERIFY(s.dir.write(QStringLiteral("张三"), "in the way"));
    QString error;
    QVERIFY2(backup::Restore::recover(dir, &error), qPrintable(error));
    Digest now = files(dataDigest(dir));
    QVERIFY(now.remove(QStringLiteral("张三")));
    QCOMPARE(now, files(s.older));
    QVERIFY(!backup::RestoreJournal::exists(dir));
}

QTEST_GUILESS_MAIN(tst_restore)
#include "tst_restore.moc"
