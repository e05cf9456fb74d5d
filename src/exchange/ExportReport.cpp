#include "exchange/ExportReport.h"

namespace exchange {

QString ExportReport::summary() const
{
    QString s = QStringLiteral("已导出%1个联系人").arg(written);
    if (missing > 0)
        s += QStringLiteral("，%1个已不在数据库中").arg(missing);
    return s + QStringLiteral("。");
}

QString ExportReport::details() const
{
    QStringList lines = {summary()};
    if (!withoutPhoto.isEmpty()) {
        lines.append(
            QStringLiteral("CSV表格不带照片，这%1个联系人的照片没有导出（要连同照片导出，请保存为vCard名片）：")
                .arg(withoutPhoto.size()));
        lines.append(withoutPhoto);
    }
    if (!notes.isEmpty()) {
        lines.append(QStringLiteral("说明："));
        for (const auto& [name, text] : notes)
            lines.append(name + QStringLiteral("：") + text);
    }
    return lines.join(u'\n');
}

} // namespace exchange
