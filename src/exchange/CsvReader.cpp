#include "exchange/CsvReader.h"

#include "exchange/CsvTokenizer.h"
#include "exchange/CsvWriter.h"
#include "exchange/FieldMapping.h"
#include "exchange/Limits.h"
#include "exchange/TextDecoding.h"

#include <QHash>
#include <QRegularExpression>

#include <map>

namespace exchange {

namespace {

enum class Role {
    Ignore,
    FullName,
    Given,
    Family,
    Middle,
    Sex,
    Relation,
    Birthday,
    Note,
    Registered,
    Address,    // one text
    Categories, // " ::: " separated, "* " system groups left out
    Phone,      // a number with the column's types
    PhoneType,  // Google's "Phone n - Type"
    PhoneValue, // Google's "Phone n - Value", " ::: " separated
    AddressPart,
    CustomLabel,
    CustomValue,
    Piece, // kept in 备注 as label：value
};

enum Part { Formatted, Street, City, PoBox, Region, PostalCode, Country, Extended };

struct Column {
    Column(Role r = Role::Ignore, int g = 0, int p = 0, const QString& l = {}, const QStringList& t = {})
        : role(r), group(g), part(p), label(l), types(t)
    {
    }
    Role role;
    int group;
    int part;
    QString label;
    QStringList types;
};

Column piece(const QString& label)
{
    return {Role::Piece, 0, 0, label, {}};
}

Column phone(const char* type)
{
    return {Role::Phone, 0, 0, {}, type ? QStringList{QString::fromLatin1(type)} : QStringList{}};
}

Column chineseColumn(const QString& t, bool* known)
{
    *known = true;
    static const QHash<QString, Column> map = {
        {QStringLiteral("姓名"), {Role::FullName}},
        {QStringLiteral("名字"), {Role::FullName}},
        {QStringLiteral("姓"), {Role::Family}},
        {QStringLiteral("姓氏"), {Role::Family}},
        {QStringLiteral("名"), {Role::Given}},
        {QStringLiteral("性别"), {Role::Sex}},
        {QStringLiteral("关系"), {Role::Relation}},
        {QStringLiteral("电话"), phone("work")},
        {QStringLiteral("固定电话"), phone("work")},
        {QStringLiteral("办公电话"), phone("work")},
        {QStringLiteral("单位电话"), phone("work")},
        {QStringLiteral("座机"), phone("work")},
        {QStringLiteral("家庭电话"), phone("home")},
        {QStringLiteral("住宅电话"), phone("home")},
        {QStringLiteral("手机"), phone("cell")},
        {QStringLiteral("移动电话"), phone("cell")},
        {QStringLiteral("手机号"), phone("cell")},
        {QStringLiteral("手机号码"), phone("cell")},
        {QStringLiteral("小灵通"), phone("x-phs")},
        {QStringLiteral("传真"), phone("fax")},
        {QStringLiteral("住址"), {Role::Address}},
        {QStringLiteral("地址"), {Role::Address}},
        {QStringLiteral("家庭住址"), {Role::Address}},
        {QStringLiteral("备注"), {Role::Note}},
        {QStringLiteral("生日"), {Role::Birthday}},
        {QStringLiteral("出生日期"), {Role::Birthday}},
        {QStringLiteral("登记时间"), {Role::Registered}},
        {QStringLiteral("分组"), {Role::Categories}},
        {QStringLiteral("单位"), piece(QStringLiteral("单位"))},
        {QStringLiteral("公司"), piece(QStringLiteral("单位"))},
        {QStringLiteral("工作单位"), piece(QStringLiteral("单位"))},
        {QStringLiteral("序号"), {Role::Ignore}},
        {QStringLiteral("照片"), {Role::Ignore}},
    };
    const auto it = map.constFind(t);
    if (it != map.constEnd())
        return *it;
    *known = false;
    return {};
}

Column englishColumn(const QString& title, bool* known)
{
    *known = true;
    const QString t = title.toLower();
    static const QHash<QString, Column> map = {
        {QStringLiteral("name"), {Role::FullName}},
        {QStringLiteral("given name"), {Role::Given}},
        {QStringLiteral("first name"), {Role::Given}},
        {QStringLiteral("family name"), {Role::Family}},
        {QStringLiteral("last name"), {Role::Family}},
        {QStringLiteral("additional name"), {Role::Middle}},
        {QStringLiteral("middle name"), {Role::Middle}},
        {QStringLiteral("birthday"), {Role::Birthday}},
        {QStringLiteral("gender"), {Role::Sex}},
        {QStringLiteral("notes"), {Role::Note}},
        {QStringLiteral("group membership"), {Role::Categories}},
        {QStringLiteral("labels"), {Role::Categories}},
        {QStringLiteral("categories"), {Role::Categories}},
        {QStringLiteral("nickname"), piece(QStringLiteral("昵称"))},
        {QStringLiteral("occupation"), piece(QStringLiteral("职业"))},
        {QStringLiteral("organization name"), piece(QStringLiteral("单位"))},
        {QStringLiteral("organization title"), piece(QStringLiteral("职务"))},
        {QStringLiteral("organization department"), piece(QStringLiteral("部门"))},
        {QStringLiteral("company"), piece(QStringLiteral("单位"))},
        {QStringLiteral("job title"), piece(QStringLiteral("职务"))},
        {QStringLiteral("department"), piece(QStringLiteral("部门"))},
        {QStringLiteral("e-mail address"), piece(QStringLiteral("电子邮件"))},
        {QStringLiteral("e-mail 2 address"), piece(QStringLiteral("电子邮件"))},
        {QStringLiteral("e-mail 3 address"), piece(QStringLiteral("电子邮件"))},
        {QStringLiteral("mobile phone"), phone("cell")},
        {QStringLiteral("business phone"), phone("work")},
        {QStringLiteral("business phone 2"), phone("work")},
        {QStringLiteral("home phone"), phone("home")},
        {QStringLiteral("home phone 2"), phone("home")},
        {QStringLiteral("primary phone"), phone("voice")},
        {QStringLiteral("other phone"), phone("voice")},
        {QStringLiteral("business fax"), phone("fax")},
        {QStringLiteral("home fax"), phone("fax")},
        {QStringLiteral("pager"), phone("pager")},
        {QStringLiteral("photo"), {Role::Ignore}},
        {QStringLiteral("file as"), {Role::Ignore}},
        {QStringLiteral("name prefix"), {Role::Ignore}},
        {QStringLiteral("name suffix"), {Role::Ignore}},
        {QStringLiteral("initials"), {Role::Ignore}},
        // A sheet someone made: Name, Phone, Mobile, Address, Notes and their usual other words.
        {QStringLiteral("full name"), {Role::FullName}},
        {QStringLiteral("display name"), {Role::FullName}},
        {QStringLiteral("surname"), {Role::Family}},
        {QStringLiteral("phone"), phone(nullptr)},
        {QStringLiteral("telephone"), phone(nullptr)},
        {QStringLiteral("tel"), phone(nullptr)},
        {QStringLiteral("phone number"), phone(nullptr)},
        {QStringLiteral("telephone number"), phone(nullptr)},
        {QStringLiteral("landline"), phone(nullptr)},
        {QStringLiteral("work phone"), phone("work")},
        {QStringLiteral("office phone"), phone("work")},
        {QStringLiteral("mobile"), phone("cell")},
        {QStringLiteral("cell"), phone("cell")},
        {QStringLiteral("cell phone"), phone("cell")},
        {QStringLiteral("cellphone"), phone("cell")},
        {QStringLiteral("mobile number"), phone("cell")},
        {QStringLiteral("address"), {Role::Address}},
        {QStringLiteral("home address"), {Role::Address}},
        {QStringLiteral("work address"), {Role::Address, 0, 0, QStringLiteral("单位地址")}},
        {QStringLiteral("business address"), {Role::Address, 0, 0, QStringLiteral("单位地址")}},
        {QStringLiteral("note"), {Role::Note}},
        {QStringLiteral("remark"), {Role::Note}},
        {QStringLiteral("remarks"), {Role::Note}},
        {QStringLiteral("comment"), {Role::Note}},
        {QStringLiteral("comments"), {Role::Note}},
        {QStringLiteral("email"), piece(QStringLiteral("电子邮件"))},
        {QStringLiteral("e-mail"), piece(QStringLiteral("电子邮件"))},
        {QStringLiteral("email address"), piece(QStringLiteral("电子邮件"))},
        {QStringLiteral("organization"), piece(QStringLiteral("单位"))},
        {QStringLiteral("organisation"), piece(QStringLiteral("单位"))},
        {QStringLiteral("company name"), piece(QStringLiteral("单位"))},
        {QStringLiteral("sex"), {Role::Sex}},
        {QStringLiteral("relation"), {Role::Relation}},
        {QStringLiteral("relationship"), {Role::Relation}},
        {QStringLiteral("date of birth"), {Role::Birthday}},
        {QStringLiteral("birth date"), {Role::Birthday}},
        // Outlook's columns without a field of their own, under Chinese labels in 备注.
        {QStringLiteral("anniversary"), piece(QStringLiteral("纪念日"))},
        {QStringLiteral("company main phone"), piece(QStringLiteral("公司总机"))},
        {QStringLiteral("assistant's phone"), piece(QStringLiteral("助理电话"))},
        {QStringLiteral("callback"), piece(QStringLiteral("回拨电话"))},
        {QStringLiteral("car phone"), piece(QStringLiteral("车载电话"))},
        {QStringLiteral("radio phone"), piece(QStringLiteral("无线电话"))},
        {QStringLiteral("tty/tdd phone"), piece(QStringLiteral("TTY/TDD电话"))},
        {QStringLiteral("telex"), piece(QStringLiteral("电传"))},
        {QStringLiteral("other fax"), phone("fax")},
        {QStringLiteral("assistant's name"), piece(QStringLiteral("助理"))},
        {QStringLiteral("manager's name"), piece(QStringLiteral("上级"))},
        {QStringLiteral("spouse"), piece(QStringLiteral("配偶"))},
        {QStringLiteral("children"), piece(QStringLiteral("子女"))},
        {QStringLiteral("referred by"), piece(QStringLiteral("介绍人"))},
        {QStringLiteral("hobby"), piece(QStringLiteral("爱好"))},
        {QStringLiteral("profession"), piece(QStringLiteral("职业"))},
        {QStringLiteral("office location"), piece(QStringLiteral("办公地点"))},
        {QStringLiteral("web page"), piece(QStringLiteral("网址"))},
        // How Outlook sends mail and shares a calendar says nothing about the person.
        {QStringLiteral("e-mail type"), {Role::Ignore}},
        {QStringLiteral("e-mail 2 type"), {Role::Ignore}},
        {QStringLiteral("e-mail 3 type"), {Role::Ignore}},
        {QStringLiteral("e-mail display name"), {Role::Ignore}},
        {QStringLiteral("e-mail 2 display name"), {Role::Ignore}},
        {QStringLiteral("e-mail 3 display name"), {Role::Ignore}},
        {QStringLiteral("internet free/busy"), {Role::Ignore}},
        {QStringLiteral("directory server"), {Role::Ignore}},
    };
    const auto it = map.constFind(t);
    if (it != map.constEnd())
        return *it;
    // Outlook's three addresses, each in parts: "Home Street 2", "Business City", "Other Address PO Box" …; the home
    // address comes first, so it is the one that goes to 住址 when there are several.
    static const QRegularExpression outlook(
        QStringLiteral("^(home|business|other) (street|street 2|street 3|city|state|postal code|country/region|"
                       "address po box)$"));
    const QRegularExpressionMatch o = outlook.match(t);
    if (o.hasMatch()) {
        static const QHash<QString, std::pair<int, QString>> kinds = {
            {QStringLiteral("home"), {-3, QStringLiteral("住宅地址")}},
            {QStringLiteral("business"), {-2, QStringLiteral("单位地址")}},
            {QStringLiteral("other"), {-1, QStringLiteral("其他地址")}},
        };
        static const QHash<QString, int> parts = {
            {QStringLiteral("street"), Street},          {QStringLiteral("street 2"), Street},
            {QStringLiteral("street 3"), Street},        {QStringLiteral("city"), City},
            {QStringLiteral("state"), Region},           {QStringLiteral("postal code"), PostalCode},
            {QStringLiteral("country/region"), Country}, {QStringLiteral("address po box"), PoBox},
        };
        const auto& [group, label] = kinds.value(o.captured(1));
        return {Role::AddressPart, group, parts.value(o.captured(2)), label};
    }
    // No title of a known layout is this long; the pattern below need not look at it.
    if (t.contains(u"yomi") || t.startsWith(u"phonetic") || t.size() > 100)
        return {};

    // Google's numbered groups: "Phone 2 - Value", "Address 1 - City", "Custom Field 1 - Label" ...
    static const QRegularExpression numbered(QStringLiteral("^(.+?) (\\d+) - (.+)$"));
    const QRegularExpressionMatch m = numbered.match(t);
    if (!m.hasMatch()) {
        *known = false;
        return {};
    }
    const QString kind = m.captured(1);
    const int group = m.captured(2).toInt();
    const QString what = m.captured(3);
    const bool value = what == u"value";
    if (kind == u"phone")
        return {value                                   ? Role::PhoneValue
                : (what == u"type" || what == u"label") ? Role::PhoneType
                                                        : Role::Ignore,
                group};
    if (kind == u"address") {
        static const QHash<QString, int> parts = {
            {QStringLiteral("formatted"), Formatted}, {QStringLiteral("street"), Street},
            {QStringLiteral("city"), City},           {QStringLiteral("po box"), PoBox},
            {QStringLiteral("region"), Region},       {QStringLiteral("postal code"), PostalCode},
            {QStringLiteral("country"), Country},     {QStringLiteral("extended address"), Extended},
        };
        const auto p = parts.constFind(what);
        return p == parts.constEnd() ? Column{} : Column{Role::AddressPart, group, *p};
    }
    if (kind == u"organization") {
        static const QHash<QString, QString> labels = {
            {QStringLiteral("name"), QStringLiteral("单位")},
            {QStringLiteral("title"), QStringLiteral("职务")},
            {QStringLiteral("department"), QStringLiteral("部门")},
            {QStringLiteral("job description"), QStringLiteral("职责")},
        };
        const auto l = labels.constFind(what);
        return l == labels.constEnd() ? Column{} : piece(*l);
    }
    if (kind == u"custom field")
        return {value                                 ? Role::CustomValue
                : what == u"label" || what == u"type" ? Role::CustomLabel
                                                      : Role::Ignore,
                group};
    static const QHash<QString, QString> valueLabels = {
        {QStringLiteral("e-mail"), QStringLiteral("电子邮件")}, {QStringLiteral("website"), QStringLiteral("网址")},
        {QStringLiteral("im"), QStringLiteral("即时通讯")},     {QStringLiteral("relation"), QStringLiteral("相关人")},
        {QStringLiteral("event"), QStringLiteral("纪念日")},
    };
    const auto l = valueLabels.constFind(kind);
    if (l != valueLabels.constEnd())
        return value ? piece(*l) : Column{};
    // External IDs and the like say nothing about the contact.
    return {};
}

// Values a program writes for "nothing": Outlook's zero date and its defaults for flags nobody set.
bool meansNothing(const Column& column, const QString& title, const QString& value)
{
    static const QRegularExpression zeroDate(QStringLiteral("^0{1,4}[/.-]0{1,2}[/.-]0{1,4}$"));
    if ((column.role == Role::Birthday || column.label == u"纪念日") && zeroDate.match(value).hasMatch())
        return true;
    static const QHash<QString, QString> defaults = {
        {QStringLiteral("priority"), QStringLiteral("normal")},
        {QStringLiteral("sensitivity"), QStringLiteral("normal")},
        {QStringLiteral("private"), QStringLiteral("false")},
        {QStringLiteral("gender"), QStringLiteral("unspecified")},
    };
    const auto it = defaults.constFind(title.trimmed().toLower());
    return it != defaults.constEnd() && value.compare(*it, Qt::CaseInsensitive) == 0;
}

bool isNameOrNumber(Role r)
{
    return r == Role::FullName || r == Role::Given || r == Role::Family || r == Role::Phone || r == Role::PhoneValue;
}

QStringList multi(const QString& cell)
{
    QStringList values;
    for (const QString& v : cell.split(QStringLiteral(":::"))) {
        if (!v.trimmed().isEmpty())
            values.append(v.trimmed());
    }
    return values;
}

// Our export writes "'" before a value a spreadsheet would take for a formula; the reader takes it off again.
QString ownCell(const QString& cell)
{
    if (cell.size() >= 2 && cell.at(0) == u'\'' && CsvWriter::needsFormulaGuard(cell.mid(1)))
        return cell.mid(1);
    return cell;
}

Card cardOf(const QList<Column>& columns, const QStringList& header, const QStringList& row, bool own, int line)
{
    Card card;
    card.line = line;
    card.own = own;
    std::map<int, Phone> googlePhones;
    std::map<int, Address> googleAddresses;
    std::map<int, QString> customLabels;
    std::map<int, QString> customValues;
    for (qsizetype i = 0; i < columns.size() && i < row.size(); ++i) {
        const QString cell = own ? ownCell(row[i]) : row[i];
        const QString v = cell.trimmed();
        const Column& c = columns[i];
        if (v.isEmpty() || meansNothing(c, header[i], v))
            continue;
        switch (c.role) {
        case Role::Ignore:
            break;
        case Role::FullName:
            card.fullName = v;
            break;
        case Role::Given:
            card.givenName = v;
            break;
        case Role::Family:
            card.familyName = v;
            break;
        case Role::Middle:
            card.middleName = v;
            break;
        case Role::Sex:
            card.gender = v;
            break;
        case Role::Relation:
            card.relation = v;
            card.hasRelation = true;
            break;
        case Role::Birthday:
            card.birthday = v;
            break;
        case Role::Note:
            if (!card.note.isEmpty())
                card.note += u' ';
            card.note += v;
            break;
        case Role::Registered:
            card.registered = v;
            break;
        case Role::Address:
            card.addresses.append(Address{{}, {}, {}, {}, {}, {}, {}, v, c.label});
            break;
        case Role::Categories:
            // Google separates groups with " ::: ", Outlook with ";".
            for (const QString& g : multi(QString(v).replace(u';', QStringLiteral(":::"))))
                card.categories.append(g);
            break;
        case Role::Phone:
            for (const QString& number : own ? QStringList{v} : multi(v))
                card.phones.append({number, c.types, c.label});
            break;
        case Role::PhoneType:
            googlePhones[c.group].label = v;
            googlePhones[c.group].types = FieldMapping::typesForLabel(v);
            break;
        case Role::PhoneValue:
            googlePhones[c.group].value = v;
            break;
        case Role::AddressPart: {
            Address& a = googleAddresses[c.group];
            QString* parts[] = {&a.formatted, &a.street,     &a.locality, &a.poBox,
                                &a.region,    &a.postalCode, &a.country,  &a.extended};
            // Outlook gives a street in up to three lines.
            *parts[c.part] = c.part == Street ? FieldMapping::joinParts({a.street, v}) : v;
            a.label = c.label;
            break;
        }
        case Role::CustomLabel:
            customLabels[c.group] = v;
            break;
        case Role::CustomValue:
            customValues[c.group] = v;
            break;
        case Role::Piece:
            for (const QString& value : multi(v)) {
                if (c.label == u"单位" && card.organization.isEmpty())
                    card.organization = value;
                card.pieces.append({c.label.isEmpty() ? header[i].trimmed() : c.label, value});
            }
            break;
        }
    }
    for (const auto& [group, p] : googlePhones) {
        for (const QString& number : multi(p.value))
            card.phones.append({number, p.types, p.label});
    }
    for (const auto& [group, a] : googleAddresses) {
        // Google's formatted address repeats the parts in western order; the parts come largest first instead.
        Address parts = a;
        if (!a.street.isEmpty() || !a.locality.isEmpty() || !a.region.isEmpty() || !a.country.isEmpty())
            parts.formatted.clear();
        card.addresses.append(parts);
    }
    for (const auto& [group, value] : customValues)
        card.pieces.append({customLabels.count(group) ? customLabels[group] : QStringLiteral("其他"), value});
    return card;
}

} // namespace

bool CsvReader::read(const QByteArray& data, QList<Card>* cards, ReadFault* fault)
{
    cards->clear();
    return read(data, collectInto(cards), fault);
}

bool CsvReader::read(const QByteArray& data, const CardSink& sink, ReadFault* fault, const Progress& progress)
{
    const QString text = TextDecoding::decode(data);
    CsvTokenizer tokenizer(text, CsvTokenizer::detectSeparator(text));
    const auto refused = [&](int line) {
        switch (tokenizer.fault()) {
        case CsvTokenizer::Fault::None:
            break;
        case CsvTokenizer::Fault::OpenQuote:
            *fault = {line, QStringLiteral("从这一行开始的引号没有结束")};
            return true;
        case CsvTokenizer::Fault::TooManyFields:
            *fault = {line, QStringLiteral("这一行的字段超过%1个，不像是联系人表").arg(Limits::Fields)};
            return true;
        case CsvTokenizer::Fault::TooLong:
            *fault = {line, QStringLiteral("从这一行开始的一条记录超过%1 MB，不像是联系人表").arg(Limits::Row >> 20)};
            return true;
        }
        return false;
    };
    QStringList header;
    int line = 1;
    if (!tokenizer.next(&header, &line)) {
        if (!refused(1))
            *fault = {1, QStringLiteral("文件是空的")};
        return false;
    }
    const QStringList& ours = CsvWriter::header();
    bool own = header.size() >= ours.size();
    for (qsizetype i = 0; own && i < ours.size(); ++i)
        own = header[i].trimmed() == ours[i];

    QList<Column> columns;
    bool contactColumns = false;
    for (const QString& title : header) {
        const QString t = title.trimmed();
        bool known = false;
        Column c = chineseColumn(t, &known);
        if (!known)
            c = englishColumn(t, &known);
        if (!known)
            c = piece(t.isEmpty() ? QStringLiteral("其他") : t);
        contactColumns = contactColumns || isNameOrNumber(c.role);
        columns.append(c);
    }
    if (!contactColumns) {
        *fault = {1, QStringLiteral("第一行不是联系人表的列标题（没有姓名、Name、电话或Phone等列）")};
        return false;
    }

    // Progress counts characters of the decoded text, in the file's proportions.
    const auto cancelled = [&](qsizetype done) {
        if (!progress || progress(Stage::Importing, done, text.size()))
            return false;
        *fault = {line, QStringLiteral("已取消"), true};
        return true;
    };
    if (cancelled(0))
        return false;
    QStringList row;
    int count = 0;
    qsizetype reported = 0;
    while (tokenizer.next(&row, &line)) {
        bool empty = true;
        for (const QString& cell : std::as_const(row))
            empty = empty && cell.trimmed().isEmpty();
        if (tokenizer.position() - reported >= 128 * 1024) {
            reported = tokenizer.position();
            if (cancelled(reported))
                return false;
        }
        if (empty)
            continue;
        if (count == Limits::Cards) {
            *fault = {line, QStringLiteral("文件中的联系人超过%1个，请分成几个文件导入").arg(Limits::Cards)};
            return false;
        }
        Card card = cardOf(columns, header, row, own, line);
        if (!sink(card)) {
            *fault = {line, QString()};
            return false;
        }
        if (++count % 256 == 0 && cancelled(tokenizer.position()))
            return false;
    }
    if (refused(line))
        return false;
    return !cancelled(text.size());
}

} // namespace exchange
