#pragma once

#include <QString>

namespace exchange {

enum class Format { VCard, Csv };

// The format a file's extension names: .vcf or .vcard, .csv (any letter case). False for any other.
bool formatFromPath(const QString& path, Format* format);
// The path as it is when its extension names a format, else with the extension of the format chosen.
QString withExtension(const QString& path, Format chosen);

} // namespace exchange
