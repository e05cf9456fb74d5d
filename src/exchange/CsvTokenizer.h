#pragma once

#include <QString>
#include <QStringList>

namespace exchange {

// Splits CSV text into records as RFC 4180 has it: fields in double quotes may hold separators, quotes ("") and
// line breaks; records end in CRLF, LF or CR. Spreadsheets of some countries separate with ";" or a tab.
class CsvTokenizer {
public:
    explicit CsvTokenizer(const QString& text, QChar separator = u',');

    // The next record and the line it begins on. False at the end, or when a quoted field never closes (failed()).
    bool next(QStringList* fields, int* line);
    bool failed() const { return m_failed; }
    qsizetype position() const { return m_pos; }

    // The separator of the first line: the most frequent of ",", ";" and tab outside quotes, "," when none.
    static QChar detectSeparator(const QString& text);

private:
    const QString& m_text;
    QChar m_separator;
    qsizetype m_pos = 0;
    int m_line = 1;
    bool m_failed = false;
};

} // namespace exchange
