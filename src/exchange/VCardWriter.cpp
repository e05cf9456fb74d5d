#include "exchange/VCardWriter.h"

#include "exchange/FieldMapping.h"

namespace exchange {

namespace {

bool blank(const QString& value)
{
    return value.trimmed().isEmpty();
}

void line(QByteArray* out, const QByteArray& content)
{
    out->append(VCardWriter::fold(content));
    out->append("\r\n");
}

void text(QByteArray* out, const char* property, const QString& value)
{
    if (!blank(value))
        line(out, QByteArray(property) + ':' + VCardWriter::escape(value.trimmed()).toUtf8());
}

} // namespace

QString VCardWriter::escape(const QString& value)
{
    QString out;
    out.reserve(value.size() + 8);
    for (const QChar c : value) {
        if (c == u'\\' || c == u',' || c == u';')
            out.append(u'\\').append(c);
        else if (c == u'\n')
            out.append(QStringLiteral("\\n"));
        else if (c != u'\r')
            out.append(c);
    }
    return out;
}

QByteArray VCardWriter::fold(const QByteArray& line)
{
    if (line.size() <= 75)
        return line;
    QByteArray out;
    out.reserve(line.size() + line.size() / 37);
    qsizetype start = 0;
    int limit = 75;
    while (start < line.size()) {
        qsizetype end = qMin(start + limit, line.size());
        // Back off to the start of a UTF-8 sequence: a continuation byte is 10xxxxxx.
        while (end < line.size() && end > start && (uchar(line[end]) & 0xC0) == 0x80)
            --end;
        if (start > 0)
            out.append("\r\n ");
        out.append(line.constData() + start, end - start);
        start = end;
        limit = 74; // the leading blank counts
    }
    return out;
}

QByteArray VCardWriter::card(const Contact& c)
{
    QByteArray out;
    out.reserve(512 + c.photoData.size() * 4 / 3);
    out.append("BEGIN:VCARD\r\nVERSION:3.0\r\n");
    line(&out, "PRODID:" + prodId());
    const QByteArray name = escape(c.name.trimmed()).toUtf8();
    // N is required in 3.0; the whole name as the family name shows it as it is everywhere.
    line(&out, "N:" + name + ";;;;");
    line(&out, "FN:" + name);
    if (c.sex == u"男")
        line(&out, "X-GENDER:M");
    else if (c.sex == u"女")
        line(&out, "X-GENDER:F");
    if (c.month >= 1 && c.month <= 12 && c.day >= 1 && c.day <= 31)
        line(&out, QStringLiteral("BDAY:--%1%2")
                       .arg(c.month, 2, 10, QLatin1Char('0'))
                       .arg(c.day, 2, 10, QLatin1Char('0'))
                       .toUtf8());
    text(&out, "TEL;TYPE=WORK", c.phone);
    text(&out, "TEL;TYPE=CELL", c.mobile);
    text(&out, "TEL;TYPE=X-PHS", c.phs);
    if (!blank(c.address))
        line(&out, "ADR;TYPE=HOME:;;" + escape(c.address.trimmed()).toUtf8() + ";;;;");
    text(&out, "NOTE", c.note);
    text(&out, "X-RELATION", c.relation);
    if (FieldMapping::relations().contains(c.relation.trimmed()))
        text(&out, "CATEGORIES", c.relation);
    text(&out, "X-REGISTERED", c.registered);
    if (!c.photoData.isEmpty()) {
        const QByteArray type = c.photoExtension == u".png" ? "PNG" : "JPEG";
        line(&out, "PHOTO;ENCODING=b;TYPE=" + type + ':' + c.photoData.toBase64());
    }
    out.append("END:VCARD\r\n");
    return out;
}

} // namespace exchange
