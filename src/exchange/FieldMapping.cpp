#include "exchange/FieldMapping.h"

#include <QRegularExpression>

#include <algorithm>

namespace exchange {

namespace {

const QString kBlank = QStringLiteral(" ");

// Full-width digits and brackets as a Chinese input method types them, in their plain forms.
QString plainForms(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return text.normalized(QString::NormalizationForm_KC);
    }
    return text;
}

bool hasType(const Phone& p, const char* type)
{
    return p.types.contains(QLatin1String(type));
}

bool isPhs(const Phone& p);

bool isCell(const Phone& p)
{
    return (hasType(p, "cell") || hasType(p, "mobile") || hasType(p, "iphone")) && !isPhs(p);
}

bool isFaxOrPager(const Phone& p)
{
    return hasType(p, "fax") || hasType(p, "pager");
}

// A type or label that says 小灵通 (x-phs, PHS, 小灵通 …), whatever other types come with it.
bool isPhs(const Phone& p)
{
    const auto phs = [](const QString& t) { return FieldMapping::typesForLabel(t).contains(u"x-phs"); };
    return std::any_of(p.types.cbegin(), p.types.cend(), phs) || phs(p.label);
}

// Work, home, voice or no type that says otherwise.
bool isLandline(const Phone& p)
{
    if (isCell(p) || isFaxOrPager(p) || isPhs(p))
        return false;
    for (const QString& t : p.types) {
        if (t != u"work" && t != u"home" && t != u"voice" && t != u"main" && t != u"pref" && t != u"other")
            return false;
    }
    return true;
}

QString slotLabel(const Phone& p)
{
    if (isCell(p))
        return QStringLiteral("手机");
    if (isPhs(p))
        return QStringLiteral("小灵通");
    if (hasType(p, "fax"))
        return QStringLiteral("传真");
    if (hasType(p, "pager"))
        return QStringLiteral("寻呼机");
    return QStringLiteral("电话");
}

QString pieceLabel(const Phone& p)
{
    const QString standard = slotLabel(p);
    // A label of the source's own that implies no type ("公司总机") says more than the generic word.
    if (!p.label.isEmpty() && FieldMapping::typesForLabel(p.label).isEmpty())
        return standard + QStringLiteral("（") + p.label + QStringLiteral("）");
    return standard;
}

bool isSystemGroup(const QString& category)
{
    return category.startsWith(u'*') || category.compare(u"myContacts", Qt::CaseInsensitive) == 0 ||
           category.compare(u"starred", Qt::CaseInsensitive) == 0;
}

// The national number after China's country code, written as dialled at home: "10 6234 5678" as 010-62345678.
// Empty when it holds anything but digits and separators.
QString domesticNumber(const QString& national)
{
    QString digits;
    for (const QChar c : national) {
        if (c >= u'0' && c <= u'9')
            digits.append(c);
        else if (!c.isSpace() && c != u'-' && c != u'.' && c != u'(' && c != u')')
            return {};
    }
    // "+86 (0)10 …" writes the trunk 0 itself. Mobiles and the nationwide 400 and 800 numbers have none.
    if (digits.startsWith(u'0'))
        digits.remove(0, 1);
    static const QRegularExpression mobile(QStringLiteral("^1[3-9]\\d{9}$"));
    static const QRegularExpression nationwide(QStringLiteral("^[48]00\\d{7}$"));
    if (mobile.match(digits).hasMatch() || nationwide.match(digits).hasMatch())
        return digits;
    // Beijing 10 and the codes 20 to 29 have two digits, every other area code three; the local number has seven
    // or eight. Anything else (a service number such as 95588) is left as it is.
    const int area = digits.startsWith(u"10") || digits.startsWith(u'2') ? 2 : 3;
    const qsizetype local = digits.size() - area;
    if (local < 7 || local > 8)
        return digits;
    return u'0' + digits.left(area) + u'-' + digits.mid(area);
}

class Mapper {
public:
    Mapper(const Card& card, const QDate& today) : m_card(card), m_today(today) {}

