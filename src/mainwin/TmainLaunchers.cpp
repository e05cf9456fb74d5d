// The commands that open the tool and user windows, and the launchers of what lies outside the program: the backup
// program, the manual and the web pages.
#include "mainwin/Tmain.h"

#include "hub/Site.h"
#include "mainwin/Forms.h"
#include "mainwin/ManualWindow.h"
#include "platform/ErrorLead.h"
#include "platform/ProgramDir.h"
#include "platform/Prompt.h"
#include "platform/Shell.h"
#include "store/Statements.h"
#include "store/Tdmper.h"
#include "tools/TForm6.h"
#include "tools/TForm9.h"
#include "tools/Tabout.h"
#include "users/Tuser1.h"
#include "users/Tuser2.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>

void Tmain::T1Click()
{
    forms::Form6->exec();
}

void Tmain::N37Click()
{
    Tuser1* window = forms::user1;
    QString error;
    if (!window->modal.open(&error))
        return ReportError(platform::ErrorLead::openDatabase(QStringLiteral("call.mdb")), error);
    window->ano.setConnection(&window->modal);
    window->ano.setStatement(store::sql::SelectAllUsers);
    // Appending needs the columns only.
    if (!window->ano.open(false)) {
        window->modal.close();
        return ReportError(platform::ErrorLead::readDatabase(), window->ano.errorText());
    }
    window->ano.append();
    window->DBComboBoxEh1->setEditText(QStringLiteral("普通用户"));
    window->exec();
}

void Tmain::N38Click()
{
    Tuser2* window = forms::user2;
    if (!Edit1->text().isEmpty()) {
        store::Dataset& amo = window->amo;
        // Clearing the statement closes amo and drops a change left from an earlier showing.
        amo.close();
        amo.clearStatement();
        amo.setConnection(&forms::dmper->acper);
        amo.setStatement(store::sql::SelectUserByName);
        amo.setParameter(QStringLiteral("duser"), Edit1->text());
        QString error;
        if (!window->acper.open(&error) || !amo.open()) {
            window->acper.close();
            return ReportError(platform::ErrorLead::readDatabase(), error.isEmpty() ? amo.errorText() : error);
        }
        amo.edit();
    }
    window->exec();
}

void Tmain::Q1Click()
{
    if (!QFileInfo(platform::ProgramDir::file(QStringLiteral("qh.mdb"))).isFile()) {
        platform::Prompt::warning(this, QStringLiteral("找不到数据文件qh.mdb") + QLatin1Char('\n') +
                                            QStringLiteral("请重新安装！"));
        return;
    }
    forms::Form9->exec();
}

void Tmain::N27Click()
{
    if (!Edit1->text().isEmpty()) {
        platform::Prompt::information(
            this, QStringLiteral("用户模式下不支持数据备份与恢复\n如果你要使用此功能请先删除用户进入开放模式"));
        return;
    }
    const QString tool = platform::ProgramDir::programFile(QStringLiteral("data"));
    if (!QFileInfo(tool).isFile()) {
        platform::Prompt::warning(this, QStringLiteral("找不到子程序文件data.exe\n请重新安装！"));
        return;
    }
    // The tool works on the database while this program is gone; a tool that did not start leaves it running.
    if (!platform::Shell::startDetached(tool)) {
        ReportError(QStringLiteral("子程序文件data.exe无法启动，请检查它是否可以执行，或者重新安装。"), tool);
        return;
    }
    close();
}

void Tmain::N25Click()
{
    const QString manual = platform::ProgramDir::manualFile(QStringLiteral("help.html"));
    if (!QFileInfo(manual).isFile())
        return;
    // Without a web browser to open it, the manual shows in a window of the program's own.
    if (!platform::Shell::open(manual))
        ManualWindow::showFor(this, manual);
}

void Tmain::R2Click()
{
    platform::Shell::open(QStringLiteral("http://") + hub::siteHost() + QStringLiteral("/call/user.asp"));
}

void Tmain::W1Click()
{
    platform::Shell::open(hub::homePage());
}

void Tmain::N19Click()
{
    forms::about->exec();
}
