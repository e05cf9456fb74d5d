#include "mainwin/Summary.h"

QString Summary::introLine()
{
    return QStringLiteral(
        "右面显示的是所有已登记的记录。你可以新增加一条记录，也可以选择一条记录查看它的基本信息并进行相应的操作。");
}

QString Summary::countLine(int count, const Breakdown* breakdown, bool sortedByName)
{
    QString parts;
    if (breakdown) {
        const QString men = breakdown->men.trimmed();
        const QString women = breakdown->women.trimmed();
        const QString unspecified = breakdown->unspecified.trimmed();
        if (unspecified == QLatin1String("0"))
            parts = QStringLiteral("（其中男%1人，女%2人）").arg(men, women);
        else
            parts = QStringLiteral("（其中男%1人，女%2人，未指定性别%3人）").arg(men, women, unspecified);
    }
    const QString order =
        sortedByName ? QStringLiteral("按姓氏拼音排列顺序。") : QStringLiteral("按录入的先后排列顺序。");
    return QStringLiteral("当前共有%1条记录").arg(count) + parts + QStringLiteral("，") + order;
}