    Contact run()
    {
        const Card& c = m_card;
        m_contact.name = FieldMapping::clean(c.fullName.trimmed().isEmpty()
                                                 ? FieldMapping::joinName(c.familyName, c.givenName, c.middleName)
                                                 : c.fullName)
                             .trimmed();
        // A company kept under its own name (顺丰速运): the organisation is the name, and is not repeated in 备注.
        if (m_contact.name.isEmpty() && !c.organization.trimmed().isEmpty()) {
            m_contact.name = FieldMapping::clean(c.organization).trimmed();
            m_organizationIsName = true;
        }
        m_contact.sex = FieldMapping::sexOf(c.gender);
        if (!FieldMapping::parseBirthday(c.birthday, &m_contact.month, &m_contact.day)) {
            m_contact.month = m_contact.day = 0;
            if (!c.birthday.trimmed().isEmpty())
                m_later.append({QStringLiteral("生日"), c.birthday});
        }
        relation();
        phones();
        address();
        m_contact.registered = c.registered.trimmed().isEmpty() ? m_today.toString(QStringLiteral("yyyy年MM月dd日"))
                                                                : field(c.registered, QStringLiteral("登记时间"));
        note();
        m_contact.photo = QStringLiteral("no.bmp");
        photo();
        m_contact.relation = field(m_contact.relation, QStringLiteral("关系"));
        m_contact.address = field(m_contact.address, QStringLiteral("住址"));
        return m_contact;
    }

private:
    QString field(const QString& value, const QString& title)
    {
        bool truncated = false;
        const QString v = FieldMapping::clean(value, &truncated);
        if (truncated)
            m_contact.warnings.append(title + QStringLiteral("太长，只保留了前%1个字符").arg(FieldMapping::MaxText));
        return v;
    }

    void relation()
    {
        const Card& c = m_card;
        QStringList unused;
        for (const QString& category : c.categories) {
            if (!isSystemGroup(category))
                unused.append(category);
        }
        if (c.hasRelation) {
            m_contact.relation = c.relation;
            unused.removeAll(c.relation);
        } else {
            m_contact.relation = kBlank;
            for (const QString& category : unused) {
                if (FieldMapping::relations().contains(category)) {
                    m_contact.relation = category;
                    unused.removeOne(category);
                    break;
                }
            }
        }
        if (!unused.isEmpty())
            m_later.append({QStringLiteral("分组"), unused.join(QStringLiteral("，"))});
    }

    void phones()
    {
        const QList<Phone>& phones = m_card.phones;
        QList<bool> used(phones.size(), false);
        QString* fields[] = {&m_contact.phone, &m_contact.mobile, &m_contact.phs};
        const auto fill = [&](FieldMapping::Slot slot, const auto& eligible) {
            for (qsizetype i = 0; i < phones.size(); ++i) {
                if (used[i] || !eligible(phones[i]))
                    continue;
                used[i] = true;
                QString number;
                if (m_card.own) {
                    number = FieldMapping::clean(phones[i].value);
                } else if (!FieldMapping::normalisePhone(phones[i].value, slot, &number)) {
                    // It would break what the field allows: kept in 备注 as it was written.
                    m_numbers.append(
                        {slot == FieldMapping::Slot::Mobile ? QStringLiteral("手机") : pieceLabel(phones[i]),
                         phones[i].value});
                    continue;
                }
                *fields[int(slot)] = number;
                return;
            }
        };
        if (m_card.own) {
            // The program's own export types each field's number: they go back where they came from, as they were.
            fill(FieldMapping::Slot::Mobile, isCell);
            fill(FieldMapping::Slot::Phs, isPhs);
            fill(FieldMapping::Slot::Phone, [](const Phone& p) { return !isCell(p) && !isPhs(p); });
        } else {
            fill(FieldMapping::Slot::Mobile, isCell);
            fill(FieldMapping::Slot::Phone, isLandline);
            fill(FieldMapping::Slot::Phs, isPhs);
            if (m_contact.phs.isEmpty())
                fill(FieldMapping::Slot::Phs, [](const Phone& p) { return !isFaxOrPager(p); });
        }
        for (QString* f : fields) {
            if (f->isEmpty())
                *f = kBlank;
        }
        for (qsizetype i = 0; i < phones.size(); ++i) {
            if (!used[i])
                m_numbers.append({pieceLabel(phones[i]), phones[i].value});
        }
    }

    void address()
    {
        m_contact.address = kBlank;
        bool first = true;
        for (const Address& a : m_card.addresses) {
            QString text = FieldMapping::joinParts({a.country, a.region, a.locality, a.street, a.extended, a.poBox});
            if (text.isEmpty())
                text = a.formatted.trimmed();
            if (text.isEmpty() && a.postalCode.trimmed().isEmpty())
                continue;
            if (first) {
                m_contact.address = text;
                if (!a.postalCode.trimmed().isEmpty())
                    m_later.append({QStringLiteral("邮编"), a.postalCode});
                first = false;
            } else {
                const QString code = a.postalCode.trimmed();
                m_later.append({a.label.isEmpty() ? QStringLiteral("地址") : a.label,
                                code.isEmpty() ? text : FieldMapping::joinParts({text, code})});
            }
        }
    }

