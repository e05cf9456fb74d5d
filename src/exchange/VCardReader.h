#pragma once

#include "exchange/Card.h"
#include "exchange/Progress.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace exchange {

// Reads vCard 2.1, 3.0 and 4.0 files as phones and address books write them: folded lines, quoted-printable values
// with soft line breaks, CHARSET= in 2.1, escapes in 3.0 and 4.0, grouped properties, TYPE= in every spelling,
// tel: URIs, base64 and data: photos. The file works on bytes: a 2.1 card may hold values of several charsets.
class VCardReader {
public:
    VCardReader() = delete;

    // Hands every card of the file to sink, in file order. False when the file is no vCard, a card never ends, or
    // progress or the sink said stop; fault says where and why. A card is handed on before the rest is read: a fault
    // further down comes after the sink has seen the cards before it.
    static bool read(const QByteArray& data, const CardSink& sink, ReadFault* fault, const Progress& progress = {});
    static bool read(const QByteArray& data, QList<Card>* cards, ReadFault* fault);

    // The components of a structured value (separator ';') or a list (','), split on unescaped separators only.
    static QStringList split(const QString& value, QChar separator);
    // 3.0 and 4.0 escapes \n \N \, \; \\; a 2.1 value knows only \;.
    static QString unescape(const QString& value, bool v21);
    static QByteArray decodeQuotedPrintable(const QByteArray& value);
};

} // namespace exchange
