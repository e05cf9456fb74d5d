#pragma once

#include "exchange/Contact.h"

#include <QByteArray>
#include <QString>

namespace exchange {

// Writes vCard 3.0 as Android, iPhone and Google Contacts read it: UTF-8, CRLF, lines folded at 75 octets
// without splitting a character, every field of the record, the photo in base64.
class VCardWriter {
public:
    VCardWriter() = delete;

    // PRODID marks the program's own export; reading it back takes the numbers as they are.
    static QByteArray prodId() { return QByteArrayLiteral("-//Velloran//Velloran 4.0//ZH"); }
    // One card. The photo comes from contact.photoData / photoExtension (".jpg" or ".png") when it has any.
    static QByteArray card(const Contact& contact);
    // Escapes \ , ; and line breaks of a 3.0 text value.
    static QString escape(const QString& value);
    // The content line folded: at most 75 octets a line, continuation lines beginning with a blank.
    static QByteArray fold(const QByteArray& line);
};

} // namespace exchange
