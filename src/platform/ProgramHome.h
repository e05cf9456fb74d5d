#pragma once

#include <QString>

namespace platform {

// Where a started program keeps its data and finds its own files. A portable program directory (the start
// command's ~/Velloran, a copied folder) holds everything beside the executable, as it always has. An installed
// program (the Debian package: PREFIX/lib/velloran/velloran beside PREFIX/share/velloran) is shared by everybody
// on the machine and read-only, so each person's data goes to HOME/Velloran, laid out from the installed template.
struct ProgramHome {
    QString dir;       // the program directory: contacts, settings, notes, photos, user folders
    QString programs;  // where velloran and data lie
    QString manual;    // where help.html and its pictures lie
    QString templates; // the files of a new program directory; empty for a portable directory
    QString defaults;  // the administrator's defaults for every person (PREFIX's etc/velloran); empty when portable

    bool installed() const { return !templates.isEmpty(); }

    // The decision, from the executable's path and the person's home folder; only looks whether the installed
    // layout is there.
    static ProgramHome choose(const QString& executable, const QString& home);

    // For an installed program: creates the program directory and every template file that is missing, and
    // replaces the area codes (qh.mdb, read-only data) when the installed ones differ. Never replaces, and never
    // writes through, anything else that is there. Nothing to do for a portable directory. Run it only where no
    // restore can be under way (after the backup program's recovery, under the directory's lock): a restore's swap
    // must find nothing new in its place.
    bool layOut(QString* error) const;

    // choose() for the running executable and HOME; tells ProgramDir where the programs, the manual and the defaults
    // lie, and creates an installed program's directory when it is new. False (the reason in *error) when it cannot.
    static bool settle(ProgramHome* home, QString* error);
};

} // namespace platform
