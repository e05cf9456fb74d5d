#pragma once

#include <QString>

// Rules of the user-management and change-password windows that need no window.
class UserRules {
public:
    UserRules() = delete;

    // The key filter of the user-name box: a typed character with a code from 32 to 127 that is one of the 14
    // refused ones ! " & * , . / : ; < > ? \ | (pasted text is not filtered while typing).
    static bool refusesTyped(QChar c);
    // Length in code page 936 bytes: a Chinese character counts 2, a letter 1.
    static int codepageLength(const QString& text);
    // A trimmed name that can be a folder of the program directory and a key of user.ini: none of the refused
    // characters (so no "/", "\" or ".."), no control character, no "=" and no leading ";" or "[".
    static bool isUsableName(const QString& name);
    // False for a name of blanks and characters that show nothing (zero-width spaces, joiners, fillers): such a
    // name is no name.
    static bool hasVisibleCharacter(const QString& name);
    // The names of the program's own files and folders beside the user folders (photo, data, backup …), which a
    // user's folder can never be; letter case not counting.
    static bool isReservedName(const QString& name);
    // The longest folder name the file system takes, in bytes of its encoding.
    static constexpr int MaxFolderNameBytes = 255;
    // What the rights box stores: "超级用户" only when it holds exactly that, otherwise "普通用户".
    static QString storedRights(const QString& box);

    // The outcome of the create checks: passed, or the box to correct with its message.
    struct Check {
        enum Field { None, Name, Password };
        Field field = None;
        QString text;
        bool passed() const { return field == None; }
    };
    // The create checks in order, on the boxes' texts: a name, neither too short nor too long for a folder,
    // usable; a password.
    static Check checkNewUser(const QString& name, const QString& password);

    // The change-password window fills both boxes with this when it opens: it stands for the stored password,
    // which cannot be shown since only its hash is kept. Eight characters of the private use area, which no
    // keyboard or input method types.
    static QString unchangedPassword();
    // A box edited by the user keeps only what the user typed: a partly edited placeholder drops the rest of it,
    // so the password stored is never one the user cannot type again.
    static QString withoutPlaceholder(const QString& edited);
};
