#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace store {

class Connection;

// The contact book on a server: the tables main, user1 and version as the embedded file has them, the photos'
// bytes by file name, and what tells the desktops of each other's changes (main's stamps, the deleted names, the
// announcements). Names are unique without regard to A-Z letter case, by unique indexes on the very expression
// the statements compare with (Dialect::foldedName).
class ServerBook {
public:
    ServerBook() = delete;

    // Every table of a server book.
    static const QStringList& tables();
    // The tables' version this program reads and writes; the version table's row says which one a book has.
    static QString version() { return QStringLiteral("4.1"); }
    // The one older version a book can be brought up from: it lacks the change stamps and announcements.
    static QString olderVersion() { return QStringLiteral("4.0"); }

    // Creates the tables, indexes, triggers and the version row in one transaction, only when none of the tables
    // exists (*existed tells why nothing was done). Needs the right to create tables: the database's owner.
    static bool create(Connection& connection, bool* existed, QString* error);
    // Brings a book of the older version up to this one in one transaction (*from: the version found). Needs the
    // database's owner; the roles that read the contacts may then read their deletions too.
    static bool upgrade(Connection& connection, QString* from, QString* error);
    // The tables that are missing, and the version the book has.
    static bool inspect(Connection& connection, QStringList* missing, QString* version, QString* error);
    // Rows of main, user1 and photo.
    static bool count(Connection& connection, int* contacts, int* users, int* photos, QString* error);

    // One row as libpq hands it over: UTF-8 texts (raw bytes for large rows), nullptr for NULL. A value stays valid
    // until the sink returns.
    using RowSink = std::function<bool(const char* const* values, const int* lengths, int columns, QString* error)>;
    // Every row of a fixed select on a server connection, without turning each value into Qt's types and back: a
    // whole book is copied this way. Large rows (photos, as raw bytes) come from the server one at a time, so that
    // they need not fit into memory at once; small ones in one answer. Runs inside whatever transaction the
    // connection has open.
    enum class Rows { Small, Large };
    static bool readRows(Connection& connection, const char* select, Rows rows, const RowSink& sink, QString* error);
};

} // namespace store
