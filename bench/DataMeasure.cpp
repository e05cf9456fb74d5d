#include "DataMeasure.h"

#include "ContactGenerator.h"

#include "backup/Backup.h"
#include "backup/Restore.h"
#include "exchange/Exporter.h"
#include "exchange/Importer.h"
#include "platform/ProgramDir.h"
#include "store/Connection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

namespace bench {

namespace {

long peakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return long(usage.ru_maxrss);
}

double elapsedMs(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

bool fail(const QString& what, const QString& error)
{
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(what), qUtf8Printable(error));
    return false;
}

bool exportAll(const QString& dir, const QString& file, double* ms)
{
    platform::ProgramDir::set(dir);
    store::Connection connection(QStringLiteral("bench.export"), QStringLiteral("call.mdb"));
    QString error;
    exchange::ExportReport report;
    QElapsedTimer t;
    t.start();
    if (!connection.open(&error) || !exchange::Exporter(connection).exportAll(file, &report, &error))
        return fail(QStringLiteral("export"), error);
    *ms = elapsedMs(t);
    return true;
}

// Into a fresh copy of the laid-out program directory, as an office starting with the program would.
bool importInto(const QString& empty, const QString& file, int expected, double* ms)
{
    QString error;
    if (!copyProgramDir(QStringLiteral(VELLORAN_PROGRAM_DIR), empty, &error))
        return fail(QStringLiteral("copy"), error);
    platform::ProgramDir::set(empty);
    store::Connection connection(QStringLiteral("bench.import"), QStringLiteral("call.mdb"));
    exchange::ImportReport report;
    QElapsedTimer t;
    t.start();
    if (!connection.open(&error) || !exchange::Importer(connection).importFile(file, &report, &error))
        return fail(QStringLiteral("import"), error);
    *ms = elapsedMs(t);
    if (report.imported != expected)
        return fail(QStringLiteral("import"), QStringLiteral("%1 of %2 imported").arg(report.imported).arg(expected));
    return true;
}

} // namespace

int measureData(int& argc, char** argv, const QString& dir, int expectedRows)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    const QString archive = work.filePath(QStringLiteral("backup.zip"));
    const QString vcf = work.filePath(QStringLiteral("contacts.vcf"));
    const QString csv = work.filePath(QStringLiteral("contacts.csv"));
    double backupMs = -1, restoreMs = -1, exportVcfMs = -1, exportCsvMs = -1, importVcfMs = -1, importCsvMs = -1;
    QString error;

    QElapsedTimer t;
    t.start();
    if (!backup::Backup::write(dir, archive, {}, nullptr, &error))
        return fail(QStringLiteral("backup"), error), 1;
    backupMs = elapsedMs(t);
    const long peakBackup = peakKb();

    if (!exportAll(dir, vcf, &exportVcfMs) || !exportAll(dir, csv, &exportCsvMs))
        return 1;
    if (!importInto(work.filePath(QStringLiteral("fromvcf")), vcf, expectedRows, &importVcfMs) ||
        !importInto(work.filePath(QStringLiteral("fromcsv")), csv, expectedRows, &importCsvMs))
        return 1;
    const long peakExchange = peakKb();

    t.restart();
    if (!backup::Restore::run(dir, archive, {}, nullptr, &error))
        return fail(QStringLiteral("restore"), error), 1;
    restoreMs = elapsedMs(t);

    std::printf("RESULT backup_ms=%.3f archive_kb=%lld restore_ms=%.3f export_vcf_ms=%.3f export_csv_ms=%.3f "
                "import_vcf_ms=%.3f import_csv_ms=%.3f vcf_kb=%lld peak_backup_kb=%ld peak_exchange_kb=%ld "
                "peak_data_kb=%ld\n",
                backupMs, QFileInfo(archive).size() / 1024, restoreMs, exportVcfMs, exportCsvMs, importVcfMs,
                importCsvMs, QFileInfo(vcf).size() / 1024, peakBackup, peakExchange, peakKb());
    std::fflush(stdout);
    return 0;
}

} // namespace bench
