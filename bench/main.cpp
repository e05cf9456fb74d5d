// velloran-bench: how the program's start-up, full reload, name sort, searches and memory grow with the number of
// contacts.
//
//   velloran-bench [--sizes 1000,10000,100000,1000000] [--keep]
//   velloran-bench --generate N DIR     (a program directory of N contacts to profile by hand)
//
// Each size gets a program directory of invented contacts in a temporary folder (removed afterwards unless
// --keep), and is measured in a child process of its own (velloran-bench --measure DIR --expect N), so the
// peak memory belongs to that size alone.

#include "Child.h"
#include "Clocks.h"
#include "ContactGenerator.h"
#include "DataMeasure.h"
#include "Measure.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using bench::progress;
using bench::runChildProcess;
using bench::say;

constexpr int kTargetSize = 100000;
constexpr double kShownTargetMs = 250;
constexpr double kReloadToScanTarget = 1.0;
constexpr double kSortTargetMs = 100;
constexpr double kSortedReloadTargetMs = 200;
constexpr double kSearchTargetMs = 100;
// Deleting every listed row: 10,000 and 100,000 selected rows.
constexpr double kDelete10kTargetMs = 1000;
constexpr double kDelete100kTargetMs = 5000;
constexpr double kPeakTargetMb = 100;
constexpr double kExchangeTargetMs = 10000;
constexpr double kExchangePeakTargetMb = 300;
// A large organisation's directory.
constexpr int kLargeSize = 1000000;
constexpr double kLargeShownTargetMs = 2000;
constexpr double kLargePeakTargetMb = 400;
constexpr double kLargeSortTargetMs = 1000;
constexpr double kLargeSearchTargetMs = 1000;
// The longest stretch in which the window handles no event (and so cannot repaint), in any measured step.
constexpr double kGapTargetMs = 100;
// The data program's work is measured up to this size: an export of more contacts makes a file larger than an
// import takes.
constexpr int kDataSizeLimit = 100000;
// A figure may grow this much faster than the contact count and still count as linear: sorting is n·log n, and
// two cores shared with other builds make every figure noisy.
constexpr double kLinearSlack = 1.3;

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::vector<double> numbers(const QString& list)
{
    std::vector<double> out;
    for (const QString& part : list.split(QLatin1Char(','), Qt::SkipEmptyParts))
        out.push_back(part.toDouble());
    return out;
}

struct Figures {
    int size = 0;
    int rows = 0;
    bool ok = false;
    QString error;
    QString dir;
    double generateMs = -1;
    // Start-up, from the parent's launch.
    double shownMs = -1;
    double toMainMs = -1; // exec, dynamic linking and static initialisation
    double appMs = -1;    // QApplication and the program's font and translator
    double startMs = -1;  // Program::start: windows, start-up chain, first fill
    double exposeMs = -1; // from Program::start's return to the painted window
    double firstFillMs = -1;
    double reloadMs = -1;     // the table changed since it was last read
    double reloadSameMs = -1; // unchanged: the rows read last serve
    double reloadEventsMs = -1;
    double scanMs = -1; // negative: no sqlite3
    // CPU time; close to the wall time when the step computes rather than waits.
    double reloadCpuMs = -1;
    double scanCpuMs = -1;
    double sortCpuMs = -1;
    double sortMs = -1;
    double sortEventsMs = -1;
    double unsortMs = -1;
    double resortMs = -1;
    double reloadSortedMs = -1;
    // Each search first after a change of the table (read), then again (the rows read last serve).
    double searchSingleMs = -1;
    double searchSingleWarmMs = -1;
    double searchCompoundMs = -1;
    double searchCompoundWarmMs = -1;
    double searchPinyinFirstMs = -1;
    double searchPinyinMs = -1;
    double searchPinyinWarmMs = -1;
    // The longest stretch without a handled event: start-up, reloads, sorts, searches.
    double gapStartMs = -1;
    double gapReloadMs = -1;
    double gapSortMs = -1;
    double gapSearchMs = -1;
    double pageMs = -1;
    double deleteMs = -1; // every row selected and deleted
    double peakShownMb = -1;
    double peakReloadMb = -1; // after the three unsorted reloads
    double peakSortMb = -1;   // after the sort toggles, before the sorted reload
    double peakEndMb = -1;    // after the sorted reload
    double peakMb = -1;
    double peakSearchMb = -1; // after the searches, before deleting every row
    // The data program's work (a child of its own).
    double backupMs = -1;
    double archiveMb = -1;
    double restoreMs = -1;
    double exportVcfMs = -1;
    double exportCsvMs = -1;
    double importVcfMs = -1;
    double importCsvMs = -1;
    double vcfMb = -1;
    double peakBackupMb = -1;
    double peakExchangeMb = -1;
};

