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

} // namespace exchange
