#include "exchange/VCardReader.h"

#include "exchange/FieldMapping.h"
#include "exchange/Limits.h"
#include "exchange/RelatedPeople.h"
#include "exchange/TextDecoding.h"

#include <QByteArrayView>
#include <QHash>
#include <QSet>

namespace exchange {

namespace {

// Bytes read between two calls of the progress function: the window stays responsive inside one huge card too.
constexpr qsizetype ProgressStep = 256 * 1024;

struct Property {
    int line = 0;
    QByteArray group; // upper case, empty when ungrouped
    QByteArray name;  // upper case
    // Parameters in order; a bare 2.1 parameter ("CELL", "QUOTED-PRINTABLE") has an empty name.
    QList<std::pair<QByteArray, QByteArrayList>> params;
    QByteArray value;
    QByteArray encoding; // "QUOTED-PRINTABLE", "B" or empty
    QByteArray charset;

    QByteArray first(const char* param) const
    {
        for (const auto& [n, values] : params) {
            if (n == param && !values.isEmpty())
                return values.first();
        }
        return {};
    }
    QByteArray findEncoding() const
    {
        QByteArray e = first("ENCODING").toUpper();
        for (const auto& [n, values] : params) {
            if (!n.isEmpty())
                continue;
            const QByteArray bare = values.value(0).toUpper();
            if (bare == "QUOTED-PRINTABLE" || bare == "BASE64" || bare == "B")
                e = bare;
        }
        return e == "BASE64" ? QByteArray("B") : e;
    }
    // Types are read in the file's own encoding, as its values are: a phone writes a label of the user's own
    // (TEL;X-小灵通, TYPE=小灵通) in the same bytes as the names.
    QStringList types(bool utf8) const
    {
        QStringList t;
        QSet<QString> seen;
        for (const auto& [n, values] : params) {
            if (n != "TYPE" && !n.isEmpty())
                continue;
            for (const QByteArray& v : values) {
                const QString type = TextDecoding::decodeCharset(v, QByteArray(), utf8).trimmed().toLower();
                if (n.isEmpty() && (type == u"quoted-printable" || type == u"base64" || type == u"8bit" ||
                                    type == u"7bit" || type == u"b"))
                    continue;
                if (!type.isEmpty() && !seen.contains(type)) {
                    seen.insert(type);
                    t.append(type);
                }
            }
        }
        return t;
    }
};

// Splits on sep outside double quotes.
QList<QByteArray> splitOutsideQuotes(const QByteArray& text, char sep)
{
    QList<QByteArray> parts;
    QByteArray current;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (c == sep && !quoted) {
            parts.append(current);
            current.clear();
            continue;
        }
        current.append(c);
    }
    parts.append(current);
    return parts;
}

qsizetype colonOutsideQuotes(const QByteArray& line)
{
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted)
            return i;
    }
    return -1;
}

