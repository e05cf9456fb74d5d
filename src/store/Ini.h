#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace store {

// Profile files ("[section]" and "key=value" lines, code page 936) with the behaviour of the Windows profile
// functions, so files written by either side read the same. Nothing is cached: each call reads the file, and
// each change rewrites it atomically. Section and key names match without regard to case; the first of
// duplicate sections or keys wins. Lines a change does not touch keep their bytes (line ends become CRLF).
class Ini
{
public:
    Ini() = delete;

    // The largest file read as a settings file. A larger one, one that is no regular file, or one reached through a
    // symbolic link out of the program's directory is no file of the program's: it reads as empty and is never
    // rewritten (rewriting it would lose its contents, or another place's).
    static constexpr qint64 MaxFileSize = 1024 * 1024;

    // Empty when the file, section or key is missing or the file cannot be read.
    static QString read(const QString& file, const QString& section, const QString& key);
    // Key names of the section in file order, each name once.
    static QStringList keys(const QString& file, const QString& section);
    // Creates the file and the section as needed. Fails with "Unable to write to <file>" when the file exists but
    // cannot be read (rewriting it would lose its contents), cannot be written, or when a name is empty or the
    // text could not be stored as one line (a line break, or "=" or a leading ";" or "[" in the key).
    static bool write(const QString& file, const QString& section, const QString& key, const QString& value,
                      QString* error = nullptr);
    // Several keys of one section in one atomic replacement of the file: after a crash either all or none of them
    // are written. Fails as the single write does; then no key is written.
    static bool write(const QString& file, const QString& section, const QList<QPair<QString, QString>>& values,
                      QString* error = nullptr);
    // True when the file is missing, or is a regular file of the program's that the profile functions can read.
    static bool isSound(const QString& file);
    // A missing file or key is success; a missing file is not created.
    static bool removeKey(const QString& file, const QString& section, const QString& key, QString* error = nullptr);
};

} // namespace store