    void note()
    {
        QStringList parts;
        if (!m_card.note.trimmed().isEmpty())
            parts.append(m_card.note.trimmed());
        const auto add = [&](const QList<std::pair<QString, QString>>& pieces) {
            for (const auto& [label, value] : pieces) {
                if (m_organizationIsName && label == u"单位" && value.trimmed() == m_card.organization.trimmed())
                    continue;
                if (!value.trimmed().isEmpty())
                    parts.append(label + QStringLiteral("：") + value.trimmed());
            }
        };
        add(m_card.pieces);
        add(m_numbers);
        add(m_later);
        m_contact.note = field(parts.join(QStringLiteral("；")), QStringLiteral("备注"));
    }

    void photo()
    {
        const QByteArray& data = m_card.photo;
        if (data.isEmpty())
            return;
        const QString extension = FieldMapping::photoExtension(data);
        if (extension.isEmpty()) {
            m_contact.warnings.append(QStringLiteral("照片不是JPEG或PNG图片，没有导入"));
        } else if (data.size() > FieldMapping::MaxPhoto) {
            m_contact.warnings.append(QStringLiteral("照片大于16 MB，没有导入"));
        } else {
            m_contact.photoData = data;
            m_contact.photoExtension = extension;
        }
    }

    const Card& m_card;
    QDate m_today;
    Contact m_contact;
    QList<std::pair<QString, QString>> m_numbers;
    QList<std::pair<QString, QString>> m_later;
    bool m_organizationIsName = false;
};

} // namespace

Contact FieldMapping::toContact(const Card& card, const QDate& today)
{
    return Mapper(card, today).run();
}

const QStringList& FieldMapping::relations()
{
    static const QStringList seven = {QStringLiteral("朋友"), QStringLiteral("同事"), QStringLiteral("领导"),
                                      QStringLiteral("同学"), QStringLiteral("老师"), QStringLiteral("亲戚"),
                                      QStringLiteral("家庭")};
    return seven;
}

bool FieldMapping::fitsField(const QString& value, Slot slot)
{
    const int max = slot == Slot::Mobile ? 11 : 13;
    if (value.isEmpty() || value.size() > max)
        return false;
    for (const QChar c : value) {
        if (!(c >= u'0' && c <= u'9') && !(c == u'-' && slot != Slot::Mobile))
            return false;
    }
    return true;
}

bool FieldMapping::normalisePhone(const QString& value, Slot slot, QString* normalised)
{
    QString s = plainForms(value).trimmed();
    if (s.startsWith(u"tel:", Qt::CaseInsensitive))
        s = s.mid(4).trimmed();
    // An international number of China: the trunk 0 that the country code stands for comes back.
    static const QRegularExpression china(QStringLiteral("^\\(?(?:\\+\\s*|00)86\\)?(?=[\\s.()-]*\\d)"));
    if (const QRegularExpressionMatch intl = china.match(s); intl.hasMatch()) {
        const QString national = s.mid(intl.capturedLength());
        const QString domestic = domesticNumber(national);
        s = domestic.isEmpty() ? national : domestic;
    }
    qsizetype lead = 0;
    while (lead < s.size() && (s.at(lead).isSpace() || s.at(lead) == u'-' || s.at(lead) == u'.'))
        ++lead;
    s.remove(0, lead);
    static const QRegularExpression areaCode(QStringLiteral("^\\(\\s*(\\d+)\\s*\\)[\\s.-]*"));
    const QRegularExpressionMatch m = areaCode.match(s);
    if (m.hasMatch())
        s = m.captured(1) + u'-' + s.mid(m.capturedLength());
    QString out;
    out.reserve(s.size());
    for (const QChar c : s) {
        if (c.isSpace() || c == u'.' || c == u'(' || c == u')' || (c == u'-' && slot == Slot::Mobile))
            continue;
        out.append(c);
    }
    *normalised = out;
    return fitsField(out, slot);
}

