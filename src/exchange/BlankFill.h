#pragma once

#include "exchange/Contact.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace exchange {

// What an import may add to a record the book already has: only the fields that are blank there, never one that
// holds anything. Blank means what the windows show as empty: a text field (性别, 关系, the numbers, 住址, 备注) that
// trims to nothing (" ", empty or NULL); a birthday the modify window stores as none (month or day 0 or missing),
// filled whole as one item; 照片 empty or no.bmp. 姓名 is the key and 登记时间 says when the record entered this
// book; neither is ever filled.
class BlankFill {
public:
    BlankFill() = delete;

    enum class Field { Sex, Birthday, Relation, Phone, Mobile, Phs, Address, Note, Photo };

    // The book's record as read: month and day 0 when missing or 0, -1 when they hold something else.
    static QList<Field> blanks(const Contact& book);
    // The blank fields of the book that the file's record can fill, in table order.
    static QList<Field> fillable(const Contact& book, const Contact& file);
    // 性别, 生日, 关系 … as the windows call them.
    static QString title(Field field);
    static QStringList titles(const QList<Field>& fields);
};

} // namespace exchange
