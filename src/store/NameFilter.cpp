#include "store/NameFilter.h"

namespace store {

bool NameFilter::isRefused(QChar c)
{
    static const QString refused = QStringLiteral("!\"&*,./:;<>?\\|");
    return refused.contains(c);
}

bool NameFilter::hasSpecialChars(const QString& name)
{
    for (const QChar c : name) {
        if (isRefused(c) || c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

bool NameFilter::collidesWithPlaceholder(const QString& name, const QString& extension)
{
    return (name + extension).compare(QLatin1String("no.bmp"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
}

} // namespace store