bool FieldMapping::parseBirthday(const QString& text, int* month, int* day)
{
    static const QRegularExpression patterns[] = {
        QRegularExpression(QStringLiteral("^\\d{4}-(\\d{1,2})-(\\d{1,2})(?:[T ].*)?$")),
        QRegularExpression(QStringLiteral("^\\d{4}(\\d{2})(\\d{2})(?:T.*)?$")),
        QRegularExpression(QStringLiteral("^--(\\d{2})-?(\\d{2})$")),
        QRegularExpression(QStringLiteral("^\\d{4}[/.](\\d{1,2})[/.](\\d{1,2})$")),
        QRegularExpression(QStringLiteral("(\\d{1,2})\\s*月\\s*(\\d{1,2})\\s*日")),
    };
    const QString t = plainForms(text).trimmed();
    if (t.isEmpty())
        return false;
    for (const QRegularExpression& re : patterns) {
        const QRegularExpressionMatch m = re.match(t);
        if (!m.hasMatch())
            continue;
        const int mo = m.captured(1).toInt();
        const int d = m.captured(2).toInt();
        // The editing windows take any day up to 31 in any month; so does the import.
        if (mo < 1 || mo > 12 || d < 1 || d > 31)
            return false;
        *month = mo;
        *day = d;
        return true;
    }
    return false;
}

QString FieldMapping::sexOf(const QString& gender)
{
    const QString g = gender.trimmed().toUpper();
    if (g == u"M" || g == u"MALE" || g == u"男" || g == u"男性")
        return QStringLiteral("男");
    if (g == u"F" || g == u"FEMALE" || g == u"女" || g == u"女性")
        return QStringLiteral("女");
    return kBlank;
}

QString FieldMapping::clean(const QString& text, bool* truncated)
{
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (const QChar c : text) {
        if (c == u'\n' || c == u'\r' || c == u'\t') {
            if (!blank)
                out.append(u' ');
            blank = true;
            continue;
        }
        blank = false;
        if (c.category() != QChar::Other_Control)
            out.append(c);
    }
    out = out.trimmed();
    if (truncated)
        *truncated = out.size() > MaxText;
    if (out.size() > MaxText)
        out.truncate(out.at(MaxText - 1).isHighSurrogate() ? MaxText - 1 : MaxText);
    return out.isEmpty() ? kBlank : out;
}

bool FieldMapping::hasHan(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (c < 0x2E80)
            continue;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        if (QChar::script(c) == QChar::Script_Han)
            return true;
    }
    return false;
}

QString FieldMapping::joinParts(const QStringList& parts)
{
    QString out;
    bool previousHan = false;
    for (const QString& part : parts) {
        const QString p = part.trimmed();
        if (p.isEmpty())
            continue;
        const bool han = hasHan(p);
        if (!out.isEmpty() && !(han && previousHan))
            out.append(u' ');
        out.append(p);
        previousHan = han;
    }
    return out;
}

QString FieldMapping::joinName(const QString& family, const QString& given, const QString& middle)
{
    const QString f = family.trimmed();
    const QString g = given.trimmed();
    const QString m = middle.trimmed();
    if (hasHan(f) || hasHan(g))
        return f + m + g;
    QStringList parts;
    for (const QString& p : {g, m, f}) {
        if (!p.isEmpty())
            parts.append(p);
    }
    return parts.join(u' ');
}

QStringList FieldMapping::typesForLabel(const QString& label)
{
    QString l = label.trimmed().toLower();
    // Google marks the primary number's type with "* ".
    qsizetype stars = 0;
    while (stars < l.size() && (l.at(stars) == u'*' || l.at(stars).isSpace()))
        ++stars;
    l = l.mid(stars);
    if (l.isEmpty())
        return {};
    if (l.contains(u"fax") || l.contains(u"传真"))
        return {QStringLiteral("fax")};
    if (l.contains(u"pager") || l.contains(u"寻呼"))
        return {QStringLiteral("pager")};
    if (l == u"mobile" || l == u"cell" || l == u"iphone" || l.contains(u"手机") || l.contains(u"移动电话"))
        return {QStringLiteral("cell")};
    static const QRegularExpression phs(QStringLiteral("(?:^|[^a-z])phs(?:[^a-z]|$)"));
    if (l.contains(u"小灵通") || phs.match(l).hasMatch())
        return {QStringLiteral("x-phs")};
    if (l == u"work" || l == u"工作" || l == u"单位" || l == u"办公")
        return {QStringLiteral("work")};
    if (l == u"home" || l == u"住宅" || l == u"家庭" || l == u"家")
        return {QStringLiteral("home")};
    if (l == u"main" || l == u"主要" || l == u"other" || l == u"其他")
        return {QStringLiteral("voice")};
    return {};
}

QString FieldMapping::photoExtension(const QByteArray& data)
{
    if (data.startsWith("\xFF\xD8\xFF"))
        return QStringLiteral(".jpg");
    if (data.startsWith("\x89PNG\r\n\x1A\n"))
        return QStringLiteral(".png");
    return {};
}

} // namespace exchange
