// velloran-print-bench: a printed phone list of the whole book as a PDF (data print), for 10,000 and 100,000
// invented contacts: seconds and peak memory of the command, pages and file size. Run by hand, not by ctest.
//
//   velloran-print-bench [--sizes 10000,100000] [--group initial|relation|none] [--keep]

#include "ContactGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr double kTargetSeconds = 10;
constexpr double kTargetMb = 300;
constexpr int kTargetSize = 100000;

void say(const QString& text)
{
    std::fputs(qUtf8Printable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

struct Child {
    bool ok = false;
    double seconds = 0;
    double cpuSeconds = 0; // user and system: the wall time also counts waiting for a core that others use
    double peakMb = 0;
    QString out;
};

// Runs data with its own peak memory (wait4), its standard output kept in a file.
Child runData(const QString& programDir, const QString& cwd, const QStringList& arguments)
{
    Child c;
    const QByteArray data = QFile::encodeName(QStringLiteral(VELLORAN_PROGRAM_DIR "/data"));
    const QByteArray outFile = QFile::encodeName(cwd + QStringLiteral("/out.txt"));
    std::vector<QByteArray> args{data};
    for (const QString& a : arguments)
        args.push_back(a.toUtf8());
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (QByteArray& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        setenv("VELLORAN_DATA_DIR", QFile::encodeName(programDir).constData(), 1);
        if (chdir(QFile::encodeName(cwd).constData()) != 0 || !freopen(outFile.constData(), "w", stdout))
            _exit(127);
        execv(data.constData(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return c;
    c.seconds = double(timer.nsecsElapsed()) / 1e9;
    c.peakMb = double(usage.ru_maxrss) / 1024.0;
    c.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    c.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    QFile f(QFile::decodeName(outFile));
    if (f.open(QIODevice::ReadOnly))
        c.out = QString::fromUtf8(f.readAll()).trimmed();
    return c;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QList<int> sizes{10000, kTargetSize};
    QString group = QStringLiteral("initial");
    bool keep = false;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--sizes") && i + 1 < args.size()) {
            sizes.clear();
            for (const QString& s : args.at(++i).split(QLatin1Char(',')))
                sizes.append(s.toInt());
        } else if (args.at(i) == QLatin1String("--group") && i + 1 < args.size()) {
            group = args.at(++i);
        } else if (args.at(i) == QLatin1String("--keep")) {
            keep = true;
        } else {
            std::fprintf(stderr, "usage: velloran-print-bench [--sizes 10000,100000] [--group G] [--keep]\n");
            return 2;
        }
    }

    say(QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
            .arg(QStringLiteral("contacts"), 9)
            .arg(QStringLiteral("group"), 8)
            .arg(QStringLiteral("seconds"), 8)
            .arg(QStringLiteral("CPU s"), 8)
            .arg(QStringLiteral("peak MB"), 8)
            .arg(QStringLiteral("pages"), 6)
            .arg(QStringLiteral("PDF MB"), 7));
    bool withinTarget = true;
    for (const int size : sizes) {
        QTemporaryDir tmp;
        tmp.setAutoRemove(!keep);
        const QString dir = tmp.filePath(QStringLiteral("program"));
        QString error;
        if (!bench::copyProgramDir(QStringLiteral(VELLORAN_PROGRAM_DIR), dir, &error) ||
            bench::fillContacts(dir + QStringLiteral("/call.mdb"), size, &error) != size) {
            std::fprintf(stderr, "cannot lay out %d contacts: %s\n", size, qUtf8Printable(error));
            return 1;
        }
        const Child c = runData(
            dir, tmp.path(), {QStringLiteral("print"), QStringLiteral("book.pdf"), QStringLiteral("--group"), group});
        if (!c.ok) {
            std::fprintf(stderr, "data print failed for %d contacts: %s\n", size, qUtf8Printable(c.out));
            return 1;
        }
        const QString pages = QRegularExpression(QStringLiteral("，(\\d+) 页）")).match(c.out).captured(1);
        const double pdfMb = double(QFileInfo(tmp.filePath(QStringLiteral("book.pdf"))).size()) / (1024.0 * 1024.0);
        say(QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                .arg(size, 9)
                .arg(group, 8)
                .arg(c.seconds, 8, 'f', 2)
                .arg(c.cpuSeconds, 8, 'f', 2)
                .arg(c.peakMb, 8, 'f', 1)
                .arg(pages, 6)
                .arg(pdfMb, 7, 'f', 1));
        if (size == kTargetSize && (c.seconds > kTargetSeconds || c.peakMb > kTargetMb))
            withinTarget = false;
        if (keep)
            say(QStringLiteral("  kept in %1").arg(tmp.path()));
    }
    // Other work on the machine stretches the wall time, not the CPU time.
    QFile load(QStringLiteral("/proc/loadavg"));
    if (load.open(QIODevice::ReadOnly))
        say(QStringLiteral("load average while measured: %1, %2 cores")
                .arg(QString::fromLatin1(load.readAll().split(' ').value(0)))
                .arg(sysconf(_SC_NPROCESSORS_ONLN)));
    say(withinTarget ? QStringLiteral("within the target (100,000 contacts in at most 10 s and 300 MB)")
                     : QStringLiteral("OVER the target (100,000 contacts in at most 10 s and 300 MB)"));
    return withinTarget ? 0 : 1;
}
