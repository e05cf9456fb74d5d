#include "exchange/TextDecoding.h"

#include "store/Codepage.h"
#include "store/TextEncoding.h"

#include <QStringDecoder>

namespace exchange {

using store::TextEncoding;

bool TextDecoding::isValidUtf8(QByteArrayView bytes)
{
    return TextEncoding::isValidUtf8(bytes);
}

QString TextDecoding::decode(const QByteArray& bytes)
{
    return TextEncoding::decode(bytes, TextEncoding::Origin::Foreign);
}

QByteArray TextDecoding::normalise(const QByteArray& bytes, bool* unicode)
{
    TextEncoding::Verdict bom;
    *unicode = TextEncoding::fromByteOrderMark(bytes, &bom);
    if (!*unicode)
        return bytes;
    if (bom.kind == TextEncoding::Kind::Utf8)
        return bytes.mid(bom.bom);
    return TextEncoding::decode(bytes, bom).toUtf8();
}

bool TextDecoding::readsAsUtf8(QByteArrayView text)
{
    return TextEncoding::detect(text, TextEncoding::Origin::Foreign).kind != TextEncoding::Kind::Gb18030;
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
