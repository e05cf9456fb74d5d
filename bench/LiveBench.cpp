// velloran-live-bench: several desktops on one server book over an office network. A private server of its own (the
// tests' script), reached through a proxy of this benchmark that delays every byte by half the round trip each way,
// as a network with that latency would; no root, no traffic control.
//
//   velloran-live-bench [--size 100000] [--latency-ms 20]
//
// Measured as the program does it: the list's full reload (its statement, every row read), a change at another
// desktop followed (from that desktop's commit to the changed row in this desktop's list: the announcement, the
// read of what changed since the list's mark, the row put in), and a save of the modify window (its transaction:
// the record read again to find another desktop's change, the changed fields written, the commit).
// Targets: full reload ≤ 2 s, one changed row ≤ 100 ms, save ≤ 200 ms.

#include "Child.h"
#include "ContactGenerator.h"

#include "hub/RecordModel.h"
#include "mainwin/LiveUpdates.h"
#include "platform/ProgramDir.h"
#include "store/Book.h"
#include "store/BookChanges.h"
#include "store/Connection.h"
#include "store/Dataset.h"
#include "store/Ini.h"
#include "store/Query.h"
#include "store/ServerSettings.h"
#include "store/Statements.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocalSocket>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

using bench::progress;
using bench::say;

// Every byte from one end reaches the other `delayMs` later, in order. Runs in a thread of its own, so the
// benchmark's waiting never holds the network back.
class DelayProxy : public QObject {
public:
    DelayProxy(const QString& unixSocket, int delayMs) : m_target(unixSocket), m_delay(delayMs) {}

    quint16 listen()
    {
        m_server = new QTcpServer(this);
        connect(m_server, &QTcpServer::newConnection, this, &DelayProxy::accept);
        return m_server->listen(QHostAddress::LocalHost, 0) ? m_server->serverPort() : 0;
    }

private:
    void accept()
    {
        while (QTcpSocket* client = m_server->nextPendingConnection()) {
            auto* server = new QLocalSocket(this);
            client->setParent(this);
            server->connectToServer(m_target);
            pass(client, server);
            pass(server, client);
        }
    }
    // Bytes from `from` go to `to` after the delay; an end at one side ends the other, after the same delay.
    template <typename From, typename To> void pass(From* from, To* to)
    {
        const QPointer<From> source(from);
        const QPointer<To> target(to);
        // The sockets are children of the proxy: they can still disconnect while it is being destroyed, when it is
        // no DelayProxy any more and the guard is already empty.
        const QPointer<DelayProxy> self(this);
        const int delay = m_delay;
        connect(from, &From::readyRead, to, [delay, source, target] {
            const QByteArray bytes = source->readAll();
            QTimer::singleShot(delay, Qt::PreciseTimer, target, [target, bytes] { target->write(bytes); });
        });
        connect(from, &From::disconnected, to, [self, delay, source, target] {
            if (!self)
                return;
            QTimer::singleShot(delay, Qt::PreciseTimer, self, [source, target] {
                if (target) {
                    target->close();
                    target->deleteLater();
                }
                if (source)
                    source->deleteLater();
            });
        });
    }

    QTcpServer* m_server = nullptr;
    QString m_target;
    int m_delay;
};

// Statements as the book's owner, straight on the server's socket: the other desktop, and the set-up.
bool asOwner(const QString& socket, const QString& database, const QStringList& statements, QString* error)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench-owner"));
        db.setHostName(socket);
        db.setDatabaseName(database);
        db.setUserName(QStringLiteral("postgres"));
        ok = db.open();
        if (!ok)
            *error = db.lastError().text();
        QSqlQuery q(db);
        for (const QString& s : statements) {
            if (!ok)
                break;
            ok = q.exec(s);
            if (!ok)
                *error = q.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-owner"));
    return ok;
}

