#include "app/Program.h"
#include "app/Usage.h"
#include "platform/Startup.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

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
    platform::Startup::endOnOutOfMemory("Velloran ran out of memory and ended; close other programs and start it "
                                        "again.");
    if (const std::optional<int> answered = Usage::answer(argc, argv))
        return *answered;
    if (!hasDisplay()) {
        std::fprintf(stderr, "Velloran is a desktop program and found no graphical display (DISPLAY is not set); "
                             "on a machine without one, start it as: xvfb-run -a %s\n",
                     argc > 0 ? argv[0] : "velloran");
        return 2;
    }
    platform::Startup::guardDisplay("Velloran is a desktop program and could not open the graphical display named by "
                                    "DISPLAY; start it on a running desktop, or as: xvfb-run -a velloran");
    QApplication app(argc, argv);
    platform::Startup::displayReached();
    Program::prepareApplication();
    return Program::runFromExecutable();
}
