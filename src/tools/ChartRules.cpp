#include "tools/ChartRules.h"

#include <algorithm>

int ChartRules::group(const QString& relation)
{
    if (relation == QStringLiteral("朋友"))
        return 0;
    if (relation == QStringLiteral("同事") || relation == QStringLiteral("领导"))
        return 1;
    if (relation == QStringLiteral("同学") || relation == QStringLiteral("老师"))
        return 2;
    if (relation == QStringLiteral("家庭") || relation == QStringLiteral("亲戚"))
        return 3;
    return 4;
}

ChartRules::Chart ChartRules::chart(const QStringList& relations)
{
    Chart c;
    for (const QString& relation : relations)
        ++c.counts[size_t(group(relation))];
    const qint64 rows = relations.size();
    for (size_t i = 0; i < GroupCount; ++i) {
        // 64 bits: a count times the panel height outgrows an int long before a list does.
        c.heights[i] = rows == 0 ? 0 : int(qint64(c.counts[i]) * PanelHeight / rows);
        c.tops[i] = PanelHeight - c.heights[i];
        c.texts[i] = QString::number(c.counts[i]) + QStringLiteral("人");
    }
    c.scaleTop = QString::number(rows);
    c.scaleMiddle = QString::number(rows / 2) + (rows % 2 ? QStringLiteral(".5") : QString());
    c.scaleBottom = QStringLiteral("0");
    return c;
}

int ChartRules::scaleLeft(int labelWidth)
{
    const int room = 37; // two pixels before the chart panel
    return std::clamp(room - labelWidth, 0, 12);
}
