#include "platform/Beep.h"

#include <QApplication>

namespace platform {

namespace {
int g_beeps = 0;
}

void Beep::beep()
{
    ++g_beeps;
    QApplication::beep();
}

int Beep::count()
{
    return g_beeps;
}

void Beep::resetCount()
{
    g_beeps = 0;
}

} // namespace platform
