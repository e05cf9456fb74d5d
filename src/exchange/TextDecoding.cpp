#include "exchange/TextDecoding.h"

#include "store/Codepage.h"

#include <QStringDecoder>

namespace exchange {

namespace {

enum class Bom { None, Utf8, Utf16Le, Utf16Be };

Bom bomOf(const QByteArray& b)
{
    if (b.startsWith("\xEF\xBB\xBF"))
        return Bom::Utf8;
    if (b.startsWith("\xFF\xFE"))
        return Bom::Utf16Le;
    if (b.startsWith("\xFE\xFF"))
        return Bom::Utf16Be;
    return Bom::None;
}

QString fromUtf16(const QByteArray& b, Bom bom)
{
    QStringDecoder decoder(bom == Bom::Utf16Le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    return decoder.decode(b.mid(2));
}

} // namespace

bool TextDecoding::isValidUtf8(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int follow = 0;
        unsigned int min = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            follow = 1;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            follow = 2;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            follow = 3;
            min = 0x10000;
        } else {
            return false;
        }
        unsigned int cp = c & (0x3F >> follow);
        for (int k = 1; k <= follow; ++k) {
            if (i + k >= n || (p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += follow + 1;
    }
    return true;
}

QString TextDecoding::decode(const QByteArray& bytes)
{
    const Bom bom = bomOf(bytes);
    if (bom == Bom::Utf8)
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bom == Bom::Utf16Le || bom == Bom::Utf16Be)
        return fromUtf16(bytes, bom);
    return isValidUtf8(bytes) ? QString::fromUtf8(bytes) : store::Codepage::decode(bytes);
}

QByteArray TextDecoding::normalise(const QByteArray& bytes, bool* utf8)
{
    const Bom bom = bomOf(bytes);
    *utf8 = true;
    if (bom == Bom::Utf8)
        return bytes.mid(3);
    if (bom == Bom::Utf16Le || bom == Bom::Utf16Be)
        return fromUtf16(bytes, bom).toUtf8();
    *utf8 = isValidUtf8(bytes);
    return bytes;
}

QString TextDecoding::decodeCharset(const QByteArray& bytes, const QByteArray& charset, bool utf8Default)
{
    const QByteArray name = charset.trimmed().toUpper();
    if (name == "UTF-8" || name == "UTF8")
        return QString::fromUtf8(bytes);
    if (name == "GB2312" || name == "GBK" || name == "GB18030" || name == "CP936" || name == "GB_2312-80" ||
        name == "EUC-CN")
        return store::Codepage::decode(bytes);
    if (!name.isEmpty() && name != "US-ASCII" && name != "ASCII") {
        QStringDecoder decoder(name.constData());
        if (decoder.isValid())
            return decoder.decode(bytes);
    }
    return utf8Default ? QString::fromUtf8(bytes) : store::Codepage::decode(bytes);
}

} // namespace exchange
