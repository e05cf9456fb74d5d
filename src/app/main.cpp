#include "app/Program.h"
#include "app/Usage.h"

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
    if (const std::optional<int> answered = Usage::answer(argc, argv))
        return *answered;
    if (!hasDisplay()) {
        std::fprintf(stderr, "Velloran is a desktop program and found no graphical display (DISPLAY is not set); "
                             "on a machine without one, start it as: xvfb-run -a %s\n",
                     argc > 0 ? argv[0] : "velloran");
        return 2;
    }
    QApplication app(argc, argv);
    Program::prepareApplication();
    return Program::runFromExecutable();
}
