#pragma once

#include <QDateTime>

namespace platform {

// Today's local date and time; tests fix it so birthdays, entry dates and the status bar date are predictable.
class Clock {
public:
    static QDateTime now();
    static QDate today() { return now().date(); }
    static void setNow(const QDateTime& fixed);
    static void reset();
};

} // namespace platform
