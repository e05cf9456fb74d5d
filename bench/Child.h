#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace bench {

// A line of the report on standard output; a line of progress on standard error.
void say(const QString& text);
void progress(const QString& text);

// Runs a benchmark program as a measuring child with these arguments (offscreen) and collects the key=value pairs
// of its "RESULT ..." line. *launchNs gets the monotonic time of the launch. An empty program is this one.
bool runChildProcess(const QStringList& arguments, QHash<QString, QString>* values, QString* error,
                     qint64* launchNs = nullptr, const QString& program = QString());

// Runs the tests' private PostgreSQL script (start FOLDER DATA, stop FOLDER); *error gets its output on failure.
bool serverScript(const QStringList& arguments, QString* error = nullptr);

} // namespace bench