QString fixed(double value, int decimals = 1)
{
    return value < 0 ? QStringLiteral("n/a") : QString::number(value, 'f', decimals);
}

// The data program's work on the size's directory, in a child of its own (its memory apart from the window's).
bool runDataChild(Figures& f)
{
    QHash<QString, QString> values;
    if (!runChildProcess({QStringLiteral("--data"), f.dir, QStringLiteral("--expect"), QString::number(f.rows)},
                         &values, &f.error))
        return false;
    const auto ms = [&values](const char* key) { return values.value(QString::fromLatin1(key)).toDouble(); };
    f.backupMs = ms("backup_ms");
    f.archiveMb = ms("archive_kb") / 1024.0;
    f.restoreMs = ms("restore_ms");
    f.exportVcfMs = ms("export_vcf_ms");
    f.exportCsvMs = ms("export_csv_ms");
    f.importVcfMs = ms("import_vcf_ms");
    f.importCsvMs = ms("import_csv_ms");
    f.vcfMb = ms("vcf_kb") / 1024.0;
    f.peakBackupMb = ms("peak_backup_kb") / 1024.0;
    f.peakExchangeMb = ms("peak_exchange_kb") / 1024.0;
    return true;
}

bool runChild(Figures& f)
{
    QHash<QString, QString> values;
    qint64 launchNs = 0;
    if (!runChildProcess({QStringLiteral("--measure"), f.dir, QStringLiteral("--expect"), QString::number(f.rows)},
                         &values, &f.error, &launchNs))
        return false;
    const auto ns = [&values](const char* key) { return values.value(QString::fromLatin1(key)).toLongLong(); };
    const auto ms = [&values](const char* key) { return values.value(QString::fromLatin1(key)).toDouble(); };
    const auto med = [&values](const char* key) { return median(numbers(values.value(QString::fromLatin1(key)))); };
    f.shownMs = bench::msBetween(launchNs, ns("shown_ns"));
    f.toMainMs = bench::msBetween(launchNs, ns("main_ns"));
    f.appMs = bench::msBetween(ns("main_ns"), ns("app_ns"));
    f.startMs = bench::msBetween(ns("app_ns"), ns("started_ns"));
    f.exposeMs = bench::msBetween(ns("started_ns"), ns("shown_ns"));
    f.firstFillMs = ms("firstfill_ms");
    f.reloadMs = med("reload_ms");
    f.reloadSameMs = med("reload_same_ms");
    f.reloadCpuMs = med("reload_cpu_ms");
    f.sortCpuMs = ms("sort_cpu_ms");
    f.reloadEventsMs = med("reload_events_ms");
    f.sortMs = ms("sort_ms");
    f.sortEventsMs = ms("sort_events_ms");
    f.unsortMs = med("unsort_ms");
    f.resortMs = med("resort_ms");
    f.reloadSortedMs = ms("reload_sorted_ms");
    f.searchSingleMs = ms("search_single_ms");
    f.searchSingleWarmMs = ms("search_single_warm_ms");
    f.searchCompoundMs = ms("search_compound_ms");
    f.searchCompoundWarmMs = ms("search_compound_warm_ms");
    f.searchPinyinFirstMs = ms("search_pinyin_first_ms");
    f.searchPinyinMs = ms("search_pinyin_ms");
    f.searchPinyinWarmMs = ms("search_pinyin_warm_ms");
    f.gapStartMs = ms("gap_start_ms");
    f.gapReloadMs = ms("gap_reload_ms");
    f.gapSortMs = ms("gap_sort_ms");
    f.gapSearchMs = ms("gap_search_ms");
    f.pageMs = ms("page_ms");
    f.deleteMs = ms("delete_ms");
    f.peakShownMb = ms("peak_shown_kb") / 1024.0;
    f.peakReloadMb = ms("peak_reload_kb") / 1024.0;
    f.peakSortMb = ms("peak_sort_kb") / 1024.0;
    f.peakEndMb = ms("peak_end_kb") / 1024.0;
    f.peakMb = ms("peak_kb") / 1024.0;
    f.peakSearchMb = ms("peak_search_kb") / 1024.0;
    return true;
}

