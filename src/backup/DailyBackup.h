#pragma once

#include "backup/ArchiveSummary.h"

#include <QDate>
#include <QList>

namespace backup {

// The automatic backups in the program directory's backup/ folder: one archive a day, named by its date, the
// last seven kept. Archives the user put there under other names and the safety copies of restores are listed
// (archives) or left alone (everything else), never pruned.
class DailyBackup {
public:
    static constexpr int Kept = 7;

    struct Listed {
        ArchiveSummary summary; // summary.created is the file's time when the manifest cannot be read
        QString problem;        // why the archive cannot be read; empty when it can
    };

    static QString folder(const QString& programDir);
    static QString archiveName(const QDate& day); // velloran-YYYYMMDD.zip
    // Whether today's archive is missing.
    static bool isDue(const QString& programDir, const QDate& today);
    // Writes today's archive when it is missing, then prunes the daily archives to the last Kept. *written tells
    // whether an archive was written. Refused while a restore runs; safe on a background thread while the main
    // program runs.
    static bool run(const QString& programDir, const QDate& today, bool* written, QString* error);
    // Every *.zip in backup/, newest first, with its date and contact count from the manifest (fast).
    static QList<Listed> list(const QString& programDir);

private:
    static void prune(const QString& programDir, const QDate& today);
};

} // namespace backup
