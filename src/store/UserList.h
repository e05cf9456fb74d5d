#pragma once

#include <QString>
#include <QStringList>

namespace store {

class Connection;

// user.ini's list of users and its mode, when the users live in a book every desktop of an office shares: a user
// made at one desktop must sign in at all of them, and one deleted at one must be gone from all.
class UserList {
public:
    UserList() = delete;

    // On a server book, brings user.ini into agreement with table user1 (on the embedded store the start-up's own
    // checks compare the two): section user lists exactly the users of the table (names that cannot be a key
    // line are left out), ok/yes says user mode exactly when there is one.
    static bool followBook(Connection& connection, const QString& userIni, QString* error);
    // The rule itself: user.ini brought to these names.
    static bool agree(const QString& userIni, const QStringList& stored, QString* error);
    // A name that can stand as a key line of user.ini.
    static bool isKeyName(const QString& name);
};

} // namespace store
