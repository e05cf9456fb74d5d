#include "platform/Startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QList>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <utility>

namespace platform {

namespace {

// Standard error gets the line, and the process ends without running anything more.
[[noreturn]] void endWith(const char* message, int status)
{
    std::fputs(message, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    std::_Exit(status);
}

QString& folder()
{
    static QString f;
    return f;
}

void keepOnlyQtFolder()
{
    QCoreApplication::setLibraryPaths(folder().isEmpty() ? QStringList() : QStringList{folder()});
}

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

const char* g_displayMessage = nullptr;
QtMessageHandler g_previous = nullptr;

QList<HeldMessage>& held()
{
    static QList<HeldMessage> messages;
    return messages;
}

void holdMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) // Qt gives up on the display here and would abort; nothing of the program has started.
        endWith(g_displayMessage, 2);
    held().append({type, QByteArray(context.category ? context.category : ""), text});
}

const char* g_memoryMessage = nullptr;

[[noreturn]] void onTerminate()
{
    if (const std::exception_ptr uncaught = std::current_exception()) {
        try {
            std::rethrow_exception(uncaught);
        } catch (const std::bad_alloc&) {
            endWith(g_memoryMessage, 1);
        } catch (...) {
        }
    }
    std::abort();
}

} // namespace

void Startup::restrictPluginPaths()
{
    // Before an application exists Qt reads no qt.conf beside the program: this is the installed folder.
    folder() = QDir(QLibraryInfo::path(QLibraryInfo::PluginsPath)).canonicalPath();
    // Qt adds the program's directory to the paths while it constructs the application, except when that directory
    // was among its first paths and was removed: so let Qt note it (and QT_PLUGIN_PATH's folders) first.
    const QString programDir = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).path();
    const bool wasSet = qEnvironmentVariableIsSet("QT_PLUGIN_PATH");
    const QByteArray saved = qgetenv("QT_PLUGIN_PATH");
    qputenv("QT_PLUGIN_PATH", QFile::encodeName(programDir) + (saved.isEmpty() ? QByteArray() : ':' + saved));
    QCoreApplication::libraryPaths();
    if (wasSet)
        qputenv("QT_PLUGIN_PATH", saved);
    else
        qunsetenv("QT_PLUGIN_PATH");
    keepOnlyQtFolder();
    // Once more as soon as the application exists, whatever Qt added meanwhile.
    static bool added = false;
    if (!added)
        qAddPreRoutine(keepOnlyQtFolder);
    added = true;
}

QString Startup::pluginFolder()
{
    return folder();
}

void Startup::guardDisplay(const char* message)
{
    g_displayMessage = message;
    g_previous = qInstallMessageHandler(holdMessage);
}

void Startup::displayReached()
{
    qInstallMessageHandler(g_previous);
    const QList<HeldMessage> messages = std::exchange(held(), {});
    for (const HeldMessage& m : messages) {
        const QMessageLogContext context(nullptr, 0, nullptr, m.category.constData());
        qt_message_output(m.type, context, m.text);
    }
}

void Startup::endOnOutOfMemory(const char* message)
{
    g_memoryMessage = message;
    std::set_terminate(onTerminate);
}

} // namespace platform