// User and system time of the children reaped so far.
double childrenCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Median wall and CPU time of three runs of the command-line shell over the same query the reload issues;
// false on failure.
bool sqliteScan(const QString& sqlite3, const QString& database, double* wallMs, double* cpuMs)
{
    std::vector<double> runs;
    std::vector<double> cpu;
    for (int k = 0; k < 3; ++k) {
        const double cpuBefore = childrenCpuMs();
        QProcess p;
        p.setProgram(sqlite3);
        p.setArguments({database, QStringLiteral("select * from main order by id desc")});
        p.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer t;
        t.start();
        p.start();
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            p.kill();
            p.waitForFinished(5000);
            progress(QStringLiteral("  sqlite3 failed: %1").arg(QString::fromUtf8(p.readAllStandardError()).trimmed()));
            return false;
        }
        runs.push_back(double(t.nsecsElapsed()) / 1e6);
        cpu.push_back(childrenCpuMs() - cpuBefore);
    }
    *wallMs = median(runs);
    *cpuMs = median(cpu);
    return true;
}

Figures measureSize(int size, bool keep, const QString& sqlite3)
{
    Figures f;
    f.size = size;
    QTemporaryDir tmp(QDir::tempPath() + QStringLiteral("/velloran-bench-%1-XXXXXX").arg(size));
    tmp.setAutoRemove(!keep);
    if (!tmp.isValid()) {
        f.error = QStringLiteral("cannot create a temporary directory: %1").arg(tmp.errorString());
        return f;
    }
    f.dir = tmp.path();
    progress(QStringLiteral("%1 contacts: generating in %2").arg(size).arg(f.dir));
    QElapsedTimer t;
    t.start();
    QString error;
    if (!bench::copyProgramDir(QStringLiteral(VELLORAN_PROGRAM_DIR), f.dir, &error)) {
        f.error = error;
        return f;
    }
    f.rows = bench::fillContacts(f.dir + QStringLiteral("/call.mdb"), size, &error);
    if (f.rows < 0) {
        f.error = QStringLiteral("generating the contacts failed: %1").arg(error);
        return f;
    }
    f.generateMs = double(t.nsecsElapsed()) / 1e6;
    progress(QStringLiteral("%1 contacts: generated in %2 ms; measuring").arg(size).arg(fixed(f.generateMs, 0)));
    // The scan and the data program's work go first: the measuring process ends by deleting every contact.
    if (!sqlite3.isEmpty())
        sqliteScan(sqlite3, f.dir + QStringLiteral("/call.mdb"), &f.scanMs, &f.scanCpuMs);
    if (size <= kDataSizeLimit) {
        progress(QStringLiteral("%1 contacts: backup, restore, import and export").arg(size));
        if (!runDataChild(f))
            return f;
    }
    progress(QStringLiteral("%1 contacts: the window").arg(size));
    if (!runChild(f))
        return f;
    f.ok = true;
    return f;
}

QString cell(const QString& text, int width)
{
    return text.rightJustified(width);
}

// One line of a table: the size, then each value right-justified to its column's width.
void row(int size, const QList<QPair<QString, int>>& values)
{
    QString line = cell(QString::number(size), 8);
    for (const auto& [text, width] : values)
        line += QStringLiteral(" | ") + cell(text, width);
    say(line);
}

