#include "print/PrintCommandLine.h"

#include "backup/Restore.h"
#include "platform/Clock.h"
#include "platform/ProgramDir.h"
#include "print/BookReader.h"
#include "print/ContactCode.h"
#include "print/OutputFile.h"
#include "print/PdfFile.h"
#include "store/Connection.h"

#include <QDir>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace print {

namespace {

QString target(const QString& argument, const char* extension)
{
    return OutputFile::withExtension(QDir::current().absoluteFilePath(argument), QString::fromLatin1(extension));
}

bool printCommand(const QString& programDir, const QString& file, Grouping grouping, QString* done, QString* error)
{
    const QString path = target(file, ".pdf");
    if (!OutputFile::mayWrite(programDir, path, error))
        return false;
    platform::ProgramDir::set(programDir);
    Book book;
    book.title = BookReader::title(platform::ProgramDir::file(QStringLiteral("set.ini")));
    book.date = platform::Clock::today();
    {
        store::Connection connection(QStringLiteral("data.print"), QStringLiteral("call.mdb"));
        if (!connection.open(error) || !BookReader::read(connection, nullptr, &book.entries, error))
            return false;
    }
    Options options;
    options.grouping = grouping;
    int pages = 0;
    if (!writePdf(book, options, path, &pages, error))
        return false;
    *done = QStringLiteral("打印完成：%1（%2 位联系人，%3 页）").arg(path).arg(book.entries.size()).arg(pages);
    return true;
}

bool qrCommand(const QString& programDir, const QString& name, const QString& file, QString* done, QString* error)
{
    const QString path = target(file, ".png");
    if (!OutputFile::mayWrite(programDir, path, error))
        return false;
    platform::ProgramDir::set(programDir);
    exchange::Contact contact;
    bool found = false;
    {
        store::Connection connection(QStringLiteral("data.qr"), QStringLiteral("call.mdb"));
        if (!connection.open(error) || !BookReader::readContact(connection, name, &contact, &found, error))
            return false;
    }
    if (!found) {
        *error = QStringLiteral("没有名为“%1”的联系人。").arg(name);
        return false;
    }
    const ContactCode code = ContactCode::make(contact);
    if (code.code.isNull()) {
        *error = QStringLiteral("“%1”的资料太长，放不进一个二维码。").arg(name);
        return false;
    }
    if (!code.writePicture(path, error))
        return false;
    *done = QStringLiteral("二维码名片完成：%1（%2）").arg(path, contact.name);
    if (!code.leftOut().isEmpty())
        *done += QStringLiteral("；") + code.leftOut();
    return true;
}

} // namespace

bool PrintCommandLine::handles(const char* command)
{
    return command && (std::strcmp(command, "print") == 0 || std::strcmp(command, "qr") == 0);
}

QString PrintCommandLine::usage()
{
    return QStringLiteral("data print 文件.pdf [--group relation|initial|none]，data qr 姓名 图片.png");
}

int PrintCommandLine::run(int argc, char** argv, QString (*programDir)())
{
    // Text is laid out and painted, which needs a GUI application; no display is needed for that. Plugins come only
    // from Qt's own folder, never from beside the program.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setLibraryPaths({QLibraryInfo::path(QLibraryInfo::PluginsPath)});
    // Standard error carries the command's one line; Qt's own notes (XDG_RUNTIME_DIR unset under cron) stay out.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qUtf8Printable(message));
    });
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    const QString command = args.value(0);

    Grouping grouping = Grouping::None;
    bool understood = false;
    if (command == QLatin1String("print")) {
        understood =
            (args.size() == 2 || (args.size() == 4 && args.at(2) == QLatin1String("--group"))) && !args.at(1).isEmpty();
        if (args.size() == 4) {
            const QString g = args.at(3);
            if (g == QLatin1String("relation"))
                grouping = Grouping::Relation;
            else if (g == QLatin1String("initial"))
                grouping = Grouping::Initial;
            else if (g != QLatin1String("none"))
                understood = false;
        }
    } else if (command == QLatin1String("qr")) {
        understood = args.size() == 3 && !args.at(1).trimmed().isEmpty() && !args.at(2).isEmpty();
    }
    if (!understood) {
        err << QStringLiteral("用法：") << usage() << Qt::endl;
        return 2;
    }

    const QString dir = programDir();
    QString error;
    QString done;
    // An interrupted restore is finished before anything reads the data.
    bool ok = backup::Restore::recover(dir, &error);
    if (ok && command == QLatin1String("print"))
        ok = printCommand(dir, args.at(1), grouping, &done, &error);
    else if (ok)
        ok = qrCommand(dir, args.at(1).trimmed(), args.at(2), &done, &error);
    if (!ok) {
        // One line: the messages' own line breaks would split it.
        err << QStringLiteral("data %1 失败：").arg(command) << error.simplified() << Qt::endl;
        return 1;
    }
    out << done << Qt::endl;
    return 0;
}

} // namespace print
