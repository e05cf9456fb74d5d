#pragma once

#include <QString>

namespace exchange {

// The rules an imported name must meet, the same the add window applies to a typed or pasted name: the name
// becomes the stem of the contact's photo file, so it holds none of ! " & * , . / : ; < > ? \ | and no control
// character; names are told apart without regard to ASCII letter case, as the table's NOCASE index does.
class NameRules {
public:
    NameRules() = delete;

    static bool isRefused(QChar c);
    // The name with refused and control characters removed, trimmed; empty when nothing is left.
    static QString clean(const QString& name);
    // The form two names share when the table counts them as one (SQLite NOCASE folds A-Z only).
    static QString key(const QString& name);
    // A photo file of this name would replace the placeholder photo/no.bmp or a staging file photo/yes.*.
    static bool isReservedPhotoName(const QString& name, const QString& extension);
};

} // namespace exchange
