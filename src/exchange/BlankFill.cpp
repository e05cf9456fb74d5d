#include "exchange/BlankFill.h"

namespace exchange {

namespace {

constexpr BlankFill::Field kAll[] = {
    BlankFill::Field::Sex,     BlankFill::Field::Birthday, BlankFill::Field::Relation,
    BlankFill::Field::Phone,   BlankFill::Field::Mobile,   BlankFill::Field::Phs,
    BlankFill::Field::Address, BlankFill::Field::Note,     BlankFill::Field::Photo,
};

bool blankText(const QString& value)
{
    return value.trimmed().isEmpty();
}

QString Contact::*textField(BlankFill::Field field)
{
    switch (field) {
    case BlankFill::Field::Relation:
        return &Contact::relation;
    case BlankFill::Field::Phone:
        return &Contact::phone;
    case BlankFill::Field::Mobile:
        return &Contact::mobile;
    case BlankFill::Field::Phs:
        return &Contact::phs;
    case BlankFill::Field::Address:
        return &Contact::address;
    case BlankFill::Field::Note:
        return &Contact::note;
    default:
        return nullptr;
    }
}

bool holds(const Contact& c, BlankFill::Field field, bool fromFile)
{
    switch (field) {
    case BlankFill::Field::Sex:
        return !blankText(c.sex);
    case BlankFill::Field::Birthday:
        // A value the book holds that is no number (-1) is not blank; the file's birthday is a real one or none.
        return fromFile ? c.month > 0 && c.day > 0 : c.month != 0 && c.day != 0;
    case BlankFill::Field::Photo:
        return fromFile
                   ? !c.photoData.isEmpty()
                   : !c.photo.trimmed().isEmpty() && c.photo.trimmed().compare(u"no.bmp", Qt::CaseInsensitive) != 0;
    default:
        return !blankText(c.*textField(field));
    }
}

} // namespace

QList<BlankFill::Field> BlankFill::blanks(const Contact& book)
{
    QList<Field> out;
    for (const Field f : kAll) {
        if (!holds(book, f, false))
            out.append(f);
    }
    return out;
}

QList<BlankFill::Field> BlankFill::fillable(const Contact& book, const Contact& file)
{
    QList<Field> out;
    for (const Field f : blanks(book)) {
        if (holds(file, f, true))
            out.append(f);
    }
    return out;
}

QString BlankFill::title(Field field)
{
    switch (field) {
    case Field::Sex:
        return QStringLiteral("性别");
    case Field::Birthday:
        return QStringLiteral("生日");
    case Field::Relation:
        return QStringLiteral("关系");
    case Field::Phone:
        return QStringLiteral("电话");
    case Field::Mobile:
        return QStringLiteral("手机");
    case Field::Phs:
        return QStringLiteral("小灵通");
    case Field::Address:
        return QStringLiteral("住址");
    case Field::Note:
        return QStringLiteral("备注");
    case Field::Photo:
        return QStringLiteral("照片");
    }
    return {};
}

QStringList BlankFill::titles(const QList<Field>& fields)
{
    QStringList out;
    for (const Field f : fields)
        out.append(title(f));
    return out;
}

} // namespace exchange
