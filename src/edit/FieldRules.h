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
    // The lead of the error report for a month or day that is no whole number.
    static QString numberLead() { return QStringLiteral("生日的月和日只能填写数字，请改正后再保存。"); }

    // The outcome of a save check: passed, or the field it stopped at with its message. An error is a value the save
    // cannot read (the default error report); any other failure is a refusal in the windows' message style.
    struct Check {
        enum Field { None, Name, Month, Day, Sex };
        Field field = None;
        QString text;
        bool error = false;
        bool passed() const { return field == None; }
    };
    // The add window's name checks: not empty, and no refused or control character (pasted text is not filtered
    // while typing, and the name becomes a photo file name).
    static Check checkName(const QString& name);
    // Both windows' birthday checks in order: the month a whole number up to 12, then the day one up to 31.
    static Check checkBirthday(const QString& month, const QString& day, int* monthValue, int* dayValue);
    // The modify window's birthday before its checks: an empty or "0" month or day is no birthday, both "0".
    static void clearHalfBirthday(QString* month, QString* day);
    // The modify window's sex: blank becomes one space; anything but "男" or "女" is refused.
    static Check checkSex(QString* sex);
};
