// velloran-signin-bench: how long the sign-in window takes to show its panel with many users in user.ini.
//
//   velloran-signin-bench [--users 40000]
//
// A copy of the laid-out program directory gets a user.ini listing that many users; the start-up runs as the
// program runs it, and the time from showing the window to the shown sign-in panel is printed.

#include "ContactGenerator.h"
#include "app/Tlogin.h"
#include "mainwin/Forms.h"
#include "mainwin/Tmain.h"
#include "platform/ProgramDir.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--users"));
    const int users = at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : 40000;

    QTemporaryDir dir;
    QString error;
    if (!dir.isValid() || !bench::copyProgramDir(QStringLiteral(VELLORAN_PROGRAM_DIR), dir.path(), &error)) {
        std::fprintf(stderr, "cannot lay out a program directory: %s\n", qPrintable(error));
        return 1;
    }
    QByteArray ini = "[ok]\r\nyes=1\r\n[cuser]\r\nname=0\r\n[user]\r\n";
    for (int i = 0; i < users; ++i)
        ini += "user" + QByteArray::number(i) + "=1\r\n";
    QFile file(dir.filePath(QStringLiteral("user.ini")));
    if (!file.open(QIODevice::WriteOnly) || file.write(ini) != ini.size())
        return 1;
    file.close();

    platform::ProgramDir::set(dir.path());
    forms::main = new Tmain;
    forms::login = new Tlogin(dir.path(), *forms::main);
    const auto* panel = forms::login->findChild<QWidget*>(QStringLiteral("Panel3"));
    const auto* names = forms::login->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
    const auto* label = forms::login->findChild<QLabel*>(QStringLiteral("Label1"));
    QElapsedTimer clock;
    clock.start();
    forms::login->show();
    while (!panel->isVisible() && !forms::login->isHidden() && clock.elapsed() < 600000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    std::printf("users=%d listed=%d panel_shown_ms=%lld label=%s\n", users, names->count(),
                static_cast<long long>(clock.elapsed()), qUtf8Printable(label->text()));
    return panel->isVisible() ? 0 : 1;
}
