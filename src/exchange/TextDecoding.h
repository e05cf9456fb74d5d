#pragma once

#include <QByteArray>
#include <QString>

namespace exchange {

// How the files people have are encoded: a byte order mark says so; without one a file that is valid UTF-8 is
// UTF-8, anything else was written by a Chinese Windows program and is GB18030 (a superset of GB2312 and GBK).
class TextDecoding {
public:
    TextDecoding() = delete;

    static bool isValidUtf8(const QByteArray& bytes);
    // The whole file as text.
    static QString decode(const QByteArray& bytes);
    // The file's bytes for a reader that works on bytes: without a UTF-8 mark, UTF-16 turned into UTF-8.
    // *utf8 tells how bytes without a CHARSET of their own are to be read.
    static QByteArray normalise(const QByteArray& bytes, bool* utf8);
    // Bytes in a named character set (vCard CHARSET=); an empty or unknown name falls back to the file's encoding.
    static QString decodeCharset(const QByteArray& bytes, const QByteArray& charset, bool utf8Default);
};

} // namespace exchange
