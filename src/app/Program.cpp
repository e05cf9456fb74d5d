#include "app/Program.h"

#include "app/HintHook.h"
#include "app/Tlogin.h"
#include "backup/DailyBackup.h"
#include "backup/Restore.h"
#include "edit/Tadd.h"
#include "edit/Tgai.h"
#include "mainwin/Forms.h"
#include "mainwin/Tmain.h"
#include "platform/Centre.h"
#include "platform/Clock.h"
#include "platform/ErrorLead.h"
#include "platform/Look.h"
#include "platform/ProgramDir.h"
#include "platform/ProgramHome.h"
#include "platform/Prompt.h"
#include "search/Tfind.h"
#include "search/Tlist.h"
#include "store/Book.h"
#include "store/ProgramLock.h"
#include "store/Tdmper.h"
#include "tools/TForm6.h"
#include "tools/TForm7.h"
#include "tools/TForm9.h"
#include "tools/Tabout.h"
#include "users/Tuser1.h"
#include "users/Tuser2.h"

#include <QApplication>
#include <QThread>

#include <memory>

namespace {

// Held shared for the whole run: the backup program's restore needs it exclusively and waits for every copy to end.
std::unique_ptr<store::ProgramLock> g_lock;
QThread* g_dailyBackup = nullptr;
// Where runFromExecutable() runs: an installed program's directory is laid out once no restore can interfere.
platform::ProgramHome g_home;

} // namespace

void Program::prepareApplication()
{
    // The name, not the display name: Qt appends a display name to every window caption on Linux.
    QCoreApplication::setApplicationName(QStringLiteral("Velloranv4.0"));
    platform::Look::apply();
}

QString Program::homeMessage()
{
    return QStringLiteral("无法建立或更新你的程序目录 ~/Velloran，请检查主目录是否可以写入、磁盘是否已满。");
}

QString Program::restoringMessage()
{
    return QStringLiteral("数据备份与恢复程序正在恢复这个程序目录的数据，请等恢复完成后再启动 Velloran。");
}

bool Program::openDirectory(const QString& programDir, QString* error)
{
    // A restore that was interrupted is finished (or undone) before anything reads the data.
    if (!backup::Restore::recover(programDir, error))
        return false;
    g_lock = std::make_unique<store::ProgramLock>(programDir);
    // A directory that cannot be locked (read-only) still opens; only a restore under way keeps the program out.
    if (g_lock->tryLock(store::ProgramLock::Mode::Shared) == store::ProgramLock::Result::Busy) {
        g_lock.reset();
        *error = restoringMessage();
        return false;
    }
    QString why;
    if (!g_home.layOut(&why)) {
        g_lock.reset();
        *error = platform::ErrorLead::compose(homeMessage(), why);
        return false;
    }
    return true;
}

bool Program::start(const QString& programDir)
{
    platform::ProgramDir::set(programDir);
    // The book is chosen once: call.mdb, or the office's server that server.ini names.
    store::Book::choose(platform::ProgramDir::path());
    forms::entered = false;
    QString error;
    if (!openDirectory(platform::ProgramDir::path(), &error)) {
        platform::Prompt::warning(nullptr, error);
        return false;
    }
    forms::main = new Tmain;
    forms::main->ReadAhead();
    // The main window's creation handler: the start-up and sign-in run modally, before the other windows exist.
    forms::login = new Tlogin(platform::ProgramDir::path(), *forms::main);
    forms::login->exec();
    if (!forms::entered)
        return false;
    // The windows after the main window exist only once the start-up has completed; a failed start shows
    // nothing more and opens no connection.
    Tmain* main = forms::main;
    forms::add = new Tadd(*main, main);
    forms::dmper = new store::Tdmper(main);
    forms::gai = new Tgai(*main, main);
    forms::find = new Tfind(*main, main);
    forms::list = new Tlist(*main, main);
    forms::user1 = new Tuser1(*main, main);
    forms::user2 = new Tuser2(*main, main);
    forms::about = new Tabout(main);
    forms::Form6 = new TForm6(*main, main);
    forms::Form7 = new TForm7(*main, main);
    forms::Form9 = new TForm9(main);
    platform::Centre::onScreen(forms::main);
    forms::main->show();
    // The sign-in window had the focus; hand it to the main window so its short-cuts work at once.
    forms::main->raise();
    forms::main->activateWindow();
    return true;
}

void Program::startDailyBackup()
{
    const QString dir = platform::ProgramDir::path();
    const QDate today = platform::Clock::today();
    if (g_dailyBackup || !forms::main || !backup::DailyBackup::isDue(dir, today))
        return;
    // In the background, after the window is shown: the window never waits for it, and a failed backup (a full
    // disk) leaves the next start to try again. The failure is told once, in the status bar, where it stays until
    // the next hint: the program itself works on.
    auto failure = std::make_shared<QString>();
    g_dailyBackup = QThread::create([dir, today, failure] {
        bool written = false;
        QString error;
        if (!backup::DailyBackup::run(dir, today, &written, &error))
            *failure = error.simplified();
    });
    QObject::connect(g_dailyBackup, &QThread::finished, forms::main, [failure] {
        if (!failure->isEmpty())
            forms::main->ShowHint(QStringLiteral("今天的自动备份没有完成：%1").arg(*failure));
    });
    g_dailyBackup->start(QThread::LowPriority);
}

void Program::shutdown()
{
    if (g_dailyBackup) {
        g_dailyBackup->wait();
        delete g_dailyBackup;
        g_dailyBackup = nullptr;
    }
    HintHook::uninstall();
    delete forms::login;
    forms::login = nullptr;
    // Owned by the main window.
    forms::add = nullptr;
    forms::dmper = nullptr;
    forms::gai = nullptr;
    forms::find = nullptr;
    forms::list = nullptr;
    forms::user1 = nullptr;
    forms::user2 = nullptr;
    forms::about = nullptr;
    forms::Form6 = nullptr;
    forms::Form7 = nullptr;
    forms::Form9 = nullptr;
    delete forms::main;
    forms::main = nullptr;
    forms::entered = false;
    // The server book's connections and its shared lock end with the run.
    store::Book::forget();
    g_lock.reset();
}

int Program::run(const QString& programDir)
{
    if (!start(programDir)) {
        // No sign-in window means the directory was refused (a restore under way): a failed start too.
        const bool failed = !forms::login || forms::login->failed();
        Program::shutdown();
        return failed ? 1 : 0;
    }
    startDailyBackup();
    const int code = QApplication::exec();
    Program::shutdown();
    return code;
}

int Program::runFromExecutable()
{
    QString error;
    if (!platform::ProgramHome::settle(&g_home, &error)) {
        platform::Prompt::warning(nullptr, platform::ErrorLead::compose(homeMessage(), error));
        return 1;
    }
    return run(g_home.dir);
}
