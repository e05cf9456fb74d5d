#pragma once

#include <QString>
#include <QStringList>

namespace exchange {

// Splits CSV text into records as RFC 4180 has it: fields in double quotes may hold separators, quotes ("") and
// line breaks; records end in CRLF, LF or CR. Spreadsheets of some countries separate with ";" or a tab. A record
// holds at most Limits::Fields fields and Limits::Row characters.
class CsvTokenizer {
public:
    enum class Fault { None, OpenQuote, TooManyFields, TooLong };

    explicit CsvTokenizer(const QString& text, QChar separator = u',');

    // The next record and the line it begins on. False at the end, or when the record breaks a rule (failed()).
    bool next(QStringList* fields, int* line);
    bool failed() const { return m_fault != Fault::None; }
    Fault fault() const { return m_fault; }
    qsizetype position() const { return m_pos; }

    // The separator of the first line: the most frequent of ",", ";" and tab outside quotes, "," when none.
    static QChar detectSeparator(const QString& text);

private:
    const QString& m_text;
    QChar m_separator;
    qsizetype m_pos = 0;
    int m_line = 1;
    Fault m_fault = Fault::None;
};

} // namespace exchange
