// The running program and the backup program share one directory: a restore waits for every running copy to end,
// the program stays out while a restore works, finishes an interrupted one first, and writes its daily backup.
#include "app/Program.h"
#include "backup/Backup.h"
#include "backup/DailyBackup.h"
#include "backup/Restore.h"
#include "mainwin/Forms.h"
#include "mainwin/Tmain.h"
#include "platform/Clock.h"
#include "store/ProgramLock.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"

#include <QDir>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

class TestProgramDirectory : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Program::prepareApplication(); }
    void cleanup()
    {
        Program::shutdown();
        platform::Clock::reset();
    }

    void restoreWaitsForTheRunningProgram()
    {
        TestProgramDir dir;
        QTemporaryDir out;
        const QString archive = out.filePath(QStringLiteral("a.zip"));
        QVERIFY(backup::Backup::write(dir.path(), archive, {}, nullptr, nullptr));
        QVERIFY(dir.addContact(QStringLiteral("张三")));
        QVERIFY(Program::start(dir.path()));
        QString error;
        QVERIFY(!backup::Restore::run(dir.path(), archive, {}, nullptr, &error));
        QCOMPARE(error, backup::Restore::busyMessage());
        QCOMPARE(dir.count(QStringLiteral("main")), 1);
        Program::shutdown();
        QVERIFY2(backup::Restore::run(dir.path(), archive, {}, nullptr, &error), qPrintable(error));
        QCOMPARE(dir.count(QStringLiteral("main")), 0);
    }

    void programStaysOutWhileARestoreWorks()
    {
        TestProgramDir dir;
        store::ProgramLock restoring(dir.path());
        QCOMPARE(restoring.tryLock(store::ProgramLock::Mode::Exclusive), store::ProgramLock::Result::Locked);
        PromptRecorder prompts;
        QVERIFY(!Program::start(dir.path()));
        QVERIFY(!forms::main);
        QCOMPARE(prompts.count(), 1);
        QCOMPARE(prompts.last().text, Program::restoringMessage());
        QCOMPARE(prompts.last().caption, QStringLiteral("失败"));
        restoring.unlock();
        QVERIFY(Program::start(dir.path()));
    }

    void dailyBackupOncePerDay()
    {
        TestProgramDir dir;
        QVERIFY(dir.addContact(QStringLiteral("张三")));
        platform::Clock::setNow(QDateTime(QDate(2026, 12, 9), QTime(9, 0)));
        QVERIFY(Program::start(dir.path()));
        Program::startDailyBackup();
        Program::shutdown(); // waits for the backup
        const QString today = backup::DailyBackup::folder(dir.path()) + QLatin1Char('/') +
                              backup::DailyBackup::archiveName(QDate(2026, 12, 9));
        QVERIFY(QFileInfo(today).isFile());
        const QDateTime written = QFileInfo(today).lastModified();

        // A second start on the same day writes nothing; the next day writes the next archive.
        QVERIFY(Program::start(dir.path()));
        Program::startDailyBackup();
        Program::shutdown();
        QCOMPARE(QFileInfo(today).lastModified(), written);
        platform::Clock::setNow(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
        QVERIFY(Program::start(dir.path()));
        Program::startDailyBackup();
        Program::shutdown();
        const QList<backup::DailyBackup::Listed> listed = backup::DailyBackup::list(dir.path());
        QCOMPARE(listed.size(), 2);
        QCOMPARE(listed.first().summary.contacts, 1);
    }

    void dailyBackupFailureIsTold()
    {
        TestProgramDir dir;
        QVERIFY(dir.write(QStringLiteral("backup"), "a file where the folder belongs"));
        QVERIFY(Program::start(dir.path()));
        Program::startDailyBackup();
        QTRY_VERIFY(forms::main->StatusBar1->currentMessage().startsWith(QStringLiteral("今天的自动备份没有完成：")));
    }
};

QTEST_MAIN(TestProgramDirectory)
#include "tst_programdir.moc"
