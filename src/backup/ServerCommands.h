#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

namespace store {
class Connection;
class ServerSettings;
}

namespace backup {

// Setting up and moving a contact book on an office's server: data's commands "server init", "server push" and
// "server status", and the same work for its window. Each returns one line for the user: *done on success, *error
// (Chinese, naming the server, then the technical text) otherwise.
class ServerCommands {
public:
    ServerCommands() = delete;

    // arguments after "server". Returns the exit status: 0 done (one line on out), 1 failed, 2 not understood
    // (one line on err), as CommandLine::run.
    static int run(const QStringList& arguments, const QString& programDir, QTextStream& out, QTextStream& err);

    // The tables, indexes and version row in the server's empty database. A book of the older version is brought up
    // to this one in one transaction, while no program runs on it; any other book is refused, with nothing changed.
    // Needs a role that may create tables there (the database's owner).
    static bool init(const store::ServerSettings& server, QString* done, QString* error);
    // The desktop's book (call.mdb with its users, and every photo of photo/) into the server's empty book, in one
    // transaction.
    static bool push(const QString& programDir, const store::ServerSettings& server, QString* done, QString* error);
    // Which store the program directory uses; for a server, whether it answers and what it holds.
    static bool status(const QString& programDir, const store::ServerSettings& server, QString* done, QString* error);

private:
    static bool upgrade(store::Connection& c, const store::ServerSettings& server, QString* done, QString* error);
};

} // namespace backup
