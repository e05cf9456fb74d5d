#include "Measure.h"

#include "Clocks.h"

#include "app/Program.h"
#include "mainwin/Forms.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/Tmain.h"
#include "search/Tlist.h"
#include "search/Tfind.h"
#include "platform/Prompt.h"
#include "store/Connection.h"
#include "store/Query.h"
#include "store/Statements.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QStringList>
#include <QTimer>
#include <QWindow>

#include <sys/resource.h>

#include <algorithm>
#include <QPushButton>
#include <QTableView>
#include <cstdio>
#include <vector>

namespace bench {

namespace {

double elapsedMs(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Wall and CPU time of one call.
class Stopwatch {
public:
    Stopwatch() { restart(); }
    void restart()
    {
        m_cpuNs = processCpuNs();
        m_wall.start();
    }
    double wallMs() const { return elapsedMs(m_wall); }
    double cpuMs() const { return msBetween(m_cpuNs, processCpuNs()); }

private:
    QElapsedTimer m_wall;
    qint64 m_cpuNs = 0;
};

QString joined(const std::vector<double>& values)
{
    QStringList parts;
    for (const double v : values)
        parts.append(QString::number(v, 'f', 3));
    return parts.join(QLatin1Char(','));
}

// A field of /proc/self/status in KiB ("VmHWM:" is the peak resident size so far).
long statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray wanted(field);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(wanted))
            return line.mid(wanted.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Lets the program's pending steps (summary, reminder slide, repaints) run, so the next timed call starts from
// a quiet event loop and is not charged for work that belongs to the previous one.
void settle(int ms = 60)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitExposed(QWidget* window, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        const QWindow* handle = window->windowHandle();
        if (window->isVisible() && handle && handle->isExposed())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return false;
}

void fail(const QString& why)
{
    std::fprintf(stderr, "velloran-bench: %s\n", qUtf8Printable(why));
}

} // namespace

int measureProgram(int& argc, char** argv, const QString& dir, int expectedRows, qint64 mainNs)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Program::prepareApplication();
    // A message box would wait for a click that never comes. The delete command's question belongs to the measured
    // command and is answered Yes; any other box means the run went wrong.
    int boxes = 0;
    platform::Prompt::setHandler([&boxes](const platform::PromptRequest& request) {
        if (request.icon == QMessageBox::Question)
            return QMessageBox::Yes;
        ++boxes;
        fail(QStringLiteral("message box: %1").arg(request.text));
        return QMessageBox::Ok;
    });
    const qint64 appNs = monotonicNs();

    const bool started = Program::start(dir);
    const qint64 startedNs = monotonicNs();
    if (!started) {
        fail(QStringLiteral("the start-up did not complete in %1").arg(dir));
        Program::shutdown();
        return 1;
    }
    Tmain* w = forms::main;
    if (!waitExposed(w, 10000)) {
        fail(QStringLiteral("the main window was not shown"));
        Program::shutdown();
        return 1;
    }
    // One pass of the loop paints the exposed window.
    QCoreApplication::processEvents();
    const qint64 shownNs = monotonicNs();
    const long peakShownKb = statusKb("VmHWM:");

    int exitCode = 0;
    const auto check = [&](bool ok, const QString& what) {
        if (!ok && exitCode == 0) {
            fail(what);
            exitCode = 1;
        }
    };
    check(w->ListView1->count() == expectedRows,
          QStringLiteral("the list shows %1 rows, the table holds %2").arg(w->ListView1->count()).arg(expectedRows));

    // Full reload: the counts agree, so each call reloads synchronously.
    std::vector<double> reload;
    std::vector<double> reloadCpu;
    std::vector<double> reloadEvents;
    for (int k = 0; k < 3 && exitCode == 0; ++k) {
        settle();
        Stopwatch t;
        w->Timer5Timer();
        reload.push_back(t.wallMs());
        reloadCpu.push_back(t.cpuMs());
        check(!w->Timer6->isActive() && w->ListView1->count() == expectedRows,
              QStringLiteral("the reload waited instead of reloading"));
        t.restart();
        QCoreApplication::processEvents();
        reloadEvents.push_back(t.wallMs());
    }

    const long peakReloadKb = statusKb("VmHWM:");