void printTable(const std::vector<Figures>& all)
{
    say(QString());
    say(QStringLiteral(
        "contacts | start→shown ms | reload ms | sqlite3 scan ms | reload/scan | sort ms | sorted reload "
        "ms | peak RSS MB | delete all ms"));
    for (const Figures& f : all) {
        if (!f.ok) {
            say(cell(QString::number(f.size), 8) + QStringLiteral(" | failed: ") + f.error);
            continue;
        }
        const QString ratio = f.scanMs > 0 ? QString::number(f.reloadMs / f.scanMs, 'f', 2) : QStringLiteral("n/a");
        row(f.size, {{fixed(f.shownMs), 14},
                     {fixed(f.reloadMs), 9},
                     {fixed(f.scanMs), 15},
                     {ratio, 11},
                     {fixed(f.sortMs), 7},
                     {fixed(f.reloadSortedMs), 16},
                     {fixed(f.peakMb), 11},
                     {fixed(f.deleteMs), 13}});
    }

    say(QString());
    say(QStringLiteral(
        "Breakdown (ms unless stated); the reload of an unchanged table is served by the rows read last:"));
    say(QStringLiteral("contacts | launch→main | QApplication | Program::start | →painted | first fill | reload events"
                       " | unchanged reload | sort events | re-sort | unsort | generate"));
    for (const Figures& f : all) {
        if (!f.ok)
            continue;
        row(f.size, {{fixed(f.toMainMs), 11},
                     {fixed(f.appMs), 12},
                     {fixed(f.startMs), 14},
                     {fixed(f.exposeMs), 8},
                     {fixed(f.firstFillMs), 10},
                     {fixed(f.reloadEventsMs), 13},
                     {fixed(f.reloadSameMs, 2), 16},
                     {fixed(f.sortEventsMs), 11},
                     {fixed(f.resortMs), 7},
                     {fixed(f.unsortMs, 2), 6},
                     {fixed(f.generateMs, 0), 8}});
    }

    say(QString());
    say(QStringLiteral("Searches (ms, to the list painted): each first after another connection changed the table, so "
                       "that it is read, then again on the unchanged table:"));
    say(QStringLiteral("contacts | single | again | compound | again | pinyin first | pinyin | again"));
    for (const Figures& f : all) {
        if (!f.ok)
            continue;
        row(f.size, {{fixed(f.searchSingleMs), 6},
                     {fixed(f.searchSingleWarmMs), 5},
                     {fixed(f.searchCompoundMs), 8},
                     {fixed(f.searchCompoundWarmMs), 5},
                     {fixed(f.searchPinyinFirstMs), 12},
                     {fixed(f.searchPinyinMs), 6},
                     {fixed(f.searchPinyinWarmMs), 5}});
    }

    say(QString());
    say(QStringLiteral("The longest stretch without a handled event (the window cannot repaint), ms:"));
    say(QStringLiteral("contacts | start-up | reloads | sorts | searches"));
    for (const Figures& f : all) {
        if (!f.ok)
            continue;
        row(f.size,
            {{fixed(f.gapStartMs), 8}, {fixed(f.gapReloadMs), 7}, {fixed(f.gapSortMs), 5}, {fixed(f.gapSearchMs), 8}});
    }

    say(QString());
    say(QStringLiteral(
        "CPU time (close to the wall time when a step computes rather than waits for the disk or the scheduler):"));
    say(QStringLiteral("contacts | reload CPU ms | sqlite3 scan CPU ms | reload/scan | first sort CPU ms"));
    for (const Figures& f : all) {
        if (!f.ok)
            continue;
        const QString ratio =
            f.scanCpuMs > 0 ? QString::number(f.reloadCpuMs / f.scanCpuMs, 'f', 2) : QStringLiteral("n/a");
        row(f.size, {{fixed(f.reloadCpuMs), 13}, {fixed(f.scanCpuMs), 19}, {ratio, 11}, {fixed(f.sortCpuMs), 17}});
    }

    say(QString());
    say(QStringLiteral("The data program's work (a process of its own, up to %1 contacts): a backup to one archive and "
                       "its restore, every contact exported to vCard and CSV and imported into an empty program "
                       "directory:")
            .arg(kDataSizeLimit));
    say(QStringLiteral(
        "contacts | backup ms | archive MB | restore ms | export vcf ms | export csv ms | import vcf ms | "
        "import csv ms | vcf MB | peak MB backup / exchange"));
    for (const Figures& f : all) {
        if (!f.ok || f.size > kDataSizeLimit)
            continue;
        row(f.size, {{fixed(f.backupMs), 9},
                     {fixed(f.archiveMb, 2), 10},
                     {fixed(f.restoreMs), 10},
                     {fixed(f.exportVcfMs), 13},
                     {fixed(f.exportCsvMs), 13},
                     {fixed(f.importVcfMs), 13},
                     {fixed(f.importCsvMs), 13},
                     {fixed(f.vcfMb, 1), 6},
                     {fixed(f.peakBackupMb) + QStringLiteral(" / ") + fixed(f.peakExchangeMb), 14}});
    }

    say(QString());
    say(QStringLiteral(
        "Peak RSS MB so far (VmHWM) after each phase; the first fill is timed after the peak is taken:"));
    say(QStringLiteral("contacts | shown | reloads | sort toggles | sorted reload | searches"));
    for (const Figures& f : all) {
        if (!f.ok)
            continue;
        row(f.size, {{fixed(f.peakShownMb), 5},
                     {fixed(f.peakReloadMb), 7},
                     {fixed(f.peakSortMb), 12},
                     {fixed(f.peakEndMb), 13},
                     {fixed(f.peakSearchMb), 8}});
    }
}

