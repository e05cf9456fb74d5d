#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace backup {

// The plan of one restore's swap, written atomically into the program directory before the first rename and
// removed after the last. Every step is a rename inside one file system (atomic), first all old items into the
// safety copy, then all staged items into place; whether a step is done can be seen on disk, so an interrupted
// swap can be finished (or undone) from the journal at any point.
class RestoreJournal {
public:
    QString staging;      // relative to the program directory
    QString safety;       // relative: backup/before-restore-<date-time>
    QStringList oldItems; // top-level names moved aside
    QStringList newItems; // top-level names put in place from staging

    static QString fileName() { return QStringLiteral(".velloran-restore"); }
    static QString stagingName() { return QStringLiteral(".velloran-restore-staging"); }
    static bool exists(const QString& programDir);
    // Removes a folder with what it holds; a link in its place is removed itself, never what it leads to.
    static void removeFolder(const QString& path);

    // The swap for what lies staged now: creates the dated safety folder; the old items are the present data,
    // the databases' companions and whatever the new items would otherwise replace.
    static bool plan(const QString& programDir, const QDateTime& now, RestoreJournal* journal, QString* error);
    bool write(const QString& programDir, QString* error) const;
    static bool read(const QString& programDir, RestoreJournal* journal, QString* error);

    // Does the renames not yet done, in order; stops with an error after `limit` renames when limit >= 0
    // (tests stand in for a crash there). A rename never replaces anything.
    bool rollForward(const QString& programDir, QString* error, int limit = -1) const;
    // Undoes the renames done: staged items back into staging, old items back into place.
    bool rollBack(const QString& programDir, QString* error) const;
    // Once the swap is complete or undone: removes the journal, then the staging folder, and the safety folder
    // when it stayed empty.
    bool finish(const QString& programDir, QString* error) const;
};

} // namespace backup
