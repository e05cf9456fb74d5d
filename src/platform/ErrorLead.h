#pragma once

#include <QString>

namespace platform {

// The Chinese sentences that lead the default error report: what failed and what the user can do. The technical
// text (a database's or the file layer's own words) follows them, so a report is both readable and searchable.
class ErrorLead {
public:
    ErrorLead() = delete;

    // 无法写入文件 set.ini，请检查磁盘空间和文件权限。
    static QString writeFile(const QString& fileName);
    // A settings or notes file that is not a regular file, is a link out of the program's directory, or is too large
    // to be one of the program's.
    static QString damagedFile(const QString& fileName);
    static QString openDatabase(const QString& fileName);
    // The book lies on this office server (empty: the embedded call.mdb); the database sentences then point there.
    static void setServer(const QString& name);
    static QString readDatabase();
    static QString writeDatabase();
    static QString deleteRecords();
    // A picture file that cannot be shown.
    static QString picture(const QString& fileName);
    // For errors no caller foresaw.
    static QString general();

    // The report's text: the lead, then the technical text on its own line (omitted when empty).
    static QString compose(const QString& lead, const QString& detail);
};

} // namespace platform
