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

#include <functional>

#include <QPushButton>
#include <QTableView>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
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

// Posts an event to the window's thread every 5 ms from a thread of its own and notes when each is handled: the
// longest pause between two handled events is the longest stretch in which the window could not repaint.
class GapProbe : public QObject {
public:
    GapProbe()
    {
        m_thread = std::thread([this] {
            while (!m_stop) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                QCoreApplication::postEvent(this, new QEvent(QEvent::User));
            }
        });
    }
    ~GapProbe() override
    {
        m_stop = true;
        m_thread.join();
        QCoreApplication::removePostedEvents(this);
    }
    // The longest stretch between from and to (monotonic ns) in which no event was handled.
    double longestMs(qint64 from, qint64 to) const
    {
        qint64 last = from;
        qint64 longest = 0;
        for (const qint64 at : m_seen) {
            if (at <= from)
                continue;
            if (at >= to)
                break;
            longest = std::max(longest, at - last);
            last = at;
        }
        return double(std::max(longest, to - last)) / 1e6;
    }

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        m_seen.push_back(monotonicNs());
        return true;
    }

private:
    std::vector<qint64> m_seen;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A change of a column the list does not show, committed by a connection of the benchmark's own: the list's rows stay
// the same, but nothing can tell the program the table is unchanged, so its next whole-table read really reads.
class TableToucher {
public:
    TableToucher() : m_connection(QStringLiteral("bench.touch"), QStringLiteral("call.mdb")) {}
    bool touch()
    {
        store::Query q(m_connection, "update main set 备注=:note where id=(select max(id) from main)");
        q.bind(QStringLiteral("note"), QStringLiteral("改%1").arg(++m_count));
        return q.exec();
    }

private:
    store::Connection m_connection;
    int m_count = 0;
};

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
    GapProbe probe;
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

    // The longest stretch without handled events in each kind of step, from the call to its painted result.
    double gapStart = probe.longestMs(appNs, shownNs);
    double gapReload = 0;
    double gapSort = 0;
    double gapSearch = 0;
    // Times a step as the wall time of the call, then lets the window paint its result (eventsMs).
    const auto timed = [&](double* gap, const std::function<void()>& step, double* eventsMs = nullptr,
                           double* cpuMs = nullptr) {
        const qint64 from = monotonicNs();
        Stopwatch t;
        step();
        const double wall = t.wallMs();
        if (cpuMs)
            *cpuMs = t.cpuMs();
        t.restart();
        QCoreApplication::processEvents();
        if (eventsMs)
            *eventsMs = t.wallMs();
        *gap = std::max(*gap, probe.longestMs(from, monotonicNs()));
        return wall;
    };
    TableToucher toucher;
    const auto touch = [&] { check(toucher.touch(), QStringLiteral("the benchmark could not change the table")); };

    // Full reload after another connection changed the table: the counts agree, so each call reloads at once, and
    // the table is read, since nothing can tell that the list's columns are unchanged. Then reloads of an unchanged
    // table, which the rows read last serve.
    std::vector<double> reload;
    std::vector<double> reloadCpu;
    std::vector<double> reloadEvents;
    std::vector<double> reloadSame;
    for (int k = 0; k < 6 && exitCode == 0; ++k) {
        const bool changed = k < 3;
        settle();
        if (changed)
            touch();
        double events = 0;
        double cpu = 0;
        const double wall = timed(
            &gapReload, [w] { w->Timer5Timer(); }, &events, &cpu);
        if (changed) {
            reload.push_back(wall);
            reloadCpu.push_back(cpu);
            reloadEvents.push_back(events);
        } else {
            reloadSame.push_back(wall);
        }
        check(!w->Timer6->isActive() && w->ListView1->count() == expectedRows,
              QStringLiteral("the reload waited instead of reloading"));
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
        sortFirst = timed(
            &gapSort, [w] { w->ListView1ColumnClick(0); }, &sortEvents, &sortFirstCpu);
        check(w->ListView1->model()->sortByName(), QStringLiteral("the first column click did not sort"));
        for (int k = 0; k < 2 && exitCode == 0; ++k) {
            settle();
            unsort.push_back(timed(&gapSort, [w] { w->ListView1ColumnClick(0); }));
            settle();
            resort.push_back(timed(&gapSort, [w] { w->ListView1ColumnClick(0); }));
        }
        check(w->ListView1->model()->sortByName(), QStringLiteral("the list is not sorted after two pairs"));
        peakSortKb = statusKb("VmHWM:");
        // A reload of a changed table while sorting by name sorts the fresh rows too.
        settle();
        touch();
        reloadSorted = timed(&gapReload, [w] { w->Timer5Timer(); });
        check(w->ListView1->count() == expectedRows, QStringLiteral("the sorted reload lost rows"));
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const long peakEndKb = statusKb("VmHWM:");

    // The start-up's own fill (birthday test included), for the start-up breakdown. It runs after the peak is taken:
    // the program fills this way only into the empty list of its start-up, while here the full list is still held.
    double firstFill = -1;
    if (exitCode == 0) {
        w->ListView1ColumnClick(0); // sorting off: the start-up fill never sorts
        settle();
        touch();
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
    // search routines run as Enter runs them. A common surname, a relation plus a city, and the initials of a common
    // name as a phone user types them. Each first after another connection changed the table (the table is read),
    // then again (the rows read last serve); the first pinyin search also reads every name's pinyin.
    double searchSingle = -1;
    double searchSingleWarm = -1;
    double searchCompound = -1;
    double searchCompoundWarm = -1;
    double searchPinyinFirst = -1;
    double searchPinyin = -1;
    double searchPinyinWarm = -1;
    double page = -1;
    if (exitCode == 0) {
        const auto search = [&](double* figure, bool changed, const std::function<void()>& run) {
            settle();
            if (changed)
                touch();
            *figure = timed(&gapSearch, run);
            check(w->ListView1->count() > 0, QStringLiteral("a search listed nothing"));
        };
        const auto single = [] { forms::find->SingleSearch(QStringLiteral("姓名"), QStringLiteral("张"), false); };
        const auto compound = [] {
            forms::find->CompoundSearch(QStringLiteral("朋友"), QString(), QString(), QStringLiteral("太原"), false);
        };
        const auto pinyin = [] { forms::find->SingleSearch(QStringLiteral("姓名"), QStringLiteral("zs"), false); };
        search(&searchSingle, true, single);
        check(w->Button1->text() == QLatin1String("0"), QStringLiteral("the single search did not list its result"));
        search(&searchSingleWarm, false, single);
        search(&searchCompound, true, compound);
        search(&searchCompoundWarm, false, compound);
        search(&searchPinyinFirst, true, pinyin);
        search(&searchPinyin, true, pinyin);
        search(&searchPinyinWarm, false, pinyin);
        // Back to the whole table (a reload of a search result needs no wait), then page through the browser.
        w->Timer5Timer();
        settle();
        // Paging to the next record, as "下翻(&N)" does, over the first records of the list.
        const int pages = std::min(200, expectedRows);
        QElapsedTimer t;
        t.start();
        for (int n = 1; n <= pages; ++n)
            forms::list->ShowRecord(n);
        page = pages > 0 ? elapsedMs(t) / pages : -1;
    }
    const long peakSearchKb = statusKb("VmHWM:");
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
        const auto f = [](double v) { return QString::number(v, 'f', 3); };
        QStringList pairs = {
            QStringLiteral("rows=%1").arg(expectedRows),
            QStringLiteral("main_ns=%1").arg(mainNs),
            QStringLiteral("app_ns=%1").arg(appNs),
            QStringLiteral("started_ns=%1").arg(startedNs),
            QStringLiteral("shown_ns=%1").arg(shownNs),
            QStringLiteral("reload_ms=") + joined(reload),
            QStringLiteral("reload_events_ms=") + joined(reloadEvents),
            QStringLiteral("reload_cpu_ms=") + joined(reloadCpu),
            QStringLiteral("reload_same_ms=") + joined(reloadSame),
            QStringLiteral("firstfill_ms=") + f(firstFill),
            QStringLiteral("sort_ms=") + f(sortFirst),
            QStringLiteral("sort_cpu_ms=") + f(sortFirstCpu),
            QStringLiteral("sort_events_ms=") + f(sortEvents),
            QStringLiteral("unsort_ms=") + joined(unsort),
            QStringLiteral("resort_ms=") + joined(resort),
            QStringLiteral("reload_sorted_ms=") + f(reloadSorted),
            QStringLiteral("peak_shown_kb=%1").arg(peakShownKb),
            QStringLiteral("peak_reload_kb=%1").arg(peakReloadKb),
            QStringLiteral("peak_sort_kb=%1").arg(peakSortKb),
            QStringLiteral("peak_end_kb=%1").arg(peakEndKb),
            QStringLiteral("peak_kb=%1").arg(long(usage.ru_maxrss)),
            QStringLiteral("peak_search_kb=%1").arg(peakSearchKb),
            QStringLiteral("search_single_ms=") + f(searchSingle),
            QStringLiteral("search_single_warm_ms=") + f(searchSingleWarm),
            QStringLiteral("search_compound_ms=") + f(searchCompound),
            QStringLiteral("search_compound_warm_ms=") + f(searchCompoundWarm),
            QStringLiteral("search_pinyin_first_ms=") + f(searchPinyinFirst),
            QStringLiteral("search_pinyin_ms=") + f(searchPinyin),
            QStringLiteral("search_pinyin_warm_ms=") + f(searchPinyinWarm),
            QStringLiteral("page_ms=") + f(page),
            QStringLiteral("delete_ms=") + f(deleteMs),
            QStringLiteral("gap_start_ms=") + f(gapStart),
            QStringLiteral("gap_reload_ms=") + f(gapReload),
            QStringLiteral("gap_sort_ms=") + f(gapSort),
            QStringLiteral("gap_search_ms=") + f(gapSearch),
        };
        std::printf("RESULT %s\n", qUtf8Printable(pairs.join(QLatin1Char(' '))));
        std::fflush(stdout);
    }
    Program::shutdown();
    platform::Prompt::setHandler({});
    return exitCode;
}

} // namespace bench
