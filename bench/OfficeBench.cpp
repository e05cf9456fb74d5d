// velloran-office-bench: the contact book on a local PostgreSQL server beside the embedded file, at the same
// sizes: start→shown, reload, search, import and backup.
//
//   velloran-office-bench [--sizes 1000,10000,100000]
//
// It starts a private server of its own (the tests' script: a data folder and a Unix socket in a temporary
// folder, no TCP port) and always stops it. Each size gets an embedded program directory of invented contacts
// and a copy whose book data server push has put on the server; the window is measured by velloran-bench's
// measuring child, import and backup here. Target at 100,000 contacts: each figure of the server within 2 × the
// embedded file's.

#include "Child.h"
#include "Clocks.h"
#include "ContactGenerator.h"

#include "backup/Backup.h"
#include "backup/ServerCommands.h"
#include "exchange/Exporter.h"
#include "exchange/Importer.h"
#include "platform/ProgramDir.h"
#include "store/Book.h"
#include "store/Connection.h"
#include "store/Ini.h"
#include "store/ServerSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using bench::progress;
using bench::say;

constexpr int kTargetSize = 100000;
constexpr double kTargetRatio = 2.0;

struct Store {
    double shownMs = -1;
    double reloadMs = -1;
    double searchMs = -1;
    double importMs = -1;
    double backupMs = -1;
};

struct Size {
    int size = 0;
    Store embedded;
    Store server;
    QString error;
};

// The private server: started by the tests' own script, stopped by it whatever happens.
class Server {
public:
    explicit Server(const QString& folder) : m_folder(folder) {}
    ~Server() { bench::serverScript({QStringLiteral("stop"), m_folder}); }
    bool start(QString* error)
    {
        return bench::serverScript({QStringLiteral("start"), m_folder, QStringLiteral(VELLORAN_PROGRAM_DIR "/data")},
                                   error);
    }
    QString socket() const { return m_folder + QStringLiteral("/sock"); }
    // A new, empty book made from the template, reached as the least-privileged role.
    bool makeBook(const QString& programDir, const QString& name, QString* error)
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench-admin"));
            db.setHostName(socket());
            db.setDatabaseName(QStringLiteral("postgres"));
            db.setUserName(QStringLiteral("postgres"));
            QSqlQuery q(db);
            const bool made =
                db.open() && q.exec(QStringLiteral("create database %1 template velloran_template").arg(name));
            if (!made)
                *error = q.lastError().isValid() ? q.lastError().text() : db.lastError().text();
            q.finish();
            db.close();
            if (!made)
                return false;
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bench-admin"));
        return store::Ini::write(store::ServerSettings::iniFile(programDir), QStringLiteral("server"),
                                 {{QStringLiteral("host"), socket()},
                                  {QStringLiteral("dbname"), name},
                                  {QStringLiteral("user"), QStringLiteral("velloran_app")}},
                                 error);
    }

private:
    QString m_folder;
};

