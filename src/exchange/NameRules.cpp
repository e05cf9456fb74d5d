#include "exchange/NameRules.h"

namespace exchange {

bool NameRules::isRefused(QChar c)
{
    static const QString refused = QStringLiteral("!\"&*,./:;<>?\\|");
    return refused.contains(c) || c.category() == QChar::Other_Control;
}

QString NameRules::clean(const QString& name)
{
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        if (!isRefused(c))
            out.append(c);
    }
    return out.trimmed();
}

QString NameRules::key(const QString& name)
{
    QString k = name;
    for (QChar& c : k) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    }
    return k;
}

bool NameRules::isReservedPhotoName(const QString& name, const QString& extension)
{
    return (name + extension).compare(u"no.bmp", Qt::CaseInsensitive) == 0 ||
           name.compare(u"yes", Qt::CaseInsensitive) == 0;
}

} // namespace exchange