// Returns whether every target was met (figures that could not be measured count as missed).
bool printTargets(const std::vector<Figures>& all)
{
    bool allMet = true;
    const auto verdict = [&allMet](bool measured, bool met) {
        allMet = allMet && measured && met;
        return !measured ? QStringLiteral("not measured") : met ? QStringLiteral("met") : QStringLiteral("MISSED");
    };
    const auto target = [](const QString& label, const QString& rest) {
        say(QStringLiteral("  ") + label.leftJustified(36) + QStringLiteral(": ") + rest);
    };
    const auto msTarget = [&](const QString& label, double value, double limit) {
        target(QStringLiteral("%1 ≤ %2 ms").arg(label).arg(limit),
               QStringLiteral("%1 ms  %2").arg(fixed(value), verdict(value >= 0, value >= 0 && value <= limit)));
    };
    const auto at = [&all](int size) -> const Figures* {
        const auto it =
            std::find_if(all.begin(), all.end(), [size](const Figures& f) { return f.ok && f.size == size; });
        return it == all.end() ? nullptr : &*it;
    };
    const auto slowest = [](std::initializer_list<double> values) { return std::max(values); };

    say(QString());
    say(QStringLiteral("Targets at %1 contacts:").arg(kTargetSize));
    if (const Figures* f = at(kTargetSize)) {
        msTarget(QStringLiteral("start→shown"), f->shownMs, kShownTargetMs);
        const QString scanLabel = QStringLiteral("reload ≤ %1 × sqlite3 scan").arg(kReloadToScanTarget);
        if (f->scanMs > 0) {
            const double r = f->reloadMs / f->scanMs;
            target(scanLabel, QStringLiteral("%1 × (%2 ms against %3 ms)  %4")
                                  .arg(QString::number(r, 'f', 2), fixed(f->reloadMs), fixed(f->scanMs),
                                       verdict(true, r <= kReloadToScanTarget)));
        } else {
            target(scanLabel, QStringLiteral("n/a (no sqlite3)  %1").arg(verdict(false, false)));
        }
        msTarget(QStringLiteral("sort"), f->sortMs, kSortTargetMs);
        msTarget(QStringLiteral("reload while sorted"), f->reloadSortedMs, kSortedReloadTargetMs);
        target(QStringLiteral("peak RSS after sorting ≤ %1 MB").arg(kPeakTargetMb),
               QStringLiteral("%1 MB  %2").arg(fixed(f->peakEndMb), verdict(true, f->peakEndMb <= kPeakTargetMb)));
        msTarget(QStringLiteral("single search, first and again"), slowest({f->searchSingleMs, f->searchSingleWarmMs}),
                 kSearchTargetMs);
        msTarget(QStringLiteral("compound search, first and again"),
                 slowest({f->searchCompoundMs, f->searchCompoundWarmMs}), kSearchTargetMs);
        msTarget(QStringLiteral("first pinyin search"), f->searchPinyinFirstMs, kSearchTargetMs);
        msTarget(QStringLiteral("later pinyin searches"), slowest({f->searchPinyinMs, f->searchPinyinWarmMs}),
                 kSearchTargetMs);
        const double slowestExchange = slowest({f->exportVcfMs, f->exportCsvMs, f->importVcfMs, f->importCsvMs});
        target(QStringLiteral("import, export ≤ %1 s").arg(kExchangeTargetMs / 1000),
               QStringLiteral("%1 ms slowest  %2")
                   .arg(fixed(slowestExchange), verdict(f->importVcfMs >= 0, slowestExchange <= kExchangeTargetMs)));
        target(QStringLiteral("import, export ≤ %1 MB").arg(kExchangePeakTargetMb),
               QStringLiteral("%1 MB  %2")
                   .arg(fixed(f->peakExchangeMb),
                        verdict(f->peakExchangeMb >= 0, f->peakExchangeMb <= kExchangePeakTargetMb)));
        target(QStringLiteral("browser next record < 20 ms"),
               QStringLiteral("%1 ms  %2").arg(QString::number(f->pageMs, 'f', 2), verdict(true, f->pageMs < 20)));
    } else {
        target(QStringLiteral("every target"), verdict(false, false));
    }
    // The delete targets are set for their own sizes, each shown where that size was measured.
    const auto deleteTarget = [&](int size, double limit) {
        const Figures* f = at(size);
        target(QStringLiteral("delete %1 rows ≤ %2 ms").arg(size).arg(limit),
               f ? QStringLiteral("%1 ms  %2").arg(fixed(f->deleteMs), verdict(true, f->deleteMs <= limit))
                 : verdict(false, false));
    };
    deleteTarget(10000, kDelete10kTargetMs);
    deleteTarget(100000, kDelete100kTargetMs);

    say(QString());
    say(QStringLiteral("Targets at %1 contacts:").arg(kLargeSize));
    if (const Figures* f = at(kLargeSize)) {
        msTarget(QStringLiteral("start→shown"), f->shownMs, kLargeShownTargetMs);
        const double peak = std::max(f->peakEndMb, f->peakSearchMb);
        target(QStringLiteral("peak RSS ≤ %1 MB").arg(kLargePeakTargetMb),
               QStringLiteral("%1 MB  %2").arg(fixed(peak), verdict(true, peak <= kLargePeakTargetMb)));
        msTarget(QStringLiteral("sort"), f->sortMs, kLargeSortTargetMs);
        msTarget(QStringLiteral("slowest search"),
                 slowest({f->searchSingleMs, f->searchSingleWarmMs, f->searchCompoundMs, f->searchCompoundWarmMs,
                          f->searchPinyinFirstMs, f->searchPinyinMs, f->searchPinyinWarmMs}),
                 kLargeSearchTargetMs);
    } else {
        target(QStringLiteral("every target"), verdict(false, false));
    }
    // Repainting throughout, at every size measured.
    for (const Figures& f : all) {
        if (!f.ok)
            continue;
        msTarget(QStringLiteral("%1: longest step without events").arg(f.size),
                 slowest({f.gapStartMs, f.gapReloadMs, f.gapSortMs, f.gapSearchMs}), kGapTargetMs);
    }

    std::vector<const Figures*> measured;
    for (const Figures& f : all) {
        if (f.ok)
            measured.push_back(&f);
    }
    std::sort(measured.begin(), measured.end(), [](const Figures* a, const Figures* b) { return a->size < b->size; });
    if (measured.size() < 2)
        return allMet;
    say(QString());
    say(QStringLiteral("Growth (figure ratio against contact ratio, n·log n for the sort). The verdict takes the whole "
                       "span, smallest to largest size, where up to %1 × the contact ratio counts as linear; steps "
                       "marked ! exceed that on their own, which at a few milliseconds is mostly noise:")
            .arg(kLinearSlack));
    struct Metric {
        const char* name;
        double Figures::*value;
        bool nLogN;
    };
    static const Metric metrics[] = {{"start→shown", &Figures::shownMs, false},
                                     {"reload", &Figures::reloadMs, false},
                                     {"sqlite3 scan", &Figures::scanMs, false},
                                     {"sort", &Figures::sortMs, true},
                                     {"sorted reload", &Figures::reloadSortedMs, true},
                                     {"single search", &Figures::searchSingleMs, false},
                                     {"pinyin first", &Figures::searchPinyinFirstMs, false},
                                     {"peak RSS", &Figures::peakEndMb, false},
                                     {"delete all", &Figures::deleteMs, false}};
    const auto growth = [](const Figures& a, const Figures& b, double Figures::*value) {
        const double from = a.*value;
        const double to = b.*value;
        return from > 0 && to >= 0 ? to / from : -1.0;
    };
    const auto allowed = [](const Figures& a, const Figures& b, bool nLogN) {
        const double ratio = double(b.size) / double(a.size);
        return nLogN ? ratio * std::log(double(b.size)) / std::log(double(a.size)) : ratio;
    };
    for (const Metric& m : metrics) {
        QStringList steps;
        for (size_t k = 1; k < measured.size(); ++k) {
            const Figures& a = *measured[k - 1];
            const Figures& b = *measured[k];
            const double ratio = growth(a, b, m.value);
            if (ratio < 0) {
                steps.append(QStringLiteral("%1→%2: n/a").arg(a.size).arg(b.size));
                continue;
            }
            const double limit = allowed(a, b, m.nLogN);
            steps.append(QStringLiteral("%1→%2: ×%3 for ×%4%5")
                             .arg(a.size)
                             .arg(b.size)
                             .arg(QString::number(ratio, 'f', 2), QString::number(limit, 'g', 3),
                                  ratio > limit * kLinearSlack ? QStringLiteral(" !") : QString()));
        }
        const Figures& first = *measured.front();
        const Figures& last = *measured.back();
        const double span = growth(first, last, m.value);
        const QString verdict = span < 0                                               ? QStringLiteral("n/a")
                                : span <= allowed(first, last, m.nLogN) * kLinearSlack ? QStringLiteral("no faster")
                                                                                       : QStringLiteral("FASTER");
        say(QStringLiteral("  %1 : %2  → %3")
                .arg(QString::fromUtf8(m.name).leftJustified(13), steps.join(QStringLiteral(", ")), verdict));
    }
    return allMet;
}

