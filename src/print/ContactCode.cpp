#include "print/ContactCode.h"

#include "exchange/VCardWriter.h"
#include "print/SaveDevice.h"

#include <QFileInfo>
#include <QImageWriter>

namespace print {

namespace {

void line(QByteArray* out, const QByteArray& content)
{
    out->append(exchange::VCardWriter::fold(content));
    out->append("\r\n");
}

QByteArray escaped(const QString& value)
{
    return exchange::VCardWriter::escape(value.trimmed()).toUtf8();
}

void text(QByteArray* out, const char* property, const QString& value)
{
    if (!value.trimmed().isEmpty())
        line(out, QByteArray(property) + ':' + escaped(value));
}

} // namespace

QByteArray ContactCode::vCard(const exchange::Contact& c, bool withNote, bool withAddress)
{
    QByteArray out("BEGIN:VCARD\r\nVERSION:3.0\r\n");
    // The whole name as the family name, as the program's own export writes it: phones show it as it is.
    line(&out, "N:" + escaped(c.name) + ";;;;");
    line(&out, "FN:" + escaped(c.name));
    text(&out, "TEL;TYPE=CELL", c.mobile);
    text(&out, "TEL;TYPE=WORK", c.phone);
    // Phones know no type for 小灵通 (X-PHS is dropped when saved): one more plain number.
    text(&out, "TEL;TYPE=VOICE", c.phs);
    if (withAddress && !c.address.trimmed().isEmpty())
        line(&out, "ADR;TYPE=HOME:;;" + escaped(c.address) + ";;;;");
    if (c.month >= 1 && c.month <= 12 && c.day >= 1 && c.day <= 31)
        line(&out, QStringLiteral("BDAY:--%1%2")
                       .arg(c.month, 2, 10, QLatin1Char('0'))
                       .arg(c.day, 2, 10, QLatin1Char('0'))
                       .toUtf8());
    if (withNote)
        text(&out, "NOTE", c.note);
    out.append("END:VCARD\r\n");
    return out;
}

ContactCode ContactCode::make(const exchange::Contact& contact)
{
    ContactCode result;
    const bool hasNote = !contact.note.trimmed().isEmpty();
    const bool hasAddress = !contact.address.trimmed().isEmpty();
    // Everything, then without the remarks, then without the address as well; a step that leaves out nothing new
    // would make the same card again.
    for (int step = 0; step < 3; ++step) {
        if ((step == 1 && !hasNote) || (step == 2 && !hasAddress))
            continue;
        const bool note = step == 0;
        const bool address = step < 2;
        result.card = vCard(contact, note, address);
        result.code = QrCode::encode(result.card);
        result.noteLeftOut = hasNote && !note;
        result.addressLeftOut = hasAddress && !address;
        if (!result.code.isNull())
            break;
    }
    return result;
}

QString ContactCode::leftOut() const
{
    if (noteLeftOut && addressLeftOut)
        return QStringLiteral("备注和住址太长，二维码中没有备注和住址。");
    if (noteLeftOut)
        return QStringLiteral("备注太长，二维码中没有备注。");
    if (addressLeftOut)
        return QStringLiteral("住址太长，二维码中没有住址。");
    return QString();
}

bool ContactCode::writePicture(const QString& path, QString* error) const
{
    SaveDevice file(path);
    QImageWriter writer(&file, "png");
    const bool written = file.open(QIODevice::WriteOnly) && writer.write(code.image(PictureScale)) && file.commit();
    if (!written && error) {
        const QString reason = file.failure().isEmpty() ? writer.errorString() : file.failure();
        *error = QStringLiteral("文件“") + QFileInfo(path).fileName() + QStringLiteral("”无法写入：") + reason;
    }
    return written;
}

} // namespace print
