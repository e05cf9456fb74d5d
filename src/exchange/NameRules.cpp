#include "exchange/NameRules.h"

#include "store/NameFilter.h"

namespace exchange {

bool NameRules::isRefused(QChar c)
{
    return store::NameFilter::isRefused(c) || c.category() == QChar::Other_Control;
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
    return store::NameFilter::collidesWithPlaceholder(name, extension);
}

} // namespace exchange
