#include "app/Program.h"

#include "app/HintHook.h"
#include "app/Tlogin.h"
#include "edit/Tadd.h"
#include "edit/Tgai.h"
#include "search/Tfind.h"
#include "search/Tlist.h"
#include "mainwin/Forms.h"
#include "mainwin/Tmain.h"
#include "platform/Centre.h"
#include "platform/ProgramDir.h"
#include "store/Tdmper.h"
#include "tools/TForm6.h"
#include "tools/TForm7.h"
#include "tools/TForm9.h"
#include "tools/Tabout.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QTranslator>

void Program::prepareApplication()
{
    // The name, not the display name: Qt appends a display name to every window caption on Linux.
    QCoreApplication::setApplicationName(QStringLiteral("Velloranv4.0"));
    auto* translator = new QTranslator(qApp);
    if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC")});
    font.setPixelSize(12);
    QApplication::setFont(font);
}

bool Program::start(const QString& programDir)
{
    platform::ProgramDir::set(programDir);
    forms::entered = false;
    forms::main = new Tmain;
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

void Program::shutdown()
{
    HintHook::uninstall();
    delete forms::login;
    forms::login = nullptr;
    // Owned by the main window.
    forms::add = nullptr;
    forms::dmper = nullptr;
    forms::gai = nullptr;
    forms::find = nullptr;
    forms::list = nullptr;
    forms::about = nullptr;
    forms::Form6 = nullptr;
    forms::Form7 = nullptr;
    forms::Form9 = nullptr;
    delete forms::main;
    forms::main = nullptr;
    forms::entered = false;
}

int Program::run(const QString& programDir)
{
    if (!start(programDir)) {
        const bool failed = forms::login && forms::login->failed();
        Program::shutdown();
        return failed ? 1 : 0;
    }
    const int code = QApplication::exec();
    Program::shutdown();
    return code;
}