bool hasQuotedPrintable(QByteArrayView header)
{
    static const QByteArrayView qp("QUOTED-PRINTABLE");
    for (qsizetype i = 0; i + qp.size() <= header.size(); ++i) {
        if (header.sliced(i, qp.size()).compare(qp, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool parseProperty(const QByteArray& line, int number, Property* p)
{
    const qsizetype colon = colonOutsideQuotes(line);
    if (colon <= 0)
        return false;
    // Most lines have no parameters ("FN:…"): no need to split them.
    const QByteArray head = line.left(colon);
    const QList<QByteArray> header = head.contains(';') ? splitOutsideQuotes(head, ';') : QList<QByteArray>{head};
    QByteArray name = header.first().trimmed();
    const qsizetype dot = name.lastIndexOf('.');
    p->line = number;
    p->group = dot >= 0 ? name.left(dot).toUpper() : QByteArray();
    p->name = (dot >= 0 ? name.mid(dot + 1) : name).toUpper();
    p->value = line.mid(colon + 1);
    p->params.clear();
    for (qsizetype i = 1; i < header.size(); ++i) {
        const QByteArray& token = header[i];
        const qsizetype eq = token.indexOf('=');
        QByteArrayList values;
        for (QByteArray v : splitOutsideQuotes(eq < 0 ? token : token.mid(eq + 1), ',')) {
            v = v.trimmed();
            if (v.size() >= 2 && v.startsWith('"') && v.endsWith('"'))
                v = v.mid(1, v.size() - 2);
            // TYPE="cell,voice" (4.0) is one quoted list.
            for (const QByteArray& inner : v.split(','))
                values.append(inner.trimmed());
        }
        p->params.append({eq < 0 ? QByteArray() : token.left(eq).trimmed().toUpper(), values});
    }
    p->encoding = p->findEncoding();
    p->charset = p->first("CHARSET");
    return !p->name.isEmpty();
}

// Apple writes its standard labels as _$!<Mobile>!$_.
QString plainLabel(const QString& label)
{
    QString l = label.trimmed();
    if (l.startsWith(u"_$!<") && l.endsWith(u">!$_"))
        l = l.mid(4, l.size() - 8);
    return l;
}

class CardBuilder {
public:
    CardBuilder(const QList<Property>& properties, int line, bool utf8Default)
        : m_properties(properties), m_utf8(utf8Default)
    {
        m_card.line = line;
    }

    Card build()
    {
        for (const Property& p : m_properties) {
            if (p.name == "VERSION")
                m_v21 = p.value.trimmed().startsWith("2.");
            else if (p.name == "X-ABLABEL" && !p.group.isEmpty())
                m_labels.insert(p.group, plainLabel(text(p)));
        }
        for (const Property& p : m_properties)
            take(p);
        return m_card;
    }

private:
    QByteArray bytes(const Property& p) const
    {
        const QByteArray& e = p.encoding;
        if (e == "QUOTED-PRINTABLE")
            return VCardReader::decodeQuotedPrintable(p.value);
        if (e == "B")
            return QByteArray::fromBase64(p.value);
        return p.value;
    }
    // The value as text, escapes still in it (structured values split on them first).
    QString raw(const Property& p) const { return TextDecoding::decodeCharset(bytes(p), p.charset, m_utf8); }
    QString text(const Property& p) const { return VCardReader::unescape(raw(p), m_v21); }
    QStringList components(const Property& p, QChar separator) const
    {
        QStringList parts = VCardReader::split(raw(p), separator);
        for (QString& part : parts)
            part = VCardReader::unescape(part, m_v21).trimmed();
        return parts;
    }
    void piece(const QString& label, const QString& value)
    {
        if (!value.trimmed().isEmpty())
            m_card.pieces.append({label, value.trimmed()});
    }

    void take(const Property& p)
    {
        const QByteArray& n = p.name;
        if (n == "PRODID") {
            m_card.own = p.value.contains("-//Velloran//");
        } else if (n == "FN") {
            if (m_card.fullName.isEmpty())
                m_card.fullName = text(p).trimmed();
        } else if (n == "N") {
            if (m_card.familyName.isEmpty() && m_card.givenName.isEmpty()) {
                const QStringList c = components(p, u';');
                m_card.familyName = c.value(0);
                m_card.givenName = c.value(1);
                m_card.middleName = c.value(2);
            }
        } else if (n == "TEL") {
            takePhone(p);
        } else if (n == "ADR") {
            const QStringList c = components(p, u';');
            Address a{c.value(0), c.value(1), c.value(2), c.value(3), c.value(4), c.value(5), c.value(6), {}, {}};
            m_card.addresses.append(a);
        } else if (n == "NOTE") {
            const QString note = text(p).trimmed();
            // Appended in place: a card of many NOTE lines must not copy the growing text once per line.
            if (!note.isEmpty() && !m_card.note.isEmpty())
                m_card.note += QLatin1Char(' ');
            m_card.note += note;
        } else if (n == "BDAY") {
            if (m_card.birthday.isEmpty())
                m_card.birthday = text(p).trimmed();
        } else if (n == "GENDER") {
            m_card.gender = components(p, u';').value(0);
        } else if (n == "X-GENDER") {
            m_card.gender = text(p).trimmed();
        } else if (n == "X-RELATION") {
            m_card.relation = text(p).trimmed();
            m_card.hasRelation = true;
        } else if (n == "CATEGORIES") {
            for (const QString& c : components(p, u','))
                if (!c.isEmpty())
                    m_card.categories.append(c);
        } else if (n == "X-REGISTERED") {
            m_card.registered = text(p).trimmed();
        } else if (n == "PHOTO") {
            takePhoto(p);
        } else if (n == "ORG") {
            const QStringList c = components(p, u';');
            if (m_card.organization.isEmpty())
                m_card.organization = c.value(0);
            piece(QStringLiteral("单位"), FieldMapping::joinParts(c));
        } else if (n == "TITLE") {
            piece(QStringLiteral("职务"), text(p));
        } else if (n == "ROLE") {
            piece(QStringLiteral("角色"), text(p));
        } else if (n == "EMAIL") {
            piece(QStringLiteral("电子邮件"), text(p));
        } else if (n == "URL") {
            piece(QStringLiteral("网址"), text(p));
        } else if (n == "NICKNAME") {
            piece(QStringLiteral("昵称"), components(p, u',').join(QStringLiteral("，")));
        } else if (n == "IMPP" || n == "X-QQ" || n == "X-WECHAT") {
            piece(n == "X-QQ"       ? QStringLiteral("QQ")
                  : n == "X-WECHAT" ? QStringLiteral("微信")
                                    : QStringLiteral("即时通讯"),
                  text(p));
        } else if (n == "ANNIVERSARY" || n == "X-ANNIVERSARY") {
            piece(QStringLiteral("纪念日"), text(p));
        } else if (n == "RELATED" || n == "X-ABRELATEDNAMES") {
            const QStringList types = p.types(m_utf8);
            const QString label = n == "RELATED" ? types.value(0) : m_labels.value(p.group);
            piece(QStringLiteral("相关人"), RelatedPeople::withRelation(text(p), plainLabel(label)));
        } else if (n == "X-ANDROID-CUSTOM") {
            takeAndroidRow(p);
        }
    }

    // Android keeps what the vCard has no property for as "vnd.android.cursor.item/<kind>;data1;data2;data3…":
    // the value, a type number and, for type 0, a label of the user's own.
    void takeAndroidRow(const Property& p)
    {
        const QStringList c = components(p, u';');
        const QString kind = c.value(0).section(u'/', -1).toLower();
        const QString value = c.value(1);
        const int type = c.value(2).toInt();
        const QString custom = type == 0 ? c.value(3) : QString();
        if (kind == u"nickname") {
            piece(QStringLiteral("昵称"), value);
        } else if (kind == u"relation") {
            piece(QStringLiteral("相关人"),
                  RelatedPeople::withRelation(value, type == 0 ? custom : RelatedPeople::androidType(type)));
        } else if (kind == u"contact_event") {
            // 3 is the birthday, 1 an anniversary, 2 another date.
            if (type == 3 && m_card.birthday.isEmpty())
                m_card.birthday = value.trimmed();
            else
                piece(type == 1 ? QStringLiteral("纪念日") : custom.isEmpty() ? QStringLiteral("日期") : custom, value);
        }
    }

    void takePhone(const Property& p)
    {
        Phone phone;
        phone.value = text(p).trimmed();
        if (phone.value.startsWith(u"tel:", Qt::CaseInsensitive))
            phone.value = phone.value.mid(4).trimmed();
        if (phone.value.isEmpty())
            return;
        phone.types = p.types(m_utf8);
        if (!p.group.isEmpty()) {
            const QString label = m_labels.value(p.group);
            for (const QString& t : FieldMapping::typesForLabel(label))
                if (!phone.types.contains(t))
                    phone.types.append(t);
            phone.label = label;
        }
        m_card.phones.append(phone);
    }

    void takePhoto(const Property& p)
    {
        if (!m_card.photo.isEmpty())
            return;
        const QByteArray value = p.value.trimmed();
        if (value.left(5).toLower() == "data:") {
            const qsizetype comma = value.indexOf(',');
            if (comma < 0)
                return;
            const QByteArray meta = value.left(comma).toLower();
            const QByteArray payload = value.mid(comma + 1);
            m_card.photo =
                meta.endsWith(";base64") ? QByteArray::fromBase64(payload) : QByteArray::fromPercentEncoding(payload);
        } else if (p.encoding == "B") {
            m_card.photo = QByteArray::fromBase64(value);
        }
        // A URL to somewhere else holds no picture this file could give.
    }

    const QList<Property>& m_properties;
    bool m_utf8;
    bool m_v21 = false;
    QHash<QByteArray, QString> m_labels;
    Card m_card;
};

// The physical lines of the file, ending in CRLF, LF or CR, read one at a time.
class Lines {
public:
    explicit Lines(const QByteArray& bytes) : m_data(bytes.constData()), m_size(bytes.size()) {}

    bool peek(QByteArrayView* line) const
    {
        qsizetype end = 0;
        return scan(line, &end);
    }
    bool next(QByteArrayView* line)
    {
        qsizetype end = 0;
        if (!scan(line, &end))
            return false;
        m_pos = end;
        ++m_number;
        return true;
    }
    // Line number of the line last read, from 1.
    int number() const { return m_number; }
    qsizetype offset() const { return m_pos; }

private:
    bool scan(QByteArrayView* line, qsizetype* end) const
    {
        if (m_pos >= m_size)
            return false;
        const char* start = m_data + m_pos;
        qsizetype i = m_pos;
        while (i < m_size && m_data[i] != '\n' && m_data[i] != '\r')
            ++i;
        *line = QByteArrayView(start, i - m_pos);
        if (i < m_size)
            i += (m_data[i] == '\r' && i + 1 < m_size && m_data[i + 1] == '\n') ? 2 : 1;
        *end = i;
        return true;
    }

    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    int m_number = 0;
};

bool isEnd(QByteArrayView line)
{
    return line.trimmed().compare("END:VCARD", Qt::CaseInsensitive) == 0;
}

bool isBegin(const Property& p)
{
    return p.name == "BEGIN" && p.value.trimmed().toUpper() == "VCARD";
}

// The logical lines of the file: a physical line with its folded continuations (a leading blank or tab) and, in a
// quoted-printable value, its soft line breaks. A logical line longer than Limits::Line is not read.
class LogicalLines {
public:
    enum class Result { Line, End, TooLong };

    explicit LogicalLines(const QByteArray& bytes) : m_lines(bytes) {}

    Result next(QByteArray* logical, int* number)
    {
        QByteArrayView physical;
        if (!m_lines.next(&physical))
            return Result::End;
        *number = m_lines.number();
        if (physical.size() > Limits::Line)
            return Result::TooLong;
        *logical = physical.toByteArray();
        const qsizetype colon = colonOutsideQuotes(*logical);
        const bool qp = colon > 0 && hasQuotedPrintable(QByteArrayView(*logical).first(colon));
        for (QByteArrayView next; m_lines.peek(&next);) {
            // A soft line break, unless a careless writer ended the last value with "=" before END:VCARD.
            if (qp && logical->endsWith('=') && !isEnd(next)) {
                logical->chop(1);
                logical->append(next);
            } else if (!next.isEmpty() && (next[0] == ' ' || next[0] == '\t')) {
                logical->append(next.sliced(1));
            } else {
                break;
            }
            m_lines.next(&next);
            if (logical->size() > Limits::Line)
                return Result::TooLong;
        }
        return Result::Line;
    }
    qsizetype offset() const { return m_lines.offset(); }

private:
    Lines m_lines;
};

// The bytes whose encoding the file leaves open: values without a CHARSET of their own, unfolded and with
// quoted-printable decoded, so that a line folded inside a character counts as whole and an encoded value counts at
// all. False when cancelled (told the offset read so far).
bool undeclaredText(const QByteArray& bytes, QByteArray* text, const std::function<bool(qsizetype)>& cancelled)
{
    LogicalLines lines(bytes);
    QByteArray logical;
    int number = 0;
    qsizetype reported = 0;
    while (lines.next(&logical, &number) == LogicalLines::Result::Line) {
        Property p;
        if (parseProperty(logical, number, &p) && p.charset.isEmpty() && p.encoding != "B") {
            text->append(p.encoding == "QUOTED-PRINTABLE" ? VCardReader::decodeQuotedPrintable(p.value) : p.value);
            text->append('\n');
        }
        if (lines.offset() - reported >= ProgressStep) {
            reported = lines.offset();
            if (cancelled(reported))
                return false;
        }
    }
    return true;
}

} // namespace

QStringList VCardReader::split(const QString& value, QChar separator)
{
    QStringList parts;
    QString current;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u'\\' && i + 1 < value.size()) {
            current.append(c);
            current.append(value.at(++i));
        } else if (c == separator) {
            parts.append(current);
            current.clear();
        } else {
            current.append(c);
        }
    }
    parts.append(current);
    return parts;
}

QString VCardReader::unescape(const QString& value, bool v21)
{
    if (!value.contains(u'\\'))
        return value;
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            out.append(c);
            continue;
        }
        const QChar next = value.at(i + 1);
        if (v21) {
            if (next == u';') {
                out.append(next);
                ++i;
            } else {
                out.append(c);
            }
            continue;
        }
        if (next == u'n' || next == u'N')
            out.append(u'\n');
        else if (next == u',' || next == u';' || next == u'\\' || next == u':')
            out.append(next);
        else
            out.append(c).append(next);
        ++i;
    }
    return out;
}

