#pragma once

#include "store/TextRows.h"

#include <QString>
#include <QStringList>

class QSqlDatabase;
class QSqlError;

namespace store {

// Where the SQL of the two stores differs, each difference in one place: the embedded SQLite file and the office's
// PostgreSQL server. A connection picks the dialect of the store it is open on; the fixed statements and the
// windows above never ask which store runs. No text here is ever built from input.
class Dialect {
public:
    virtual ~Dialect() = default;

    static const Dialect& embedded();
    static const Dialect& server();

    // Run first on every new connection: SQLite's pragmas, the server's session settings.
    virtual QStringList sessionSettings() const = 0;
    // Starts a transaction that holds the book's write lock until it ends, so that what it reads first stays true
    // (SQLite: the database's write lock; the server: the book's tables locked against other writers).
    virtual QStringList beginTransaction() const = 0;
    // The names of the book's tables.
    virtual QString userTables() const = 0;
    // A fixed statement as this store runs it. The server compares the names 姓名 and 用户 folding exactly A-Z, as
    // SQLite's NOCASE does (its own lower() and collations fold far more), with the same expression its unique
    // indexes use.
    virtual QString statement(const QString& fixed) const = 0;
    // Appended to an INSERT so that it returns the key the store numbered the row with; empty when the driver's
    // lastInsertId() tells it.
    virtual QString returningKey(const QString& key) const = 0;
    virtual bool isUniqueViolation(const QSqlError& error) const = 0;
    // True inside a transaction that can still commit: false before, after, and once a failed statement has ended
    // it (SQLite) or spoilt it (the server refuses everything until a rollback, and answers its COMMIT with a
    // rollback). `begun` says whether the connection started one and has not ended it.
    virtual bool inTransaction(const QSqlDatabase& db, bool begun) const = 0;
    // Every row of a fixed select, each value as the text Qt's driver would give (empty for NULL), read through the
    // store's own interface without a variant per value: the whole-table reads of the list and the searches.
    virtual bool readTexts(const QSqlDatabase& db, const QString& fixed, const TextSink& sink,
                           QString* error) const = 0;
    // A number that differs from the last one this connection was given whenever another connection has committed a
    // change to the book since; false when the store cannot tell.
    virtual bool dataVersion(const QSqlDatabase& db, qint64* version) const = 0;
    // Whether the photos' bytes live in the book (the server), or only as the files of photo/ (the embedded store).
    virtual bool photosInBook() const = 0;

    // The name comparison the server's unique indexes and statements use: only A-Z become a-z.
    static QString foldedName(const QString& expression);
};

} // namespace store
