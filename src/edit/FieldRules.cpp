#include "edit/FieldRules.h"

#include "store/NameFilter.h"

bool FieldRules::isRefusedNameChar(QChar c)
{
    return store::NameFilter::isRefused(c);
}

bool FieldRules::nameHasSpecialChars(const QString& name)
{
    return store::NameFilter::hasSpecialChars(name);
}

QString FieldRules::clean(const QString& text)
{
    const QString t = text.trimmed();
    return t.isEmpty() ? QStringLiteral(" ") : t;
}

bool FieldRules::toInteger(const QString& text, int* value, QString* error)
{
    // As the original conversion: surrounding blanks are not accepted, a sign is.
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || text.isEmpty() || text.at(0).isSpace() || text.back().isSpace()) {
        if (error)
            *error = QStringLiteral("'%1' is not a valid integer value").arg(text);
        return false;
    }
    *value = v;
    return true;
}

FieldRules::Check FieldRules::checkName(const QString& name)
{
    if (name.isEmpty())
        return {Check::Name, QStringLiteral("姓名必须填写!")};
    if (nameHasSpecialChars(name))
        return {Check::Name, QStringLiteral("姓名中不能含有特殊字符！")};
    return {};
}

FieldRules::Check FieldRules::checkBirthday(const QString& month, const QString& day, int* monthValue, int* dayValue)
{
    QString error;
    if (!toInteger(month, monthValue, &error))
        return {Check::Month, error, true};
    if (*monthValue > 12)
        return {Check::Month, QStringLiteral("月份不能大于12！")};
    if (!toInteger(day, dayValue, &error))
        return {Check::Day, error, true};
    if (*dayValue > 31)
        return {Check::Day, QStringLiteral("月日不能大于31！")};
    return {};
}

void FieldRules::clearHalfBirthday(QString* month, QString* day)
{
    const QString m = month->trimmed();
    const QString d = day->trimmed();
    if (m.isEmpty() || d.isEmpty() || m == QLatin1String("0") || d == QLatin1String("0")) {
        *month = QStringLiteral("0");
        *day = QStringLiteral("0");
    }
}

FieldRules::Check FieldRules::checkSex(QString* sex)
{
    if (sex->trimmed().isEmpty()) {
        *sex = QStringLiteral(" ");
        return {};
    }
    if (*sex != QStringLiteral("男") && *sex != QStringLiteral("女")) {
        sex->clear();
        return {Check::Sex, QStringLiteral("性别只能是男或女！")};
    }
    return {};
}
