#pragma once

#include "print/Book.h"

#include <QString>
#include <vector>

namespace print {

// A heading and the rows under it, as the printed list shows them.
struct Section {
    // Empty when the list is not grouped: no heading is printed.
    QString heading;
    // Indexes into the book's entries, in pinyin order of the name (the record list's own collation).
    std::vector<int> rows;
};

// "A" to "Z" by the first letter of the name's pinyin, the first character read as a surname (曾 is Z, 单 is S);
// a name without Chinese characters under its first Latin letter; "#" for everything else.
QString initialOf(const QString& name);
// The relation when it is one of the seven the add window offers, else "其他".
QString relationHeading(const QString& relation);

// The entries in sections: one unnamed section, the seven relations in the add window's order and then "其他", or
// A to Z and then "#". Sections without rows are left out.
std::vector<Section> groupEntries(const std::vector<Entry>& entries, Grouping grouping);

} // namespace print
