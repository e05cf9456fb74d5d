#pragma once

#include "exchange/Contact.h"

#include <QDate>
#include <QString>
#include <vector>

namespace print {

// One contact as the printed list shows it, with trimmed texts (empty for blank).
using Entry = exchange::Contact;

enum class Grouping { None, Relation, Initial };

// The columns a printed list may show, in the order they stand on the page.
enum class Column { Name, Phone, Mobile, Phs, Address, Note };
inline constexpr int kColumnCount = 6;

// What the user chose in the preview (or on the command line).
struct Options {
    Grouping grouping = Grouping::None;
    // Name, phone, mobile, 小灵通 and address; remarks only when asked for.
    bool columns[kColumnCount] = {true, true, true, true, true, false};
    bool landscape = false;
};

// Everything one printed list shows: the book's title (the main window's caption), the date it was printed and the
// contacts in any order (the list sorts them).
struct Book {
    QString title;
    QDate date;
    std::vector<Entry> entries;
};

QString columnCaption(Column column);
const QString& cell(const Entry& entry, Column column);

} // namespace print
