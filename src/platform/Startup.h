#pragma once

#include <QString>

namespace platform {

// What both programs do around their first application object.
class Startup {
public:
    // Qt's plugins come only from Qt's own installed plugin folder. Qt would otherwise also search the program's
    // directory (which users and restores write) and QT_PLUGIN_PATH, and run whatever plugin it finds there, before
    // any sign-in. Call before the first QCoreApplication; the paths stay so for the whole run.
    static void restrictPluginPaths();
    // The one folder plugins are loaded from, as fixed before the application existed.
    static QString pluginFolder();

    // Between these two calls (around constructing the QApplication), a display that cannot be reached ends the
    // process with `message` on standard error and status 2, instead of Qt's English text and an abort. Qt's own
    // lines about the display are held back and shown only when the display was reached after all.
    static void guardDisplay(const char* message);
    static void displayReached();

    // Running out of memory (a std::bad_alloc that nothing catches, thrown by Qt while it loads a font, say) ends
    // the process with `message` on standard error and status 1 instead of an abort. Any other exception that
    // nothing catches still aborts.
    static void endOnOutOfMemory(const char* message);
};

} // namespace platform
