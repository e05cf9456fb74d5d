#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

// velloran's own options, answered on the terminal before any window or display is needed: --help and --version.
// Every other argument goes to Qt, as always (-platform, -style …).
class Usage {
public:
    // The exit status when the arguments (without the program's name) ask for help or the version, printed on out;
    // nothing when the program is to start.
    static std::optional<int> answer(const QStringList& arguments, QTextStream& out);
    // answer() for main's arguments, printed on the standard output.
    static std::optional<int> answer(int argc, char** argv);

    static QString helpText();
    static QString versionText();
};
