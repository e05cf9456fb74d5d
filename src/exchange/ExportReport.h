#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace exchange {

// What an export wrote.
struct ExportReport {
    int written = 0;
    // Names asked for that the table no longer holds (deleted meanwhile by another running copy).
    int missing = 0;
    bool cancelled = false;
    // Photos that could not go into the file, by name.
    QList<std::pair<QString, QString>> notes;
    // Contacts with a photo, written to a CSV file: a sheet carries no pictures.
    QStringList withoutPhoto;

    // One line: "已导出120个联系人。"
    QString summary() const;
    // The summary, then the photos left out, by name.
    QString details() const;
};

} // namespace exchange
