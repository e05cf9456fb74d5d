#include "tools/AreaCodeRules.h"

QStringList AreaCodeRules::provinces()
{
    return {QStringLiteral("山西"),  QStringLiteral("河北"),   QStringLiteral("内蒙古"), QStringLiteral("辽宁"),
            QStringLiteral("吉林"),  QStringLiteral("黑龙江"), QStringLiteral("江苏"),   QStringLiteral("浙江"),
            QStringLiteral("安徽"),  QStringLiteral("福建"),   QStringLiteral("江西"),   QStringLiteral("山东"),
            QStringLiteral("河南"),  QStringLiteral("湖北"),   QStringLiteral("湖南"),   QStringLiteral("广东"),
            QStringLiteral("广西"),  QStringLiteral("海南"),   QStringLiteral("四川"),   QStringLiteral("贵州"),
            QStringLiteral("云南"),  QStringLiteral("西藏"),   QStringLiteral("陕西"),   QStringLiteral("甘肃"),
            QStringLiteral("宁夏"),  QStringLiteral("青海"),   QStringLiteral("新疆"),   QStringLiteral("直辖市"),
            QStringLiteral("港澳台")};
}

bool AreaCodeRules::lacksInput(Mode mode, const QString& input)
{
    return mode != Mode::Province && input.trimmed().isEmpty();
}

bool AreaCodeRules::matches(Mode mode, const QString& input, const Row& row)
{
    const QString typed = input.trimmed();
    switch (mode) {
    case Mode::Province:
        return row.province == typed;
    case Mode::City:
        return !typed.isEmpty() && row.city.contains(typed);
    case Mode::Code: {
        if (typed.isEmpty())
            return false;
        // A code typed without its leading "0" gets it; one typed with it stays as it is. So 0852 finds 遵义 only,
        // not also Hong Kong, whose stored code 0852 is dialled 00852.
        const QString dialled = typed.startsWith(QLatin1Char('0')) ? typed : QLatin1Char('0') + typed;
        return QLatin1Char('0') + row.code == dialled;
    }
    }
    return false;
}

QString AreaCodeRules::line(Mode mode, const Row& row)
{
    if (mode == Mode::Province)
        return row.city + QStringLiteral("  0") + row.code;
    return row.city + QStringLiteral("（") + row.province + QStringLiteral("）  0") + row.code;
}

QStringList AreaCodeRules::lookup(Mode mode, const QString& input, const QList<Row>& rows)
{
    QStringList lines;
    for (const Row& row : rows) {
        if (matches(mode, input, row))
            lines.append(line(mode, row));
    }
    if (lines.isEmpty())
        lines.append(QStringLiteral("对不起，无信息！"));
    return lines;
}
