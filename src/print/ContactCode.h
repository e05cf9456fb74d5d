#pragma once

#include "exchange/Contact.h"
#include "print/QrCode.h"

#include <QByteArray>
#include <QString>

namespace print {

// A contact handed to a phone: a vCard 3.0 in UTF-8 with the name, the numbers (手机 as CELL, 电话 as WORK, 小灵通
// as one more number), the address, the birthday and the remarks, in one QR code. No photo: it would not fit.
struct ContactCode {
    QByteArray card;
    QrCode code;
    // What did not fit and was left out: the remarks first, then the address.
    bool noteLeftOut = false;
    bool addressLeftOut = false;

    // The contact in the largest card that fits one code; a null code when not even its name and numbers fit.
    static ContactCode make(const exchange::Contact& contact);
    // The card with or without remarks and address.
    static QByteArray vCard(const exchange::Contact& contact, bool withNote, bool withAddress);
    // What the window and the command line say about what was left out; empty when everything is in the code.
    QString leftOut() const;
    // Writes the code as a PNG picture, PictureScale pixels a module, replacing the file as a whole.
    bool writePicture(const QString& path, QString* error) const;
    static constexpr int PictureScale = 8;
};

} // namespace print
