#include "store/Codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace store {

QString Codepage::decode(QByteArrayView bytes)
{
    // Code page 936 reads a lone 0x80 as the euro sign, GB18030 has no such single byte: swap in its euro bytes.
    // Walking whole sequences keeps a 0x80 trail byte of a double-byte character untouched.
    QByteArray gb;
    gb.reserve(bytes.size() + 4);
    bool truncated = false;
    for (qsizetype i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead == 0x80) {
            gb.append("\xA2\xE3", 2);
            ++i;
            continue;
        }
        qsizetype length = 1;
        if (lead >= 0x81 && lead <= 0xFE) {
            const auto next = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
            length = next >= 0x30 && next <= 0x39 ? 4 : 2;
        }
        if (i + length > bytes.size()) {
            truncated = true;
            break;
        }
        gb.append(bytes.constData() + i, length);
        i += length;
    }

    QStringDecoder decoder("GB18030", QStringConverter::Flag::Stateless);
    QString text = decoder.decode(gb);
    // The decoder silently drops an incomplete last sequence; keep a visible mark so names do not match wrongly.
    if (truncated)
        text.append(QChar::ReplacementCharacter);
    return text;
}

QByteArray Codepage::encode(const QString& text)
{
    QStringEncoder encoder("GB18030", QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

} // namespace store
