#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace platform {

namespace {
std::function<bool(const QString&)>& recorder()
{
    static std::function<bool(const QString&)> r;
    return r;
}
} // namespace

bool Shell::open(const QString& target)
{
    if (recorder())
        return recorder()(QStringLiteral("open:") + target);
    const QUrl url = target.contains(QLatin1String("://")) ? QUrl(target) : QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
    return QDesktopServices::openUrl(url);
}

bool Shell::startDetached(const QString& program, const QStringList& arguments)
{
    if (recorder())
        return recorder()(QStringLiteral("start:") + program);
    return QProcess::startDetached(program, arguments);
}

void Shell::setRecorder(std::function<bool(const QString&)> r)
{
    recorder() = std::move(r);
}

} // namespace platform