QByteArray VCardReader::decodeQuotedPrintable(const QByteArray& value)
{
    QByteArray out;
    out.reserve(value.size());
    const auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '=' && i + 2 < value.size()) {
            const int hi = hex(value[i + 1]);
            const int lo = hex(value[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.append(char(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.append(c);
    }
    return out;
}

bool VCardReader::read(const QByteArray& data, QList<Card>* cards, ReadFault* fault)
{
    cards->clear();
    return read(data, collectInto(cards), fault);
}

bool VCardReader::read(const QByteArray& data, const CardSink& sink, ReadFault* fault, const Progress& progress)
{
    bool unicode = false;
    const QByteArray bytes = TextDecoding::normalise(data, &unicode);
    // Two passes, each counted as the file's size: the encoding from all the text first, then the cards.
    const qsizetype total = 2 * bytes.size();
    int number = 0;
    const auto cancelled = [&](qsizetype done) {
        if (!progress || progress(Stage::Importing, done, total))
            return false;
        *fault = {number, QStringLiteral("已取消"), true};
        return true;
    };
    if (cancelled(0))
        return false;
    QByteArray undeclared;
    if (!unicode && !undeclaredText(bytes, &undeclared, cancelled))
        return false;
    const bool utf8 = unicode || TextDecoding::readsAsUtf8(undeclared);
    undeclared = QByteArray();

    LogicalLines lines(bytes);
    QList<Property> properties;
    int cardLine = 0;
    int count = 0;
    bool inCard = false;
    bool seenCard = false;
    qsizetype reported = 0;
    const auto refuse = [&](int line, const QString& message) {
        *fault = {line, message};
        return false;
    };
    for (QByteArray logical;;) {
        const LogicalLines::Result result = lines.next(&logical, &number);
        if (result == LogicalLines::Result::End)
            break;
        if (result == LogicalLines::Result::TooLong)
            return refuse(number, QStringLiteral("这一行连同折行超过%1 MB，不像是名片的内容").arg(Limits::Line >> 20));
        if (lines.offset() - reported >= ProgressStep) {
            reported = lines.offset();
            if (cancelled(bytes.size() + reported))
                return false;
        }
        if (logical.trimmed().isEmpty())
            continue;

        Property p;
        const bool parsed = parseProperty(logical, number, &p);
        if (!inCard) {
            if (parsed && isBegin(p)) {
                if (count == Limits::Cards)
                    return refuse(number,
                                  QStringLiteral("文件中的名片超过%1张，请分成几个文件导入").arg(Limits::Cards));
                inCard = true;
                seenCard = true;
                cardLine = number;
                properties.clear();
            } else if (!seenCard) {
                return refuse(number, QStringLiteral("文件不是vCard名片文件（应以“BEGIN:VCARD”开始）"));
            }
            // Text between two cards belongs to no contact.
            continue;
        }
        if (parsed && isBegin(p))
            return refuse(cardLine, QStringLiteral("从这一行开始的名片没有结束（缺少“END:VCARD”）"));
        if (parsed && p.name == "END" && p.value.trimmed().toUpper() == "VCARD") {
            Card card = CardBuilder(properties, cardLine, utf8).build();
            inCard = false;
            if (!sink(card)) {
                *fault = {cardLine, QString()};
                return false;
            }
            if (++count % 256 == 0 && cancelled(bytes.size() + lines.offset()))
                return false;
            continue;
        }
        if (parsed) {
            if (properties.size() == Limits::Properties)
                return refuse(cardLine,
                              QStringLiteral("从这一行开始的名片有%1行以上，不像是一个联系人").arg(Limits::Properties));
            properties.append(std::move(p));
        } else if (!properties.isEmpty() && properties.last().encoding == "B") {
            // 2.1 writers may continue a base64 photo on lines that do not begin with a blank.
            QByteArray& value = properties.last().value;
            value.append(logical.trimmed());
            if (value.size() > Limits::Line)
                return refuse(number,
                              QStringLiteral("这一行连同折行超过%1 MB，不像是名片的内容").arg(Limits::Line >> 20));
        }
    }
    if (inCard)
        return refuse(cardLine, QStringLiteral("从这一行开始的名片没有结束（缺少“END:VCARD”）"));
    if (!seenCard)
        return refuse(1, QStringLiteral("文件中没有名片（不是vCard名片文件）"));
    return !cancelled(total);
}

} // namespace exchange
