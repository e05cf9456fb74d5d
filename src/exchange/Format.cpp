#include "exchange/Format.h"

#include <QFileInfo>

namespace exchange {

bool formatFromPath(const QString& path, Format* format)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("vcf") || suffix == QLatin1String("vcard")) {
        *format = Format::VCard;
        return true;
    }
    if (suffix == QLatin1String("csv")) {
        *format = Format::Csv;
        return true;
    }
    return false;
}

QString withExtension(const QString& path, Format chosen)
{
    Format named;
    if (formatFromPath(path, &named))
        return path;
    return path + (chosen == Format::Csv ? QStringLiteral(".csv") : QStringLiteral(".vcf"));
}

} // namespace exchange
