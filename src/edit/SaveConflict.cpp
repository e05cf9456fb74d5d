#include "edit/SaveConflict.h"

namespace SaveConflict {

namespace {

// A field as the window labels it.
QString label(const QString& field)
{
    if (field == QLatin1String("生月"))
        return QStringLiteral("生日（月）");
    if (field == QLatin1String("生日"))
        return QStringLiteral("生日（日）");
    return field;
}

// A blank field is stored as one space: shown as empty, not as nothing at all.
QString shown(const QString& value)
{
    return value.trimmed().isEmpty() ? QStringLiteral("（空）") : QStringLiteral("“%1”").arg(value);
}

} // namespace

QString changedText(const QString& name, const QList<store::Dataset::Clash>& clashes)
{
    QStringList lines{QStringLiteral("“%1”的记录在你打开修改窗口之后，已经被其他电脑修改了：").arg(name)};
    for (const store::Dataset::Clash& c : clashes)
        lines << QStringLiteral("%1：对方改为%2，你改为%3。").arg(label(c.field), shown(c.theirs), shown(c.mine));
    lines << QString()
          << QStringLiteral("“覆盖”保存你的内容；“保留对方的”保留对方的这些内容，只保存你的其他修改；"
                            "“取消”回到修改窗口，什么也不保存。");
    return lines.join(QLatin1Char('\n'));
}

QList<QPair<QMessageBox::StandardButton, QString>> changedChoices()
{
    return {{QMessageBox::Yes, QStringLiteral("覆盖")},
            {QMessageBox::No, QStringLiteral("保留对方的")},
            {QMessageBox::Cancel, QStringLiteral("取消")}};
}

QString deletedText(const QString& name)
{
    return QStringLiteral("“%1”的记录在你打开修改窗口之后，已经被其他电脑删除了。\n\n"
                          "“重新建立”用窗口中的内容把这条记录重新保存；“不要了”放弃这条记录并关闭窗口；"
                          "“取消”回到修改窗口，什么也不保存。")
        .arg(name);
}

QList<QPair<QMessageBox::StandardButton, QString>> deletedChoices()
{
    return {{QMessageBox::Yes, QStringLiteral("重新建立")},
            {QMessageBox::No, QStringLiteral("不要了")},
            {QMessageBox::Cancel, QStringLiteral("取消")}};
}

} // namespace SaveConflict
