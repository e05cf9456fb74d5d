#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace exchange {

// How the files people have are encoded. A byte order mark says so; without one the whole content decides between
// UTF-8 and GB18030 (the superset of GB2312 and GBK that Chinese Windows programs write): see store::TextEncoding.
// A file in one encoding with a few broken bytes keeps that encoding; only the broken bytes become U+FFFD.
class TextDecoding {
public:
    TextDecoding() = delete;

    static bool isValidUtf8(QByteArrayView bytes);
    // The whole file as text.
    static QString decode(const QByteArray& bytes);
    // The file's bytes for a reader that works on bytes: without a UTF-8 mark, UTF-16 turned into UTF-8. *unicode
    // is true when a byte order mark said the file is Unicode (the result is then UTF-8).
    static QByteArray normalise(const QByteArray& bytes, bool* unicode);
    // True when text without a byte order mark is better read as UTF-8 than as GB18030.
    static bool readsAsUtf8(QByteArrayView text);
    // Bytes in a named character set (vCard CHARSET=); an empty or unknown name falls back to the file's encoding.
    static QString decodeCharset(const QByteArray& bytes, const QByteArray& charset, bool utf8Default);
};

} // namespace exchange