double elapsedMs(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

bool timedBackup(const QString& dir, const QString& archive, double* ms, QString* error)
{
    QElapsedTimer t;
    t.start();
    if (!backup::Backup::write(dir, archive, {}, nullptr, error))
        return false;
    *ms = elapsedMs(t);
    return true;
}

bool timedImport(const QString& dir, const QString& file, int expected, double* ms, QString* error)
{
    platform::ProgramDir::set(dir);
    store::Connection connection(QStringLiteral("bench.import"), QStringLiteral("call.mdb"));
    exchange::ImportReport report;
    QElapsedTimer t;
    t.start();
    if (!connection.open(error) || !exchange::Importer(connection).importFile(file, &report, error))
        return false;
    *ms = elapsedMs(t);
    if (report.imported != expected) {
        *error = QStringLiteral("%1 of %2 imported").arg(report.imported).arg(expected);
        return false;
    }
    return true;
}

bool exportAll(const QString& dir, const QString& file, QString* error)
{
    platform::ProgramDir::set(dir);
    store::Connection connection(QStringLiteral("bench.export"), QStringLiteral("call.mdb"));
    exchange::ExportReport report;
    return connection.open(error) && exchange::Exporter(connection).exportAll(file, &report, error);
}

// The window's figures, from velloran-bench's measuring child (it ends by deleting every contact).
bool measureWindow(const QString& dir, int rows, Store* s, QString* error)
{
    QHash<QString, QString> values;
    qint64 launchNs = 0;
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/velloran-bench");
    if (!bench::runChildProcess({QStringLiteral("--measure"), dir, QStringLiteral("--expect"), QString::number(rows)},
                                &values, error, &launchNs, program))
        return false;
    std::vector<double> reloads;
    for (const QString& v : values.value(QStringLiteral("reload_ms")).split(QLatin1Char(','), Qt::SkipEmptyParts))
        reloads.push_back(v.toDouble());
    std::sort(reloads.begin(), reloads.end());
    s->shownMs = bench::msBetween(launchNs, values.value(QStringLiteral("shown_ns")).toLongLong());
    s->reloadMs = reloads.empty() ? -1 : reloads[reloads.size() / 2];
    s->searchMs = values.value(QStringLiteral("search_single_ms")).toDouble();
    return true;
}

bool measureSize(Server& server, Size* m, QString* error)
{
    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/velloran-office-bench-%1-XXXXXX").arg(m->size));
    const QString embedded = work.filePath(QStringLiteral("embedded"));
    const QString office = work.filePath(QStringLiteral("office"));
    const QString tag = QString::number(m->size);
    progress(QStringLiteral("%1 contacts: generating, and pushing a copy to the server").arg(m->size));
    if (!bench::copyProgramDir(QStringLiteral(VELLORAN_PROGRAM_DIR), embedded, error))
        return false;
    const int rows = bench::fillContacts(embedded + QStringLiteral("/call.mdb"), m->size, error);
    QString done;
    store::ServerSettings settings;
    if (rows < 0 || !bench::copyProgramDir(embedded, office, error) ||
        !server.makeBook(office, QStringLiteral("book") + tag, error) ||
        !store::ServerSettings::load(office, &settings, error) ||
        !backup::ServerCommands::push(office, settings, &done, error))
        return false;

    progress(QStringLiteral("%1 contacts: backup and import").arg(m->size));
    const QString vcf = work.filePath(QStringLiteral("contacts.vcf"));
    const QString intoEmbedded = work.filePath(QStringLiteral("import-embedded"));
    const QString intoOffice = work.filePath(QStringLiteral("import-office"));
    if (!timedBackup(embedded, work.filePath(QStringLiteral("e.zip")), &m->embedded.backupMs, error) ||
        !timedBackup(office, work.filePath(QStringLiteral("o.zip")), &m->server.backupMs, error) ||
        !exportAll(embedded, vcf, error) ||
        !bench::copyProgramDir(QStringLiteral(VELLORAN_PROGRAM_DIR), intoEmbedded, error) ||
        !bench::copyProgramDir(QStringLiteral(VELLORAN_PROGRAM_DIR), intoOffice, error) ||
        !server.makeBook(intoOffice, QStringLiteral("import") + tag, error) ||
        !timedImport(intoEmbedded, vcf, rows, &m->embedded.importMs, error) ||
        !timedImport(intoOffice, vcf, rows, &m->server.importMs, error))
        return false;
    store::Book::forget();

    progress(QStringLiteral("%1 contacts: the window on each store").arg(m->size));
    return measureWindow(embedded, rows, &m->embedded, error) && measureWindow(office, rows, &m->server, error);
}

QString fixed(double value)
{
    return value < 0 ? QStringLiteral("n/a") : QString::number(value, 'f', 1);
}

void print(const std::vector<Size>& all)
{
    say(QString());
    say(QStringLiteral("contacts | store    | start→shown ms | reload ms | search ms | import ms | backup ms"));
    say(QStringLiteral("---------+----------+----------------+-----------+-----------+-----------+----------"));
    for (const Size& m : all) {
        if (!m.error.isEmpty()) {
            say(QStringLiteral("%1 | failed: %2").arg(m.size, 8).arg(m.error));
            continue;
        }
        for (const auto& [name, s] : {std::pair{"embedded", m.embedded}, std::pair{"server", m.server}}) {
            say(QStringLiteral("%1 | %2 | %3 | %4 | %5 | %6 | %7")
                    .arg(m.size, 8)
                    .arg(QString::fromLatin1(name).leftJustified(8), fixed(s.shownMs).rightJustified(14),
                         fixed(s.reloadMs).rightJustified(9), fixed(s.searchMs).rightJustified(9),
                         fixed(s.importMs).rightJustified(9), fixed(s.backupMs).rightJustified(9)));
        }
    }
}

// Whether every figure of the server stays within the target ratio at the largest size measured.
bool printTargets(const std::vector<Size>& all)
{
    const auto at = std::find_if(all.rbegin(), all.rend(), [](const Size& m) { return m.error.isEmpty(); });
    if (at == all.rend())
        return false;
    say(QString());
    say(QStringLiteral("Targets at %1 contacts%2: each server figure ≤ %3 × the embedded file's")
            .arg(at->size)
            .arg(at->size == kTargetSize ? QString() : QStringLiteral(" (set for %1)").arg(kTargetSize))
            .arg(kTargetRatio));
    bool met = true;
    const struct {
        const char* name;
        double Store::*value;
    } figures[] = {{"start→shown", &Store::shownMs},
                   {"reload", &Store::reloadMs},
                   {"search", &Store::searchMs},
                   {"import", &Store::importMs},
                   {"backup", &Store::backupMs}};
    for (const auto& f : figures) {
        const double e = at->embedded.*f.value;
        const double s = at->server.*f.value;
        const double ratio = e > 0 ? s / e : -1;
        const bool ok = ratio >= 0 && ratio <= kTargetRatio;
        met = met && ok;
        say(QStringLiteral("  %1: %2 ms against %3 ms = %4 ×  %5")
                .arg(QString::fromUtf8(f.name).leftJustified(11), fixed(s), fixed(e),
                     ratio < 0 ? QStringLiteral("n/a") : QString::number(ratio, 'f', 2),
                     ok ? QStringLiteral("met") : QStringLiteral("MISSED")));
    }
    return met;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<int> sizes = {1000, 10000, 100000};
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--sizes")) {
        sizes.clear();
        for (const QString& part : args.at(2).split(QLatin1Char(','), Qt::SkipEmptyParts))
            sizes.push_back(part.toInt());
    } else if (args.size() != 1) {
        say(QStringLiteral("usage: velloran-office-bench [--sizes N[,N...]]"));
        return 2;
    }
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/velloran-pg-XXXXXX"));
    // Run as root, the server runs as the postgres user, who must reach its folder.
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                             QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    Server server(folder.path() + QStringLiteral("/pg"));
    QString error;
    progress(QStringLiteral("starting a private PostgreSQL server in %1").arg(folder.path()));
    if (!server.start(&error)) {
        progress(QStringLiteral("the server did not start: %1").arg(error));
        return 1;
    }
    std::vector<Size> all;
    for (const int size : sizes) {
        Size m;
        m.size = size;
        if (!measureSize(server, &m, &m.error))
            progress(QStringLiteral("%1 contacts failed: %2").arg(size).arg(m.error));
        all.push_back(m);
    }
    print(all);
    const bool met = printTargets(all);
    return std::all_of(all.begin(), all.end(), [](const Size& m) { return m.error.isEmpty(); }) && met ? 0 : 1;
}
