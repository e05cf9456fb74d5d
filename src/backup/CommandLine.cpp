#include "backup/CommandLine.h"

#include "backup/Archive.h"
#include "backup/Backup.h"
#include "backup/Restore.h"
#include "backup/ServerCommands.h"
#include "exchange/Exporter.h"
#include "exchange/Importer.h"
#include "platform/ProgramDir.h"
#include "store/Book.h"
#include "store/Connection.h"

#include <QDir>
#include <QScopeGuard>
#include <QTextStream>

namespace backup {

namespace {

QString when(const ArchiveSummary& s)
{
    return s.created.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

bool backupCommand(const QString& programDir, const QString& file, QString* done, QString* error)
{
    ArchiveSummary s;
    if (!Backup::write(programDir, file, {}, &s, error))
        return false;
    *done = QStringLiteral("备份完成：%1（%2 位联系人，%3 个文件）").arg(s.path).arg(s.contacts).arg(s.files);
    return true;
}

bool restoreCommand(const QString& programDir, const QString& file, QString* done, QString* error)
{
    Restore::Result r;
    if (!Restore::run(programDir, file, {}, &r, error))
        return false;
    *done = QStringLiteral("恢复完成：%1 位联系人（备份于 %2）；原来的数据保存在 %3")
                .arg(r.summary.contacts)
                .arg(when(r.summary), r.safetyCopy);
    return true;
}

bool verifyCommand(const QString&, const QString& file, QString* done, QString* error)
{
    ArchiveSummary s;
    if (!Archive::verify(file, {}, &s, error))
        return false;
    *done = QStringLiteral("档案完好：%1（%2 位联系人，备份于 %3）").arg(s.path).arg(s.contacts).arg(when(s));
    return true;
}

// The report as the window shows it: the summary line, then the filled, skipped and changed contacts, one a line.
bool importInto(const QString& programDir, const QString& file, exchange::Importer::Existing existing, QString* done,
                QString* error)
{
    platform::ProgramDir::set(programDir);
    store::Connection connection(QStringLiteral("data.import"), QStringLiteral("call.mdb"));
    if (!connection.open(error))
        return false;
    exchange::ImportReport report;
    exchange::Importer importer(connection);
    importer.setExisting(existing);
    if (!importer.importFile(file, &report, error))
        return false;
    *done = report.details();
    return true;
}

bool importCommand(const QString& programDir, const QString& file, QString* done, QString* error)
{
    return importInto(programDir, file, exchange::Importer::Existing::Skip, done, error);
}

bool fillBlanksCommand(const QString& programDir, const QString& file, QString* done, QString* error)
{
    return importInto(programDir, file, exchange::Importer::Existing::FillBlanks, done, error);
}

bool exportCommand(const QString& programDir, const QString& file, QString* done, QString* error)
{
    platform::ProgramDir::set(programDir);
    store::Connection connection(QStringLiteral("data.export"), QStringLiteral("call.mdb"));
    if (!connection.open(error))
        return false;
    exchange::ExportReport report;
    if (!exchange::Exporter(connection).exportAll(file, &report, error))
        return false;
    *done = report.details();
    return true;
}

struct Command {
    const char* name;
    bool (*run)(const QString& programDir, const QString& file, QString* done, QString* error);
    // An option before the file, and what the command runs with it.
    const char* option = nullptr;
    bool (*runWithOption)(const QString& programDir, const QString& file, QString* done, QString* error) = nullptr;
};

const Command kCommands[] = {
    {"backup", backupCommand}, {"restore", restoreCommand},
    {"verify", verifyCommand}, {"import", importCommand, "--fill-blanks", fillBlanksCommand},
    {"export", exportCommand},
};

QString usage()
{
    return QStringLiteral(
        "用法：data backup|restore|verify 档案文件，data import [--fill-blanks]|export 联系人文件"
        "（.vcf 或 .csv），data print 文件.pdf [--group relation|initial|none]，data qr 姓名 图片.png，"
        "data server init|push|status（不带参数时打开窗口）");
}

} // namespace

int CommandLine::run(const QStringList& arguments, const QString& programDir, QTextStream& out, QTextStream& err)
{
    // The server book's connections end with the command, before the application does.
    const auto forget = qScopeGuard([] { store::Book::forget(); });
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("server"))
        return ServerCommands::run(arguments.mid(1), programDir, out, err);
    const Command* command = nullptr;
    for (const Command& c : kCommands) {
        if (!arguments.isEmpty() && arguments.first() == QLatin1String(c.name))
            command = &c;
    }
    // "import --fill-blanks FILE": the option before the file runs the command's other form.
    const auto isOption = [&](const QString& a) { return command->option && a == QLatin1String(command->option); };
    decltype(Command::run) run = nullptr;
    if (command && arguments.size() == 3 && isOption(arguments.at(1)))
        run = command->runWithOption;
    else if (command && arguments.size() == 2 && !isOption(arguments.at(1)))
        run = command->run;
    if (!run || arguments.last().isEmpty()) {
        err << usage() << Qt::endl;
        return 2;
    }
    QString error;
    QString done;
    // An interrupted restore is finished before anything reads or replaces the data.
    const bool ok = Restore::recover(programDir, &error) &&
                    run(programDir, QDir::current().absoluteFilePath(arguments.last()), &done, &error);
    if (!ok) {
        // One line: the messages' own line breaks would split it.
        err << QStringLiteral("data %1 失败：").arg(arguments.first()) << error.simplified() << Qt::endl;
        return 1;
    }
    out << done << Qt::endl;
    return 0;
}

} // namespace backup
