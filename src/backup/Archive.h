#pragma once

#include "backup/ArchiveSummary.h"

namespace backup {

// Reading a backup archive. Nothing here trusts the archive: names, entry kinds, the manifest, every checksum
// and the database inside are checked before anything is written where the program's data lives.
class Archive {
public:
    // The manifest only (date, contact count, version): the entries are skipped through the zip's directory, so
    // this is fast even for a large archive. Meant for lists; it proves nothing about the contents.
    static bool readSummary(const QString& archivePath, ArchiveSummary* summary, QString* error);
    // The complete check: manifest present and of this program, every entry listed and no entry unlisted, no
    // link, nothing but what a backup writes (ProgramData::kindOf; user folders only of the users the archived
    // user.ini and user1 name), no picture over the program's limit, every size and SHA-256 right, and the archived
    // call.mdb and qh.mdb sound and of exactly the program's schema. The databases and user.ini are unpacked into
    // a temporary folder whose disk was first checked for room.
    static bool verify(const QString& archivePath, const Progress& progress, ArchiveSummary* summary, QString* error);
    // verify, unpacking everything into folder (existing and empty) on the way, after checking that its disk has
    // room for the declared sizes, and giving every file its recorded mode. On failure folder may hold a part of
    // the archive: the caller removes it.
    static bool extract(const QString& archivePath, const QString& folder, const Progress& progress,
                        ArchiveSummary* summary, QString* error);
};

} // namespace backup
