#pragma once

#include "exchange/Format.h"
#include "exchange/ImportReport.h"
#include "exchange/Progress.h"

#include <QByteArray>
#include <QString>

namespace store {
class Connection;
}

namespace exchange {

// Imports a vCard or CSV file into table main: all of it in one transaction, or nothing. A file that cannot be
// read, is neither format, or holds a card that never ends is refused whole with the line of the fault; so is a
// cancelled import. Cards are stored as they are read, so memory holds the file and one card, not every contact.
// Photos go into photo/ by the program's photo rules and are removed again when nothing is stored. Running out of
// memory is one more refusal: no std::bad_alloc leaves the importer.
class Importer {
public:
    // The connection to call.mdb that stores the contacts, best one of the import's own; it must not be inside a
    // transaction already. The import holds the database's write lock until it ends.
    explicit Importer(store::Connection& connection);

    // Called between chunks; returning false cancels the import.
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    // What happens to a contact whose name the book has already: skipped (the default), or the book's record gets
    // the file's values for its blank fields (BlankFill), never changing a field that holds anything.
    enum class Existing { Skip, FillBlanks };
    void setExisting(Existing existing) { m_existing = existing; }

    // The format comes from the file's extension (.vcf, .vcard or .csv). True when the file was imported (the
    // report may still skip every contact); false with *error one line for the user, nothing stored.
    bool importFile(const QString& path, ImportReport* report, QString* error = nullptr);
    bool importData(const QByteArray& data, Format format, ImportReport* report, QString* error = nullptr);

    // Larger files are refused before they are read: an import holds the whole file in memory.
    static constexpr qint64 MaxFileSize = 256 * 1024 * 1024;

private:
    // *fileFault tells a refusal that lies in the file from a cancel or a database failure.
    bool run(const QByteArray& data, Format format, ImportReport* report, QString* error, bool* fileFault);

    store::Connection& m_connection;
    Progress m_progress;
    Existing m_existing = Existing::Skip;
};

} // namespace exchange
