#pragma once

#include <QString>

// Rules the add and modify windows share for contact fields.
class FieldRules {
public:
    // The 14 characters a typed contact or user name refuses: ! " & * , . / : ; < > ? \ |
    static bool isRefusedNameChar(QChar c);
    // A name that must not be stored because it could not name a photo file inside photo/: it holds one of the
    // refused characters or a control character (pasted text is not filtered while typing).
    static bool nameHasSpecialChars(const QString& name);
    // Clean text value: trimmed, or one space when nothing is left.
    static QString clean(const QString& text);
    // Month or day as the save reads it: a whole number, or the run-time error text.
    static bool toInteger(const QString& text, int* value, QString* error);
};
