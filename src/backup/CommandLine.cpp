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
#include "store/ProgramLock.h"

#include <QDir>
#include <QScopeGuard>
#include <QTextStream>

#ifndef VELLORAN_VERSION
#define VELLORAN_VERSION "0"
#endif

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
    if (!s.leftOut.isEmpty())
        *done += QStringLiteral("；") + leftOutSentence(s);
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
    // Like a running program: never while a restore swaps the data underneath.
    store::ProgramLock lock(programDir);
    if (!Restore::share(lock, QStringLiteral("导入"), error))
        return false;
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
    store::ProgramLock lock(programDir);
    if (!Restore::share(lock, QStringLiteral("导出"), error))
        return false;
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
    const char* operand; // what its one argument is, for the help
    const char* what;    // one line of the help
    bool (*run)(const QString& programDir, const QString& file, QString* done, QString* error);
    // An option before the file, and what the command runs with it.
    const char* option = nullptr;
    bool (*runWithOption)(const QString& programDir, const QString& file, QString* done, QString* error) = nullptr;
};

const Command kCommands[] = {
    {"backup", "档案文件", "把全部数据（联系人、设置、记事、照片、用户文件夹）备份到一个 zip 档案", backupCommand},
    {"verify", "档案文件", "完整检查档案，不改动任何数据", verifyCommand},
    {"restore", "档案文件", "检查档案后用其中的数据替换现在的数据；原来的数据移到 backup 文件夹保存", restoreCommand},
    {"import", "联系人文件",
     "导入 vCard（.vcf）或 CSV（.csv）文件中的联系人；加 --fill-blanks 时已有的联系人只补上空着的项", importCommand,
     "--fill-blanks", fillBlanksCommand},
    {"export", "联系人文件", "把全部联系人导出为 vCard 或 CSV 文件（按扩展名）", exportCommand},
};

QString usage(const QString& otherCommands)
{
    return QStringLiteral("用法：data backup|restore|verify 档案文件，data import [--fill-blanks]|export 联系人文件"
                          "（.vcf 或 .csv）%1，data server init|push|status（不带参数时打开窗口；详见 data --help）")
        .arg(otherCommands.isEmpty() ? QString() : QStringLiteral("，") + otherCommands);
}

QString help(const QString& otherCommands)
{
    QString text = QStringLiteral("用法：data [命令 文件]\n"
                                  "备份、检查和恢复 Velloran 的数据，导入、导出和打印联系人。不带参数时打开窗口。\n"
                                  "文件名相对于当前目录。\n\n命令：\n");
    for (const Command& c : kCommands)
        text +=
            QStringLiteral("  %1 %2%3\n      %4\n")
                .arg(QLatin1String(c.name), c.option ? QStringLiteral("[%1] ").arg(QLatin1String(c.option)) : QString(),
                     QString::fromUtf8(c.operand), QString::fromUtf8(c.what));
    for (const QString& other : otherCommands.split(QStringLiteral("，"), Qt::SkipEmptyParts))
        text += QStringLiteral("  %1\n").arg(other.section(QLatin1String("data "), 1));
    text += QStringLiteral("  server init|push|status\n      办公室模式：在 server.ini 指定的服务器上建立通讯录、"
                           "把本机通讯录复制过去、查看所用的通讯录\n");
    text += QStringLiteral("  --help\n      显示这份说明\n  --version\n      显示版本\n\n"
                           "退出状态：0 完成；1 失败（原因写在标准错误输出上）；2 命令无法识别。\n");
    return text;
}

} // namespace

int CommandLine::run(const QStringList& arguments, const QString& programDir, QTextStream& out, QTextStream& err,
                     const QString& otherCommands)
{
    if (arguments.size() == 1 &&
        (arguments.first() == QLatin1String("--help") || arguments.first() == QLatin1String("-h"))) {
        out << help(otherCommands) << Qt::flush;
        return 0;
    }
    if (arguments.size() == 1 && arguments.first() == QLatin1String("--version")) {
        out << QStringLiteral("data（Velloran 数据备份与恢复）%1").arg(QStringLiteral(VELLORAN_VERSION)) << Qt::endl;
        return 0;
    }
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
        err << usage(otherCommands) << Qt::endl;
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
