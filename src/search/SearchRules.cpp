#include "search/SearchRules.h"

QList<SearchRules::Condition> SearchRules::single(bool phone, bool mobile, bool pager, const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    if (phone)
        return {{QStringLiteral("电话"), trimmed}};
    if (mobile)
        return {{QStringLiteral("手机"), trimmed}};
    if (pager)
        return {{QStringLiteral("小灵通"), trimmed}};
    return {{QStringLiteral("姓名"), trimmed, Qt::CaseInsensitive}};
}

QList<SearchRules::Condition> SearchRules::compound(const QString& relation, const QString& phone,
                                                    const QString& mobile, const QString& address)
{
    const Condition inputs[] = {{QStringLiteral("关系"), relation.trimmed()},
                                {QStringLiteral("电话"), phone.trimmed()},
                                {QStringLiteral("手机"), mobile.trimmed()},
                                {QStringLiteral("住址"), address.trimmed()}};
    QList<Condition> conditions;
    for (const Condition& c : inputs) {
        if (!c.text.isEmpty())
            conditions.append(c);
    }
    return conditions;
}

bool SearchRules::matches(const Condition& condition, const QString& value)
{
    return value.contains(condition.text, condition.letterCase);
}
