#pragma once

#include <QByteArray>
#include <QString>

namespace store {

// The notes file zzz: code page 936 text with CR LF line ends, read and written whole. The encoding is decided from
// the whole file, preferring the program's own GB18030: notes whose bytes happen to be valid UTF-8 stay Chinese, and
// a file that a Linux editor saved as UTF-8 is still read as UTF-8.
class NotesFile {
public:
    NotesFile() = delete;

    // Notes larger than this are no notes file of the program's: reading them whole could exhaust memory.
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

    // True when the file is missing, or is a regular file no larger than MaxFileSize that is not reached through a
    // symbolic link out of the program's directory.
    static bool isSound(const QString& path);
    // The file's bytes, exactly. False when it is not sound or cannot be read; a missing file reads as empty.
    static bool readBytes(const QString& path, QByteArray* bytes);
    // The text with "\n" line breaks (CR LF, LF and CR each become one); invalid bytes become U+FFFD.
    static QString decode(const QByteArray& bytes);
    // Code page 936 (GB18030, which keeps any character) with CR LF line ends.
    static QByteArray encode(const QString& text);
    // True when writing `text` over a file holding `bytes` would change no more than its line breaks: the file reads
    // back identically, and saving over it loses nothing.
    static bool sameButLineBreaks(const QByteArray& bytes, const QString& text);
};

} // namespace store
