#pragma once

#include <QString>

namespace store {

// The name filter that contact names and user names share: a contact name becomes a photo file name and a user
// name a folder name, so the 14 characters ! " & * , . / : ; < > ? \ | are refused in both.
class NameFilter {
public:
    NameFilter() = delete;

    static bool isRefused(QChar c);
    // A refused character or a control character anywhere in the name.
    static bool hasSpecialChars(const QString& name);
    // A contact photo of this name would replace the placeholder photo/no.bmp or a staging file photo/yes.*.
    static bool collidesWithPlaceholder(const QString& name, const QString& extension);
};

} // namespace store