void usage()
{
    say(QStringLiteral("usage: velloran-bench [--sizes N[,N...]] [--keep]\n"
                       "  --sizes  contact counts to measure (default 1000,10000,100000,1000000)\n"
                       "  --keep   keep the generated program directories and print their paths"));
}

} // namespace

int main(int argc, char** argv)
{
    const qint64 mainNs = bench::monotonicNs();
    // The child of one size: nothing may run before the measurement starts.
    if (argc >= 5 && std::strcmp(argv[1], "--measure") == 0 && std::strcmp(argv[3], "--expect") == 0) {
        const QString dir = QString::fromLocal8Bit(argv[2]);
        const int expected = std::atoi(argv[4]);
        return bench::measureProgram(argc, argv, dir, expected, mainNs);
    }
    if (argc >= 5 && std::strcmp(argv[1], "--data") == 0 && std::strcmp(argv[3], "--expect") == 0)
        return bench::measureData(argc, argv, QString::fromLocal8Bit(argv[2]), std::atoi(argv[4]));
    // A program directory of N contacts to profile by hand (the measuring child empties the table at its end).
    if (argc == 4 && std::strcmp(argv[1], "--generate") == 0) {
        QCoreApplication app(argc, argv);
        const QString dir = QString::fromLocal8Bit(argv[3]);
        QString error;
        if (!bench::copyProgramDir(QStringLiteral(VELLORAN_PROGRAM_DIR), dir, &error) ||
            bench::fillContacts(dir + QStringLiteral("/call.mdb"), std::atoi(argv[2]), &error) < 0) {
            std::fprintf(stderr, "velloran-bench: %s\n", qUtf8Printable(error));
            return 1;
        }
        return 0;
    }

    QCoreApplication app(argc, argv);
    std::vector<int> sizes = {1000, 10000, 100000, 1000000};
    bool keep = false;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        QString list;
        if (a == QLatin1String("--keep")) {
            keep = true;
            continue;
        }
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            usage();
            return 0;
        }
        if (a == QLatin1String("--sizes") && i + 1 < args.size())
            list = args.at(++i);
        else if (a.startsWith(QLatin1String("--sizes=")))
            list = a.mid(8);
        else {
            std::fprintf(stderr, "velloran-bench: unknown argument %s\n", qUtf8Printable(a));
            usage();
            return 2;
        }
        sizes.clear();
        for (const QString& part : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            bool ok = false;
            const int n = part.trimmed().toInt(&ok);
            if (!ok || n < 1) {
                std::fprintf(stderr, "velloran-bench: not a contact count: %s\n", qUtf8Printable(part));
                return 2;
            }
            sizes.push_back(n);
        }
        if (sizes.empty()) {
            std::fprintf(stderr, "velloran-bench: --sizes needs at least one count\n");
            return 2;
        }
    }

    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite3.isEmpty())
        progress(QStringLiteral("sqlite3 not found; the scan column shows n/a"));

    std::vector<Figures> all;
    for (const int size : sizes)
        all.push_back(measureSize(size, keep, sqlite3));

    printTable(all);
    printTargets(all);
    if (keep) {
        say(QString());
        say(QStringLiteral("Kept program directories:"));
        for (const Figures& f : all) {
            if (!f.dir.isEmpty())
                say(QStringLiteral("  %1: %2").arg(f.size).arg(f.dir));
        }
    }
    const bool measuredAll = std::all_of(all.begin(), all.end(), [](const Figures& f) { return f.ok; });
    return measuredAll ? 0 : 1;
}
