#pragma once

#include "store/ServerSettings.h"

#include <QString>

namespace store {

class Connection;

// The contact book a program directory uses, chosen from its server.ini: the embedded call.mdb, or the office's
// server. Every connection to call.mdb asks here; nothing above store does.
class Book {
public:
    Book() = delete;

    static QString fileName() { return QStringLiteral("call.mdb"); }

    // Reads the program directory's server.ini once, at the start of a program: from then on every connection to
    // call.mdb reaches that server, or the embedded file when it names none. A server.ini that cannot be used is
    // never taken as "no server": connections then fail with its error instead of opening the local file.
    static void choose(const QString& programDir);
    // The chosen store of the current program directory (chosen now when the directory has changed since); false
    // with the reason when server.ini cannot be used.
    static bool current(ServerSettings* settings, QString* error = nullptr);
    // For a program directory: the chosen store (with this run's password) when it is the current one, else what
    // its server.ini says. Safe on any thread.
    static bool settingsFor(const QString& programDir, ServerSettings* settings, QString* error = nullptr);
    // A password asked for at start; kept in memory for the run only.
    static void setPassword(const QString& password);
    enum class Check { Ok, Missing, NeedsPassword, Failed };
    // The start-up's check of the book over this connection: the embedded file exists and has its tables; a
    // server answers, has the tables of this program's version and is not being restored, and the program then
    // holds the server book's shared lock for its run. *failure gets the text the start-up shows.
    static Check check(Connection& connection, QString* failure);

    // Forgets the choice, the password and the run's lock: the program ends (or a test starts it again).
    static void forget();
};

} // namespace store
