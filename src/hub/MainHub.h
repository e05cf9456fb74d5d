#pragma once

#include <QString>

class QWidget;
class RecordListView;
namespace store {
class Connection;
class ContactReader;
}

namespace hub {

// What the other windows reach of the main window: the record list they read and change directly, the whole-table
// flag and the summary request, the record routines, the commands the browser hands its record to, the signed-in
// user and the two connections. The main window implements it and the program body hands it to each window, so the
// windows never include the main window itself.
class MainHub {
public:
    virtual ~MainHub() = default;

    // ListView1.
    virtual RecordListView* recordList() = 0;
    // The whole-table flag (Button1's caption): true when the list holds every record, false for a subset.
    virtual void setWholeTable(bool whole) = 0;
    // Enables the summary step Timer7; requests before it runs give one summary.
    virtual void RequestSummary() = 0;

    // True when a record of this name exists; a database error counts as "no".
    virtual bool NameExists(const QString& name) = 0;
    // Deletes the records of this name; false with the error text when the database refuses.
    virtual bool DeleteByName(const QString& name, QString* error = nullptr) = 0;
    // Opens the modify window for the record of that name, when exactly one row is selected.
    virtual void OpenModify(const QString& name) = 0;
    // The delete and modify commands on the list's selection (menu 删除 and 修改).
    virtual void N10Click() = 0;
    virtual void N7Click() = 0;

    // The signed-in user's name (empty in open mode) and rights.
    virtual QString signedInUser() const = 0;
    virtual QString signedInRights() const = 0;

    // The main window's own connection (reloads, details, browser) and the data module's shared one (editing,
    // search, duplicate-name and delete statements); the shared one is absent until the data module exists.
    virtual store::Connection& mainConnection() = 0;
    virtual store::Connection* sharedConnection() = 0;
    // The whole-table reads of the list and the searches, in a thread of their own; it keeps the rows read last.
    virtual store::ContactReader& contactReader() = 0;

    // The QR code window of the record of that name, over `over` (the browser shows it over itself).
    virtual void ShowContactCode(const QString& name, QWidget* over) = 0;

    // --- Tool windows (statistics, area codes, title text, about) ---
    // The statistics window reads recordList() and calls RequestSummary(); the title text window sets the main
    // window's caption (the application's name stays as it is).
    virtual void SetCaption(const QString& caption) = 0;
};

} // namespace hub
