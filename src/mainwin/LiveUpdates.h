#pragma once

#include "store/BookChanges.h"

#include <QObject>
#include <QString>

class QTimer;
class RecordModel;
class Tmain;

namespace store {
class Connection;
}

// The main window following the changes other desktops make to the book. While the list holds the whole table and
// no window of the program is open over it, a change elsewhere comes into the list by itself: only the rows that
// changed are read, and the selection and the scroll position stay with their names. Otherwise the status bar says
// so until the list can follow (a window closed) or F5 reloads it. The program's own changes are in the list
// already and are not read again. On the embedded file nothing is announced, and nothing of this happens.
class LiveUpdates : public QObject {
    Q_OBJECT
public:
    explicit LiveUpdates(Tmain& main);

    // The list is about to read the whole table (the first fill, a reload): it will hold the book as of now.
    void beforeFullRead(store::Connection& connection);
    // A change elsewhere waits for the list.
    bool pending() const { return m_pending; }

    static QString notice() { return QStringLiteral("其他电脑修改了通讯录，按F5刷新"); }
    // More changed rows than this are read as a whole reload.
    static constexpr int MostRows = 1000;

    // The rule: the list's rows brought in line with the changes, by name. Returns whether a row changed.
    static bool applyTo(RecordModel& model, const store::BookChanges::Delta& delta);

private:
    void contactsChanged();
    void usersChanged();
    // Brings the list up to date when nothing stands in the way, else tells the user and looks again later.
    void settle();
    bool blocked() const;
    void follow();
    // The whole table again, at once, the selection and the scroll position kept by name.
    void reloadKeepingPlace();
    void setNotice(bool shown);

    Tmain& m;
    store::BookChanges* m_changes;
    QTimer* m_later;
    qint64 m_mark = -1; // the book's mark the list reflects; -1: unknown, the next change reloads the table
    bool m_pending = false;
    bool m_usersPending = false;
};
