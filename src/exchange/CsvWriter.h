#pragma once

#include "exchange/Contact.h"

#include <QByteArray>
#include <QStringList>

namespace exchange {

// Writes the CSV export: UTF-8 with a byte order mark (Chinese Excel opens it without garbling), CRLF, the record's
// fields under Chinese titles, birthdays as 3月7日.
class CsvWriter {
public:
    CsvWriter() = delete;

    // 姓名,性别,关系,电话,手机,小灵通,住址,备注,生日,登记时间
    static const QStringList& header();
    // The byte order mark and the title line.
    static QByteArray start();
    static QByteArray row(const Contact& contact);
    // A spreadsheet takes a cell beginning with = + - @ for a formula; such a cell is written with a leading "'".
    static bool needsFormulaGuard(const QString& value);
    static QString quoted(const QString& value);
};

} // namespace exchange
