#pragma once

#include "exchange/ExportReport.h"
#include "exchange/Progress.h"

#include <QString>
#include <QStringList>

namespace store {
class Connection;
}

namespace exchange {

// Writes the records of table main to a vCard 3.0 or CSV file, the format from the file's extension. The file is
// replaced as a whole when the export succeeds and left as it was when it fails or is cancelled; every write, the
// sync and the close are checked, and a failure names the disk. A device or other non-regular file is never
// replaced.
class Exporter {
public:
    // A connection of the export's own is best: its read stays open while progress lets the window run.
    explicit Exporter(store::Connection& connection);

    // Called between chunks; returning false cancels the export.
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    // Every record of the table, oldest first.
    bool exportAll(const QString& path, ExportReport* report, QString* error = nullptr);
    // The records of these names (the rows a list shows), in table order; names are matched as the table does.
    bool exportNames(const QString& path, const QStringList& names, ExportReport* report, QString* error = nullptr);

private:
    bool run(const QString& path, const QStringList* names, ExportReport* report, QString* error);
    bool write(const QString& path, const QStringList* names, ExportReport* report, QString* error);

    store::Connection& m_connection;
    Progress m_progress;
};

} // namespace exchange
