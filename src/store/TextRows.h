#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <vector>

struct sqlite3;
struct pg_conn;

namespace store {

// One row of a select, each value as UTF-8 text exactly as Qt's driver would have given it as a string (empty for
// NULL). The views hold until the sink returns.
using TextSink = std::function<bool(const QByteArrayView* values, int columns, QString* error)>;

// The rows of a select on an open SQLite connection, through SQLite's own interface: no variant per value, and text
// already valid UTF-8 passes as it lies in the page.
bool readSqliteTexts(sqlite3* db, const QByteArray& select, const TextSink& sink, QString* error);
// The rows of a select on a server connection, streamed with COPY: one row in memory at a time, none of them in
// a result of all rows.
bool readServerTexts(pg_conn* db, const QByteArray& select, const TextSink& sink, QString* error);

// The fields of one line of COPY's text format (tab-separated, backslash escapes, \N for NULL, which reads as
// empty text); false for a line that is not in that format. A field without escapes is a view into the line, one
// with escapes a view of its unescaped bytes, kept in `unescaped` (reused from line to line).
bool splitCopyLine(QByteArrayView line, std::vector<QByteArrayView>* fields, std::vector<QByteArray>* unescaped);

// Text as Qt's UTF-8 decoder reads it, back in UTF-8: text it would change (a byte that is no UTF-8, a leading
// byte-order mark) is changed the same way.
QByteArray asQtReadsUtf8(QByteArrayView bytes);
// Whether the bytes are UTF-8 that every decoder reads alike: well-formed, and without U+FFFE and U+FFFF, which
// SQLite's conversion turns into U+FFFD.
bool isPlainUtf8(QByteArrayView bytes);

} // namespace store
