#pragma once

#include <QString>

namespace backup {

// The folder a backup works in, beside the archive (the same disk, which has room for the archive anyway): its copy
// of call.mdb and the archive until it is complete and renamed into place. Both are whole copies of the contacts,
// so the folder never stays: it is locked while in use, removed on every way out, on the signals that end a process
// too (once removeOnSignals() is installed), and what a backup killed outright left behind is removed by the next
// backup into that folder.
class SnapshotFolder {
public:
    SnapshotFolder() = default;
    ~SnapshotFolder();
    SnapshotFolder(const SnapshotFolder&) = delete;
    SnapshotFolder& operator=(const SnapshotFolder&) = delete;

    static QString prefix() { return QStringLiteral(".velloran-snapshot-"); }

    // Removes the left-overs of killed backups in parent (never one a running backup holds), then creates a new
    // folder there (mode 0700) and locks it.
    bool create(const QString& parent, QString* error);
    // The folder itself: a server book's snapshot also puts its photos there, in photo/.
    QString path() const { return m_path; }
    QString databasePath() const;
    QString archivePath() const;
    // Removes the folder and the snapshot with its journal files; also done by the destructor.
    void remove();

    // Ends the process on SIGINT, SIGTERM, SIGHUP and SIGQUIT as before, but removes a snapshot in use first.
    static void removeOnSignals();
    // The left-overs of killed backups in parent; a folder that a running backup holds stays.
    static void removeLeftovers(const QString& parent);

private:
    QString m_path;
    int m_fd = -1;
};

} // namespace backup
