#pragma once

#include "exchange/Card.h"
#include "exchange/Progress.h"

#include <QByteArray>
#include <QList>

namespace exchange {

// Reads contact sheets: this program's own export, Google Contacts' older (Name, Given Name, … Phone 1 - Type) and
// newer (First Name, … Phone 1 - Label) layouts, Outlook's, and a sheet whose columns carry Chinese titles (姓名,
// 手机, 住址 …), matched by name. A column without a field of its own keeps its values in 备注 under its title.
class CsvReader {
public:
    CsvReader() = delete;

    // Hands every row to sink as a card. False when the first line names no contact column, a quoted field never
    // closes, or progress or the sink said stop.
    static bool read(const QByteArray& data, const CardSink& sink, ReadFault* fault, const Progress& progress = {});
    static bool read(const QByteArray& data, QList<Card>* cards, ReadFault* fault);
};

} // namespace exchange
