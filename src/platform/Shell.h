#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

// Opening a document or web address with its default program, and starting a program without waiting for
// it (always with an argument list, never through a shell string). Tests record the requests instead.
class Shell {
public:
    // False when no program could be asked to open it (no web browser installed, say).
    static bool open(const QString& target);
    static bool startDetached(const QString& program, const QStringList& arguments = {});

    // Tests: receives "open:<target>" or "start:<program>"; returning true counts as opened or started.
    static void setRecorder(std::function<bool(const QString&)> recorder);
};

} // namespace platform
