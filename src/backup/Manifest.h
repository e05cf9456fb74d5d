#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace backup {

// One file or folder of an archive, as the manifest lists it.
struct ManifestEntry {
    QString path; // relative, '/'-separated, no trailing '/'
    bool directory = false;
    qint64 size = 0;
    QByteArray sha256; // lower-case hex; empty for folders
    int mode = -1;     // permission bits (0 to 0777) as the data had them; -1 when the archive does not say
};

// The list of contents written as the last entry of every archive. It is what tells an archive of this program
// from any other zip, and what every byte is checked against before a restore touches anything.
struct Manifest {
    QString programVersion;
    QDateTime created;
    int contacts = -1;
    QList<ManifestEntry> entries;

    static QString entryName() { return QStringLiteral("manifest.json"); }
    QByteArray toJson() const;
    // False with a message when the text is no manifest of this program's archives. Sizes must be whole numbers
    // a file can have; anything else (2e72, -1, 1.5) is refused, never converted.
    static bool fromJson(const QByteArray& json, Manifest* manifest, QString* error);
};

} // namespace backup
