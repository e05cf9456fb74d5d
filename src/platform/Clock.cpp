#include "platform/Clock.h"

namespace platform {

namespace {
QDateTime& fixedNow()
{
    static QDateTime t;
    return t;
}
} // namespace

QDateTime Clock::now()
{
    return fixedNow().isValid() ? fixedNow() : QDateTime::currentDateTime();
}

void Clock::setNow(const QDateTime& fixed)
{
    fixedNow() = fixed;
}

void Clock::reset()
{
    fixedNow() = QDateTime();
}

} // namespace platform
