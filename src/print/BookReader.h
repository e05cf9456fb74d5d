#pragma once

#include "exchange/Contact.h"
#include "print/Book.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace store {
class Connection;
}

namespace print {

// Reads what printed lists and contact codes show from table main.
class BookReader {
public:
    BookReader() = delete;

    // Every record, or only those whose names are in `names` (the rows a list shows, matched as the table matches
    // names). False with the database's reason when the table cannot be read.
    static bool read(store::Connection& connection, const QStringList* names, std::vector<Entry>* entries,
                     QString* error);
    // The record of that name; *found is false when there is none.
    static bool readContact(store::Connection& connection, const QString& name, exchange::Contact* contact, bool* found,
                            QString* error);
    // The book's title: the title text the main window shows (set.ini, [main] title), else the default one.
    static QString title(const QString& setIni);
};

} // namespace print
