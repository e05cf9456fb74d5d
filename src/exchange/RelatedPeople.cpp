#include "exchange/RelatedPeople.h"

#include <QHash>

#include <iterator>

namespace exchange {

QString RelatedPeople::withRelation(const QString& person, const QString& label)
{
    static const QHash<QString, QString> words = {
        {QStringLiteral("spouse"), QStringLiteral("配偶")},
        {QStringLiteral("partner"), QStringLiteral("伴侣")},
        {QStringLiteral("child"), QStringLiteral("子女")},
        {QStringLiteral("parent"), QStringLiteral("父母")},
        {QStringLiteral("mother"), QStringLiteral("母亲")},
        {QStringLiteral("father"), QStringLiteral("父亲")},
        {QStringLiteral("brother"), QStringLiteral("兄弟")},
        {QStringLiteral("sister"), QStringLiteral("姐妹")},
        {QStringLiteral("sibling"), QStringLiteral("兄弟姐妹")},
        {QStringLiteral("friend"), QStringLiteral("朋友")},
        {QStringLiteral("relative"), QStringLiteral("亲戚")},
        {QStringLiteral("kin"), QStringLiteral("亲戚")},
        {QStringLiteral("co-worker"), QStringLiteral("同事")},
        {QStringLiteral("colleague"), QStringLiteral("同事")},
        {QStringLiteral("manager"), QStringLiteral("上级")},
        {QStringLiteral("assistant"), QStringLiteral("助理")},
        {QStringLiteral("referred-by"), QStringLiteral("介绍人")},
        {QStringLiteral("neighbor"), QStringLiteral("邻居")},
        {QStringLiteral("emergency"), QStringLiteral("紧急联系人")},
    };
    const QString who = person.trimmed();
    QString l = label.trimmed();
    l = words.value(QString(l).toLower().replace(u'_', u'-').replace(u' ', u'-'), l);
    return who.isEmpty() || l.isEmpty() ? who : who + QStringLiteral("（") + l + QStringLiteral("）");
}

QString RelatedPeople::androidType(int type)
{
    // ContactsContract's relation types, in their order; 4 is a domestic partner.
    static const char* const types[] = {"",        "assistant",   "brother",  "child",  "partner",
                                        "father",  "friend",      "manager",  "mother", "parent",
                                        "partner", "referred-by", "relative", "sister", "spouse"};
    return type > 0 && type < int(std::size(types)) ? QString::fromLatin1(types[type]) : QString();
}

} // namespace exchange
