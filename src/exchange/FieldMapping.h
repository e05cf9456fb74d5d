#pragma once

#include "exchange/Card.h"
#include "exchange/Contact.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace exchange {

// Turns a card from a file into a record that the add and modify windows could have written: the names, which
// number goes into which telephone field, the birthday, sex, relation, address and remarks, and whatever has no
// field of its own kept in 备注 as "标签：值" pieces, so that nothing of the file is lost.
class FieldMapping {
public:
    FieldMapping() = delete;

    enum class Slot { Phone, Mobile, Phs };

    // A line edit of the editing windows holds at most this many characters; a longer value would be cut there.
    static constexpr int MaxText = 32767;
    // The photo bytes a contact may bring along.
    static constexpr qsizetype MaxPhoto = 16 * 1024 * 1024;

    // The name is trimmed but not yet checked against the name rules (NameRules); 照片 stays "no.bmp" until the
    // photo is written.
    static Contact toContact(const Card& card, const QDate& today);

    // The seven relations the add window offers.
    static const QStringList& relations();
    // The number as the field takes it: +86 or 0086 dropped, blanks, dots and brackets removed, "(0351) 2223333"
    // as "0351-2223333"; 手机 keeps digits only. False when the result still breaks the field's rules (only digits
    // and "-", at most 13 characters, 11 for 手机).
    static bool normalisePhone(const QString& value, Slot slot, QString* normalised);
    static bool fitsField(const QString& value, Slot slot);
    // 1985-03-07, 19850307, --0307, --03-07, 1985/3/7, 3月7日 (also inside 1985年3月7日).
    static bool parseBirthday(const QString& text, int* month, int* day);
    // "男", "女" or " ".
    static QString sexOf(const QString& gender);
    // Line breaks and tabs become one blank, other control characters go, trimmed, " " when blank, at most MaxText.
    static QString clean(const QString& text, bool* truncated = nullptr);
    static bool hasHan(const QString& text);
    // Parts joined with a blank, without one between two parts that hold Chinese characters.
    static QString joinParts(const QStringList& parts);
    // Family + given without a blank when either holds Chinese characters, "Given Middle Family" otherwise.
    static QString joinName(const QString& family, const QString& given, const QString& middle = QString());
    // Types a label of the source implies ("Mobile", "手机", "小灵通" ...).
    static QStringList typesForLabel(const QString& label);
    // ".jpg" or ".png" by the picture's signature; empty for anything else.
    static QString photoExtension(const QByteArray& data);
};

} // namespace exchange
