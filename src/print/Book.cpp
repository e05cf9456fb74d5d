#include "print/Book.h"

namespace print {

QString columnCaption(Column column)
{
    static const char* const captions[kColumnCount] = {"姓名", "电话", "手机", "小灵通", "住址", "备注"};
    return QString::fromUtf8(captions[int(column)]);
}

const QString& cell(const Entry& entry, Column column)
{
    switch (column) {
    case Column::Name:
        return entry.name;
    case Column::Phone:
        return entry.phone;
    case Column::Mobile:
        return entry.mobile;
    case Column::Phs:
        return entry.phs;
    case Column::Address:
        return entry.address;
    case Column::Note:
        break;
    }
    return entry.note;
}

} // namespace print