    // Sorting by name: the first toggle sorts; then pairs of off (no work) and on (sorting already sorted rows).
    double sortFirst = -1;
    double sortFirstCpu = -1;
    double sortEvents = -1;
    std::vector<double> unsort;
    std::vector<double> resort;
    double reloadSorted = -1;
    long peakSortKb = -1;
    if (exitCode == 0) {
        settle();
        Stopwatch t;
        w->ListView1ColumnClick(0);
        sortFirst = t.wallMs();
        sortFirstCpu = t.cpuMs();
        check(w->ListView1->model()->sortByName(), QStringLiteral("the first column click did not sort"));
        t.restart();
        QCoreApplication::processEvents();
        sortEvents = t.wallMs();
        for (int k = 0; k < 2 && exitCode == 0; ++k) {
            settle();
            t.restart();
            w->ListView1ColumnClick(0);
            unsort.push_back(t.wallMs());
            settle();
            t.restart();
            w->ListView1ColumnClick(0);
            resort.push_back(t.wallMs());
        }
        check(w->ListView1->model()->sortByName(), QStringLiteral("the list is not sorted after two pairs"));
        peakSortKb = statusKb("VmHWM:");
        // A reload while sorting by name sorts the fresh rows too.
        settle();
        t.restart();
        w->Timer5Timer();
        reloadSorted = t.wallMs();
        check(w->ListView1->count() == expectedRows, QStringLiteral("the sorted reload lost rows"));
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const long peakEndKb = statusKb("VmHWM:");

    // The start-up's own fill (birthday test included), over a connection of its own, for the start-up breakdown.
    // It runs after the peak is taken: the program fills this way only into the empty list of its start-up, while
    // here the full list is still held.
    double firstFill = -1;
    if (exitCode == 0) {
        w->ListView1ColumnClick(0); // sorting off: the start-up fill never sorts
        settle();
        store::Connection connection(QStringLiteral("bench.fill"), QStringLiteral("call.mdb"));
        QString error;
        QElapsedTimer t;
        t.start();
        const bool filled = w->FirstFill(connection, &error);
        firstFill = elapsedMs(t);
        connection.close();
        check(filled && w->ListView1->count() == expectedRows, QStringLiteral("the first fill failed: %1").arg(error));
    }
    // Searches, from the press of Enter to the list replaced and painted; the search window is not shown, its
    // search routines run as Enter runs them. A common surname and a relation plus a city.
    double searchSingle = -1;
    double searchCompound = -1;
    double searchPinyinFirst = -1; // the first pinyin search reads every name's pinyin
    double searchPinyin = -1;
    double page = -1;
    if (exitCode == 0) {
        settle();
        QElapsedTimer t;
        t.start();
        forms::find->SingleSearch(QStringLiteral("姓名"), QStringLiteral("张"), false);
        QCoreApplication::processEvents();
        searchSingle = elapsedMs(t);
        check(w->Button1->text() == QLatin1String("0") && w->ListView1->count() > 0,
              QStringLiteral("the single search listed nothing"));
        settle();
        t.restart();
        forms::find->CompoundSearch(QStringLiteral("朋友"), QString(), QString(), QStringLiteral("太原"), false);
        QCoreApplication::processEvents();
        searchCompound = elapsedMs(t);
        check(w->ListView1->count() > 0, QStringLiteral("the compound search listed nothing"));
        // The initials of a common name, as a phone user types them.
        for (double* figure : {&searchPinyinFirst, &searchPinyin}) {
            settle();
            t.restart();
            forms::find->SingleSearch(QStringLiteral("姓名"), QStringLiteral("zs"), false);
            QCoreApplication::processEvents();
            *figure = elapsedMs(t);
            check(w->ListView1->count() > 0, QStringLiteral("the pinyin search listed nothing"));
        }
        // Back to the whole table (a reload of a search result needs no wait), then page through the browser.
        w->Timer5Timer();
        settle();
        // Paging to the next record, as "下翻(&N)" does, over the first records of the list.
        const int pages = std::min(200, expectedRows);
        t.restart();
        for (int n = 1; n <= pages; ++n)
            forms::list->ShowRecord(n);
        page = pages > 0 ? elapsedMs(t) / pages : -1;
    }
    // Deleting every row of the list, selected as Ctrl+A in the list selects them: from the answered question to the
    // rows gone from the table and the list and the window painted.
    double deleteMs = -1;
    if (exitCode == 0) {
        w->Timer5Timer();
        settle();
        w->ListView1->table()->selectAll();
        check(w->ListView1->selectedCount() == expectedRows, QStringLiteral("not every row is selected"));
        QElapsedTimer t;
        t.start();
        w->N10Click();
        QCoreApplication::processEvents();
        deleteMs = elapsedMs(t);
        store::Query left(w->acper, store::sql::CountMain);
        check(left.exec() && left.next() && left.text(0) == QLatin1String("0") && w->ListView1->count() == 0,
              QStringLiteral("rows are left after deleting every row"));
    }
    check(boxes == 0, QStringLiteral("the program showed %1 message box(es)").arg(boxes));

    if (exitCode == 0) {
        const QString line =
            QStringLiteral("RESULT rows=%1 main_ns=%2 app_ns=%3 started_ns=%4 shown_ns=%5 "
                           "reload_ms=%6 reload_events_ms=%7 firstfill_ms=%8 sort_ms=%9 ")
                .arg(expectedRows)
                .arg(mainNs)
                .arg(appNs)
                .arg(startedNs)
                .arg(shownNs)
                .arg(joined(reload), joined(reloadEvents))
                .arg(firstFill, 0, 'f', 3)
                .arg(sortFirst, 0, 'f', 3) +
            QStringLiteral("sort_events_ms=%1 unsort_ms=%2 resort_ms=%3 reload_sorted_ms=%4 peak_shown_kb=%5 "
                           "peak_reload_kb=%6 peak_sort_kb=%7 peak_end_kb=%8 peak_kb=%9")
                .arg(sortEvents, 0, 'f', 3)
                .arg(joined(unsort), joined(resort))
                .arg(reloadSorted, 0, 'f', 3)
                .arg(peakShownKb)
                .arg(peakReloadKb)
                .arg(peakSortKb)
                .arg(peakEndKb)
                .arg(long(usage.ru_maxrss)) +
            QStringLiteral(" reload_cpu_ms=%1 sort_cpu_ms=%2").arg(joined(reloadCpu)).arg(sortFirstCpu, 0, 'f', 3) +
            QStringLiteral(" search_single_ms=%1 search_compound_ms=%2 page_ms=%3 delete_ms=%4")
                .arg(searchSingle, 0, 'f', 3)
                .arg(searchCompound, 0, 'f', 3)
                .arg(page, 0, 'f', 3)
                .arg(deleteMs, 0, 'f', 3) +
            QStringLiteral(" search_pinyin_first_ms=%1 search_pinyin_ms=%2")
                .arg(searchPinyinFirst, 0, 'f', 3)
                .arg(searchPinyin, 0, 'f', 3);
        std::printf("%s\n", qUtf8Printable(line));
        std::fflush(stdout);
    }
    Program::shutdown();
    platform::Prompt::setHandler({});
    return exitCode;
}

} // namespace bench
