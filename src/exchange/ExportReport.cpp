#include "exchange/ExportReport.h"

namespace exchange {

QString ExportReport::summary() const
{
    QString s = QStringLiteral("已导出%1个联系人").arg(written);
    if (missing > 0)
        s += QStringLiteral("，%1个已不在数据库中").arg(missing);
    return s + QStringLiteral("。");
}

} // namespace exchange
