#include "exchange/ImportReport.h"

#include <QStringList>

namespace exchange {

int ImportReport::skippedFor(Reason reason) const
{
    int n = 0;
    for (const Skip& s : skipped)
        n += s.reason == reason ? 1 : 0;
    return n;
}

QString ImportReport::reasonText(Reason reason)
{
    switch (reason) {
    case Reason::Exists:
        return QStringLiteral("已有这个人的记录");
    case Reason::Duplicate:
        return QStringLiteral("文件中前面已有同名的联系人");
    case Reason::EmptyName:
        return QStringLiteral("没有姓名");
    case Reason::Complete:
        return QStringLiteral("已有这个人的记录，文件中没有可以补充到它空白项目的内容");
    }
    return {};
}

QString ImportReport::summary() const
{
    QString s = QStringLiteral("已导入%1个联系人").arg(imported);
    if (!filled.isEmpty())
        s += QStringLiteral("，补充了%1个已有联系人的空白项目").arg(filled.size());
    if (!skipped.isEmpty())
        s += QStringLiteral("，跳过%1个（已有%2个，文件中重复%3个，没有姓名%4个）")
                 .arg(skipped.size())
                 .arg(skippedFor(Reason::Exists) + skippedFor(Reason::Complete))
                 .arg(skippedFor(Reason::Duplicate))
                 .arg(skippedFor(Reason::EmptyName));
    return s + QStringLiteral("。");
}

QString ImportReport::details() const
{
    QStringList lines = {summary()};
    if (!filled.isEmpty()) {
        lines.append(QStringLiteral("补充的项目："));
        for (const Fill& f : filled)
            lines.append(f.name + QStringLiteral("（第%1行）：").arg(f.line) + f.fields.join(u'、'));
    }
    if (!skipped.isEmpty()) {
        lines.append(QStringLiteral("跳过的联系人："));
        for (const Skip& s : skipped) {
            const QString where = QStringLiteral("第%1行").arg(s.line);
            const QString who = s.name.isEmpty() ? where : s.name + QStringLiteral("（") + where + QStringLiteral("）");
            lines.append(who + QStringLiteral("：") + reasonText(s.reason));
        }
    }
    if (!notes.isEmpty()) {
        lines.append(QStringLiteral("说明："));
        for (const Note& n : notes)
            lines.append(n.name + QStringLiteral("：") + n.text);
    }
    return lines.join(u'\n');
}

} // namespace exchange
