// data: backup and restore of the program directory it lies in. Without arguments it opens its window; with
// "backup|restore|verify ARCHIVE" it works without one (see CommandLine.h). The environment variable
// VELLORAN_DATA_DIR names another program directory to work on (tests use it).
#include "backup/CommandLine.h"
#include "backup/Restore.h"
#include "backup/SnapshotFolder.h"
#include "backup/Tdata.h"
#include "platform/Centre.h"
#include "platform/Look.h"
#include "platform/ProgramHome.h"
#include "platform/Prompt.h"
#include "platform/Startup.h"
#include "print/PrintCommandLine.h"
#include "store/Book.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

namespace {

QString programDir()
{
    const QString overridden = qEnvironmentVariable("VELLORAN_DATA_DIR");
    if (!overridden.isEmpty())
        return overridden;
    // The directory velloran uses: this one, or for the installed program the person's own (created if new, so a
    // restore works where velloran never ran; velloran lays out the rest). A failure shows in the command's error.
    static const QString dir = [] {
        platform::ProgramHome home;
        platform::ProgramHome::settle(&home, nullptr);
        return home.dir;
    }();
    return dir;
}

bool hasDisplay()
{
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv)
{
    platform::Startup::restrictPluginPaths();
    platform::Startup::endOnOutOfMemory("内存不足，数据备份与恢复程序已经停止；请关闭其他程序后再试。");
    // A backup killed half-way leaves no copy of the contacts beside its archive.
    backup::SnapshotFolder::removeOnSignals();
    // Printing paints text, under an application of its own that needs no display either.
    if (argc > 1 && print::PrintCommandLine::handles(argv[1]))
        return print::PrintCommandLine::run(argc, argv, &programDir);
    if (argc > 1) {
        // No display needed: scheduled backups and administrators' shells.
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return backup::CommandLine::run(app.arguments().mid(1), programDir(), out, err,
                                        print::PrintCommandLine::usage());
    }
    if (!hasDisplay()) {
        std::fputs("数据备份与恢复程序没有找到图形显示（没有设置 DISPLAY）；没有显示时请用命令行，"
                   "见 data --help。\n",
                   stderr);
        return 2;
    }
    platform::Startup::guardDisplay("数据备份与恢复程序无法打开 DISPLAY 所指的图形显示；没有显示时请用命令行，"
                                    "见 data --help。");
    QApplication app(argc, argv);
    platform::Startup::displayReached();
    QCoreApplication::setApplicationName(QStringLiteral("数据备份与恢复"));
    platform::Look::apply();
    QString error;
    if (!backup::Restore::recover(programDir(), &error))
        platform::Prompt::warning(nullptr, error);
    Tdata window(programDir());
    platform::Centre::onScreen(&window);
    window.show();
    const int code = QApplication::exec();
    store::Book::forget();
    return code;
}
