// velloran-pinyin-bench: reading 100,000 invented names for pinyin search (the first search of a session) and
// matching inputs over them (every search after it), beside the plain substring test of the name search.
//
//   velloran-pinyin-bench [--count 100000]

#include "ContactGenerator.h"
#include "search/Pinyin.h"
#include "search/PinyinCache.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 7;

void say(const QString& text)
{
    std::fputs(qUtf8Printable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

// Resident memory of the process in MB, from /proc.
double residentMb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : -1;
}

template <typename F> double medianMs(F&& pass)
{
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer t;
        t.start();
        pass();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int count = 100000;
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--count"));
    if (at > 0 && at + 1 < args.size())
        count = qMax(1, args[at + 1].toInt());

    const QStringList names = bench::inventNames(count);
    // The search reads every name afresh from the database: copies, not the cached strings themselves.
    QStringList read;
    read.reserve(names.size());
    for (const QString& n : names)
        read.append(QString(n.constData(), n.size()));

    say(QStringLiteral("%1 names").arg(count));
    // The first fill also pays for the process's first touch of the table and of fresh heap; the fills after it
    // are what a search pays after the cache was cleared.
    search::PinyinCache cache;
    QElapsedTimer t;
    const double before = residentMb();
    for (int fill = 0; fill < 3; ++fill) {
        cache.clear();
        t.restart();
        for (const QString& n : read)
            cache.keyFor(n);
        say(QStringLiteral("cold: reading every name into the cache  %1 ms%2")
                .arg(double(t.nsecsElapsed()) / 1e6, 0, 'f', 1)
                .arg(fill ? QString() : QStringLiteral(" (first in the process)")));
        if (!fill)
            say(QStringLiteral("memory of the filled cache              %1 MB").arg(residentMb() - before, 0, 'f', 1));
    }

    std::vector<search::PinyinKey> keys;
    keys.reserve(size_t(names.size()));
    t.restart();
    for (const QString& n : read)
        keys.push_back(search::pinyinKey(n));
    say(QStringLiteral("reading every name, no cache            %1 ms (%2 ns a name)")
            .arg(double(t.nsecsElapsed()) / 1e6, 0, 'f', 1)
            .arg(double(t.nsecsElapsed()) / count, 0, 'f', 0));

    const QStringList inputs = {QStringLiteral("z"),        QStringLiteral("zs"),  QStringLiteral("wangw"),
                                QStringLiteral("zhangwei"), QStringLiteral("oyx"), QStringLiteral("lixiaoming"),
                                QStringLiteral("chm"),      QStringLiteral("xyz")};
    say(QStringLiteral("input        matches   cached (ms)   keys only (ms)   substring (ms)"));
    for (const QString& raw : inputs) {
        const QString input = search::normalisePinyinInput(raw);
        qsizetype found = 0;
        const double cached = medianMs([&] {
            found = 0;
            for (const QString& n : read)
                found += cache.matches(n, input);
        });
        const double bare = medianMs([&] {
            qsizetype f = 0;
            for (const search::PinyinKey& k : keys)
                f += search::pinyinMatches(k, input);
            Q_UNUSED(f);
        });
        const double substring = medianMs([&] {
            qsizetype f = 0;
            for (const QString& n : read)
                f += n.contains(raw, Qt::CaseSensitive);
            Q_UNUSED(f);
        });
        say(QStringLiteral("%1 %2 %3 %4 %5")
                .arg(raw, -12)
                .arg(found, 7)
                .arg(cached, 13, 'f', 1)
                .arg(bare, 16, 'f', 1)
                .arg(substring, 16, 'f', 1));
    }
    return 0;
}
