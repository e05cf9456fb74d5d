#include "Child.h"

#include "Clocks.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <cstdio>

namespace bench {

namespace {
constexpr int kChildTimeoutMs = 10 * 60 * 1000;
} // namespace

void say(const QString& text)
{
    std::fputs(qUtf8Printable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void progress(const QString& text)
{
    std::fputs(qUtf8Printable(text + QLatin1Char('\n')), stderr);
    std::fflush(stderr);
}

bool runChildProcess(const QStringList& arguments, QHash<QString, QString>* values, QString* error, qint64* launchNs,
                     const QString& program)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProgram(program.isEmpty() ? QCoreApplication::applicationFilePath() : program);
    child.setArguments(arguments);
    if (launchNs)
        *launchNs = monotonicNs();
    child.start();
    if (!child.waitForStarted(30000)) {
        *error = QStringLiteral("cannot start the measuring process: %1").arg(child.errorString());
        return false;
    }
    if (!child.waitForFinished(kChildTimeoutMs)) {
        child.kill();
        child.waitForFinished(5000);
        *error = QStringLiteral("the measuring process did not finish within %1 s").arg(kChildTimeoutMs / 1000);
        return false;
    }
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    const QString err = QString::fromUtf8(child.readAllStandardError()).trimmed();
    for (const QString& line : out.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1String("RESULT ")))
            continue;
        for (const QString& pair : line.mid(7).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const qsizetype eq = pair.indexOf(QLatin1Char('='));
            if (eq > 0)
                values->insert(pair.left(eq), pair.mid(eq + 1));
        }
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 || values->isEmpty()) {
        *error = QStringLiteral("the measuring process failed (exit %1)%2")
                     .arg(child.exitCode())
                     .arg(err.isEmpty() ? QString() : QStringLiteral(":\n") + err);
        return false;
    }
    return true;
}

bool serverScript(const QStringList& arguments, QString* error)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(VELLORAN_SOURCE_DIR "/tests/server/pg-server.sh"), arguments);
    const bool ok = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok && error)
        *error = QString::fromUtf8(p.readAll()).trimmed();
    return ok;
}

} // namespace bench
