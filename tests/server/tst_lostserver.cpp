// A server that dies under a running program: every server process killed (kill -9) and started again, on a private
// server of this suite's own so that no other suite loses its server. A save keeps what was typed and works once the
// server is back; a deletion of 10,000 rows cut short (the server killed, or only the connection ended) leaves every
// row.
#include "app/Program.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/Forms.h"
#include "mainwin/Tmain.h"
#include "store/Ini.h"
#include "support/ModalWindow.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"
#include "support/Typing.h"

#include <QDir>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <memory>
#include <unistd.h>

namespace {

// The tests' script makes the server; this class kills it and starts it again.
class PrivateServer {
public:
    explicit PrivateServer(const QString& folder) : m_folder(folder) {}
    ~PrivateServer() { script({QStringLiteral("stop"), m_folder}); }

    bool start()
    {
        return script({QStringLiteral("start"), m_folder, QStringLiteral(VELLORAN_PROGRAM_DIR "/data")});
    }
    // No process of this id runs any more (a zombie runs nothing).
    static bool gone(pid_t pid)
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            return true;
        const QByteArray line = stat.readAll();
        return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
    }
    QString socket() const { return m_folder + QStringLiteral("/sock"); }
    QString data() const { return QDir(m_folder).canonicalPath() + QStringLiteral("/data"); }

    // SIGKILL to the postmaster and every process it started, as a crash or a pulled plug ends them.
    bool kill() const
    {
        QFile pidFile(data() + QStringLiteral("/postmaster.pid"));
        if (!pidFile.open(QIODevice::ReadOnly))
            return false;
        const pid_t postmaster = pid_t(pidFile.readLine().trimmed().toInt());
        QList<pid_t> victims{postmaster};
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
            if (entry.toInt() <= 0 || !stat.open(QIODevice::ReadOnly))
                continue;
            // pid (comm) state ppid …; the name in parentheses may hold spaces.
            const QByteArray line = stat.readAll();
            const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (rest.size() > 1 && rest[1].toInt() == postmaster)
                victims.append(pid_t(entry.toInt()));
        }
        for (pid_t pid : victims)
            ::kill(pid, SIGKILL);
        // Gone once nothing of them holds the server's shared memory any more; a new server is refused before.
        return postmaster > 0 &&
               QTest::qWaitFor([&victims] { return std::all_of(victims.cbegin(), victims.cend(), gone); });
    }

    bool restart() const
    {
        // A killed postmaster whose parent never collects it stays a zombie, which its lock files take for a running
        // server: the locks of a process that is gone are removed, as an administrator would after a crash.
        QFile pidFile(data() + QStringLiteral("/postmaster.pid"));
        if (pidFile.open(QIODevice::ReadOnly) && gone(pid_t(pidFile.readLine().trimmed().toInt()))) {
            pidFile.remove();
            QFile::remove(socket() + QStringLiteral("/.s.PGSQL.5432.lock"));
        }
        const QString bin = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot,
                                                                                    QDir::Name | QDir::Reversed)
                                .value(0);
        QStringList command{QStringLiteral("/usr/lib/postgresql/%1/bin/pg_ctl").arg(bin),
                            QStringLiteral("-D"),
                            data(),
                            QStringLiteral("-l"),
                            QDir(m_folder).canonicalPath() + QStringLiteral("/server.log"),
                            QStringLiteral("-w"),
                            QStringLiteral("-t"),
                            QStringLiteral("60"),
                            QStringLiteral("start")};
        if (::getuid() == 0)
            command = QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--")} + command;
        QProcess p;
        p.start(::getuid() == 0 ? QStringLiteral("runuser") : command.takeFirst(), command);
        const bool ok = p.waitForFinished(90000) && p.exitCode() == 0;
        if (!ok)
            qWarning("pg_ctl: %s", p.readAll().constData());
        if (!ok) {
            QFile log(QDir(m_folder).canonicalPath() + QStringLiteral("/server.log"));
            log.open(QIODevice::ReadOnly);
            qWarning("log: %s", log.readAll().right(1500).constData());
        }
        return ok;
    }

    // Statements as the server's owner.
    bool exec(const QString& database, const QStringList& statements, QString* value = nullptr) const
    {
        const QString name = QUuid::createUuid().toString();
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            db.setHostName(socket());
            db.setDatabaseName(database);
            db.setUserName(QStringLiteral("postgres"));
            ok = db.open();
            QSqlQuery q(db);
            for (const QString& s : statements) {
                ok = ok && q.exec(s);
                if (!ok)
                    qWarning("%s: %s", qPrintable(s), qPrintable(q.lastError().text()));
            }
            if (ok && value && q.next())
                *value = q.value(0).toString();
        }
        QSqlDatabase::removeDatabase(name);
        return ok;
    }

private:
    bool script(const QStringList& arguments) const
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(VELLORAN_SOURCE_DIR "/tests/server/pg-server.sh"), arguments);
        const bool ok = p.waitForFinished(120000) && p.exitCode() == 0;
        if (!ok)
            qWarning("pg-server.sh: %s", p.readAll().constData());
        return ok;
    }

    QString m_folder;
};

Tmain* w()
{
    return forms::main;
}

} // namespace

