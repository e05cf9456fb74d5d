#pragma once

#include <QString>
#include <QStringList>

namespace store {

class Connection;

// The contact book on a server: the tables main, user1 and version as the embedded file has them, and the photos'
// bytes by file name. Names are unique without regard to A-Z letter case, by unique indexes on the very expression
// the statements compare with (Dialect::foldedName).
class ServerBook {
public:
    ServerBook() = delete;

    // Every table of a server book.
    static const QStringList& tables();
    // The tables' version this program reads and writes; the version table's row says which one a book has.
    static QString version() { return QStringLiteral("4.0"); }

    // Creates the tables, indexes and the version row in one transaction, only when none of the tables exists
    // (*existed tells why nothing was done). Needs the right to create tables: the database's owner.
    static bool create(Connection& connection, bool* existed, QString* error);
    // The tables that are missing, and the version the book has.
    static bool inspect(Connection& connection, QStringList* missing, QString* version, QString* error);
    // Rows of main, user1 and photo.
    static bool count(Connection& connection, int* contacts, int* users, int* photos, QString* error);
};

} // namespace store