double ms(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// The list's statement, every row read into the list's cells.
bool fullReload(store::Connection& c, std::vector<RecordRow>* rows, QString* error)
{
    rows->clear();
    store::Query q(c, store::sql::ListMainNewestFirst);
    if (!q.exec()) {
        *error = q.errorText();
        return false;
    }
    while (q.next()) {
        RecordRow row;
        for (size_t k = 0; k < 6; ++k)
            row.cells[k] = q.text(int(k));
        rows->push_back(std::move(row));
    }
    return true;
}

// The modify window's save of one changed field, from the press of its button; *ms is what the press costs (the
// window read the record when it opened).
bool save(store::Connection& c, const QString& name, const QString& mobile, double* ms, QString* error)
{
    store::Dataset ago(QStringLiteral("main"), QStringLiteral("id"));
    ago.setConnection(&c);
    ago.setStatement(store::sql::SelectMainByName);
    ago.setParameter(QStringLiteral("username"), name);
    if (!ago.open() || !ago.edit()) {
        *error = ago.errorText();
        return false;
    }
    ago.setField(QStringLiteral("手机"), mobile);
    QElapsedTimer t;
    t.start();
    QSqlRecord now;
    bool found = false;
    const bool ok = c.beginTransaction(error) && ago.reread(&now, &found) && found && ago.clashes(now).isEmpty() &&
                    ago.post() && c.commit(error);
    *ms = double(t.nsecsElapsed()) / 1e6;
    if (!ok) {
        c.rollback();
        if (error->isEmpty())
            *error = ago.errorText().isEmpty() ? QStringLiteral("unexpected clash") : ago.errorText();
    }
    return ok;
}

int run(int size, int latency)
{
    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/velloran-live-bench-XXXXXX"));
    const QString folder = work.filePath(QStringLiteral("pg"));
    const QString socket = folder + QStringLiteral("/sock");
    QString error;
    const auto stop = qScopeGuard([&] { bench::serverScript({QStringLiteral("stop"), folder}); });
    progress(QStringLiteral("starting a private server"));
    if (!bench::serverScript({QStringLiteral("start"), folder, QStringLiteral(VELLORAN_PROGRAM_DIR "/data")}, &error)) {
        say(QStringLiteral("FAILED: %1").arg(error));
        return 1;
    }
    progress(QStringLiteral("%1 contacts").arg(size));
    const QString book = QStringLiteral("live");
    const QString dir = work.filePath(QStringLiteral("desktop"));
    if (!asOwner(socket, QStringLiteral("postgres"),
                 {QStringLiteral("create database live template velloran_template")}, &error) ||
        !asOwner(socket, book,
                 {QStringLiteral("insert into main (姓名,性别,生月,生日,关系,电话,手机,小灵通,住址,备注,照片,登记时间) "
                                 "select '联系人' || i, case when i % 2 = 0 then '男' else '女' end, 0, 0, '朋友', "
                                 "'0351-' || i, '139' || lpad(i::text, 8, '0'), ' ', '太原市迎泽大街' || i || '号', "
                                 "' ', 'no.bmp', '2026年12月01日' from generate_series(1, %1) i")
                      .arg(size),
                  QStringLiteral("analyze")},
                 &error) ||
        !bench::copyProgramDir(QStringLiteral(VELLORAN_PROGRAM_DIR), dir, &error)) {
        say(QStringLiteral("FAILED: %1").arg(error));
        return 1;
    }

    QThread network;
    auto* proxy = new DelayProxy(socket + QStringLiteral("/.s.PGSQL.5432"), latency / 2);
    proxy->moveToThread(&network);
    QObject::connect(&network, &QThread::finished, proxy, &QObject::deleteLater);
    network.start();
    quint16 port = 0;
    QMetaObject::invokeMethod(
        proxy, [&] { port = proxy->listen(); }, Qt::BlockingQueuedConnection);
    const auto quit = qScopeGuard([&] {
        network.quit();
        network.wait();
    });
    if (port == 0 || !store::Ini::write(store::ServerSettings::iniFile(dir), QStringLiteral("server"),
                                        {{QStringLiteral("host"), QStringLiteral("127.0.0.1")},
                                         {QStringLiteral("port"), QString::number(port)},
                                         {QStringLiteral("dbname"), book},
                                         {QStringLiteral("user"), QStringLiteral("velloran_app")},
                                         {QStringLiteral("sslmode"), QStringLiteral("disable")}},
                                        &error)) {
        say(QStringLiteral("FAILED: the proxy: %1").arg(error));
        return 1;
    }
    platform::ProgramDir::set(dir);
    store::Book::choose(dir);
    store::Connection c(QStringLiteral("main.acper"), store::Book::fileName());

    progress(QStringLiteral("full reload"));
    std::vector<RecordRow> rows;
    std::vector<double> reloads;
    qint64 mark = 0;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        if (!store::BookChanges::mark(c, &mark, &error) || !fullReload(c, &rows, &error)) {
            say(QStringLiteral("FAILED: reload: %1").arg(error));
            return 1;
        }
        reloads.push_back(ms(t));
    }
    RecordModel model;
    model.setRows(std::vector<RecordRow>(rows));

    progress(QStringLiteral("a change at another desktop"));
    store::BookChanges changes;
    changes.start();
    std::vector<double> follows;
    std::vector<double> reads;
    for (int i = 0; i < 5; ++i) {
        QEventLoop loop;
        const auto heard = QObject::connect(&changes, &store::BookChanges::contactsChanged, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        if (!asOwner(
                socket, book,
                {QStringLiteral("update main set 手机 = '138%1' where 姓名 = '联系人%2'").arg(i).arg(size / 2 + i)},
                &error)) {
            say(QStringLiteral("FAILED: the other desktop: %1").arg(error));
            return 1;
        }
        QElapsedTimer t;
        t.start();
        loop.exec();
        QObject::disconnect(heard);
        QElapsedTimer r;
        r.start();
        store::BookChanges::Delta delta;
        if (!store::BookChanges::since(c, mark, LiveUpdates::MostRows, &delta, &error) ||
            !LiveUpdates::applyTo(model, delta)) {
            say(QStringLiteral("FAILED: following: %1")
                    .arg(error.isEmpty() ? QStringLiteral("no row changed") : error));
            return 1;
        }
        mark = delta.mark;
        reads.push_back(ms(r));
        follows.push_back(ms(t));
    }

    progress(QStringLiteral("saves"));
    std::vector<double> saves;
    for (int i = 0; i < 5; ++i) {
        double took = 0;
        if (!save(c, QStringLiteral("联系人%1").arg(size / 3 + i), QStringLiteral("137%1").arg(i), &took, &error)) {
            say(QStringLiteral("FAILED: save: %1").arg(error));
            return 1;
        }
        saves.push_back(took);
    }
    c.close();

    say(QStringLiteral("%1 contacts, %2 ms added round trip (medians)").arg(size).arg(latency));
    say(QStringLiteral("  full reload (%1 rows):             %2 ms   target ≤ 2000")
            .arg(rows.size())
            .arg(median(reloads), 0, 'f', 0));
    say(QStringLiteral("  one changed row, commit to list:   %1 ms   target ≤ 100").arg(median(follows), 0, 'f', 1));
    say(QStringLiteral("    of which reading and applying:   %1 ms").arg(median(reads), 0, 'f', 1));
    say(QStringLiteral("  save of the modify window:         %1 ms   target ≤ 200").arg(median(saves), 0, 'f', 1));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int size = 100000;
    int latency = 20;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--size"))
            size = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--latency-ms"))
            latency = args[i + 1].toInt();
    }
    if (size <= 0 || latency < 0) {
        say(QStringLiteral("usage: velloran-live-bench [--size 100000] [--latency-ms 20]"));
        return 2;
    }
    return run(size, latency);
}