class tst_lostserver : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<PrivateServer> m_server;
    std::unique_ptr<TestProgramDir> m_dir;
    std::unique_ptr<PromptRecorder> m_prompts;

    QString value(const QString& select) const
    {
        QString v;
        return m_server->exec(QStringLiteral("book"), {select}, &v) ? v : QStringLiteral("(failed)");
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(TestProgramDir::onServer(), "runs beside the tests' private server only");
        Program::prepareApplication();
        m_server = std::make_unique<PrivateServer>(m_folder.filePath(QStringLiteral("pg")));
        QVERIFY(m_server->start());
        // The script's server may lose its last commits when it dies, for speed; this one must not.
        QVERIFY(m_server->exec(QStringLiteral("postgres"), {QStringLiteral("alter system set synchronous_commit = on"),
                                                            QStringLiteral("select pg_reload_conf()")}));
    }

    void cleanupTestCase() { m_server.reset(); }

    // A program directory whose book is a fresh one on this suite's own server.
    void init()
    {
        m_dir = std::make_unique<TestProgramDir>();
        m_prompts = std::make_unique<PromptRecorder>();
        QVERIFY(m_server->exec(QStringLiteral("postgres"), {QStringLiteral("drop database if exists book"),
                                                            QStringLiteral("create database book template "
                                                                           "velloran_template")}));
        QVERIFY(store::Ini::write(m_dir->file(QStringLiteral("server.ini")), QStringLiteral("server"),
                                  {{QStringLiteral("host"), m_server->socket()},
                                   {QStringLiteral("dbname"), QStringLiteral("book")},
                                   {QStringLiteral("user"), QStringLiteral("velloran_app")}}));
    }

    void cleanup()
    {
        Program::shutdown();
        m_prompts.reset();
        m_dir.reset();
    }

    void killedDuringASaveKeepsTheTypedValues()
    {
        QVERIFY(m_server->exec(QStringLiteral("book"),
                               {QStringLiteral("insert into main (姓名, 手机) values ('张三', '130')")}));
        QVERIFY(Program::start(m_dir->path()));
        w()->ListView1->selectRow(0);
        QVERIFY(driveModal(QStringLiteral("gai"), [] { w()->N7Click(); }, [&](QWidget* gai) {
            QLineEdit* mobile = gai->findChild<QLineEdit*>(QStringLiteral("DBEdit3"));
            QPushButton* save = gai->findChild<QPushButton*>(QStringLiteral("Button1"));
            mobile->clear();
            typeText(mobile, QStringLiteral("136"));
            QVERIFY(m_server->kill());
            QTest::mouseClick(save, Qt::LeftButton);
            QCOMPARE(m_prompts->count(), 1);
            const QString said = m_prompts->last().text;
            QVERIFY2(said.contains(m_server->socket()) && said.contains(QStringLiteral("没有保存")), qPrintable(said));
            QVERIFY(gai->isVisible());
            QCOMPARE(mobile->text(), QStringLiteral("136"));

            QVERIFY(m_server->restart());
            QTRY_VERIFY((QTest::mouseClick(save, Qt::LeftButton), !gai->isVisible()));
        }));
        QCOMPARE(value(QStringLiteral("select 手机 from main")), QStringLiteral("136"));
    }

    void deletionCutShortLeavesEveryRow_data()
    {
        QTest::addColumn<bool>("killed");
        QTest::newRow("connection ended, server alive") << false;
        QTest::newRow("server killed") << true;
    }

    // A deletion of 10,000 rows in one transaction that loses its server half way stores nothing, and does not go on
    // with the rest on a new connection either: the user is told once, and every row is still there.
    void deletionCutShortLeavesEveryRow()
    {
        QFETCH(bool, killed);
        QVERIFY(m_server->exec(QStringLiteral("book"),
                               {QStringLiteral("insert into main (姓名, 手机) select 'n' || i, '130' "
                                               "from generate_series(1, 10000) i")}));
        QVERIFY(Program::start(m_dir->path()));
        QCOMPARE(w()->ListView1->count(), 10000);
        std::atomic_bool cut = false;
        std::atomic_bool stop = false;
        // Once the deletion's transaction has changed rows, its connection or the whole server ends.
        QThread* cutter = QThread::create([&] {
            const QString writing = QStringLiteral("from pg_stat_activity where datname = current_database() and "
                                                   "backend_xid is not null");
            while (!stop && !cut) {
                QString found;
                if (killed && m_server->exec(QStringLiteral("book"), {"select count(*) " + writing}, &found) &&
                    found.toInt() > 0)
                    cut = m_server->kill();
                else if (!killed)
                    cut = m_server->exec(QStringLiteral("book"), {"select pg_terminate_backend(pid, 5000) " + writing},
                                         &found) &&
                          found == QStringLiteral("true");
                QThread::msleep(5);
            }
        });
        cutter->start();
        w()->ListView1->selectionModel()->select(
            QItemSelection(w()->ListView1->model()->index(0, 0), w()->ListView1->model()->index(9999, 0)),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_prompts->setAnswer(QMessageBox::Yes);
        w()->N10Click();
        stop = true;
        cutter->wait();
        delete cutter;
        QVERIFY2(cut, "the deletion ended before it could be cut short");
        QCOMPARE(m_prompts->count(), 2); // the question, then what went wrong
        QVERIFY2(m_prompts->last().text.contains(m_server->socket()), qPrintable(m_prompts->last().text));
        QCOMPARE(w()->ListView1->count(), 10000);
        QVERIFY(!killed || m_server->restart());
        QCOMPARE(value(QStringLiteral("select count(*) from main")), QStringLiteral("10000"));
    }
};

QTEST_MAIN(tst_lostserver)
#include "tst_lostserver.moc"
