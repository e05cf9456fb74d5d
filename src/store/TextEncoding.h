#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace store {

// Which encoding a text file is in, decided from its whole content. Without a byte order mark the choice is between
// UTF-8 and GB18030 (the superset of code page 936 that Chinese Windows programs write), and many byte strings are
// valid in both: "谢谢" in GB18030 is also "лл" in UTF-8, and a two-character UTF-8 name is usually valid GB18030.
// The evidence, in order: how many invalid sequences each reading has, when one has clearly fewer; ICU's charset
// statistics of Chinese text, applied to both readings; for the program's own files, which reading holds more of the
// 3,755 commonest characters; and last the file's origin (the program writes its own files in GB18030).
class TextEncoding {
public:
    TextEncoding() = delete;

    enum class Kind { Utf8, Gb18030, Utf16Le, Utf16Be };
    // The program's own files (zzz) are GB18030 unless the content says otherwise; files from elsewhere (an imported
    // vCard or sheet) are UTF-8 unless the content says otherwise.
    enum class Origin { Own, Foreign };

    struct Verdict {
        Kind kind = Kind::Utf8;
        int bom = 0; // bytes of a byte order mark at the start
    };

    // Strict: overlong forms, surrogates and cut-off sequences are invalid.
    static bool isValidUtf8(QByteArrayView bytes);
    // True when the bytes begin with a UTF-8 or UTF-16 byte order mark; *verdict says which.
    static bool fromByteOrderMark(QByteArrayView bytes, Verdict* verdict);
    // Linear in the size; the statistics look at a sample of at most SampleSize bytes spread over the whole file.
    static Verdict detect(QByteArrayView bytes, Origin origin);
    // The text without the byte order mark. Invalid stretches become U+FFFD; the rest keeps the decided encoding.
    static QString decode(QByteArrayView bytes, const Verdict& verdict);
    static QString decode(QByteArrayView bytes, Origin origin) { return decode(bytes, detect(bytes, origin)); }

    static constexpr qsizetype SampleSize = 256 * 1024;
};

} // namespace store
