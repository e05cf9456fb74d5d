#include "exchange/CsvTokenizer.h"

#include "exchange/Limits.h"

namespace exchange {

CsvTokenizer::CsvTokenizer(const QString& text, QChar separator) : m_text(text), m_separator(separator) {}

bool CsvTokenizer::next(QStringList* fields, int* line)
{
    fields->clear();
    const qsizetype n = m_text.size();
    if (m_fault != Fault::None || m_pos >= n)
        return false;
    *line = m_line;
    const qsizetype end = qMin(n, m_pos + Limits::Row);
    const auto endField = [&](QString* field) {
        if (fields->size() == Limits::Fields) {
            m_fault = Fault::TooManyFields;
            return false;
        }
        fields->append(*field);
        field->clear();
        return true;
    };
    QString field;
    bool quoted = false;    // inside a quoted field
    bool wasQuoted = false; // the current field began with a quote
    while (m_pos < end) {
        const QChar c = m_text.at(m_pos++);
        if (quoted) {
            if (c == u'"') {
                if (m_pos < n && m_text.at(m_pos) == u'"') {
                    field.append(u'"');
                    ++m_pos;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n' || (c == u'\r' && !(m_pos < n && m_text.at(m_pos) == u'\n')))
                    ++m_line;
                field.append(c);
            }
            continue;
        }
        if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == m_separator) {
            if (!endField(&field))
                return false;
            wasQuoted = false;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && m_pos < n && m_text.at(m_pos) == u'\n')
                ++m_pos;
            ++m_line;
            return endField(&field);
        } else {
            field.append(c);
        }
    }
    if (m_pos < n) {
        m_fault = Fault::TooLong;
        return false;
    }
    if (quoted) {
        m_fault = Fault::OpenQuote;
        return false;
    }
    return endField(&field);
}

QChar CsvTokenizer::detectSeparator(const QString& text)
{
    int comma = 0;
    int semicolon = 0;
    int tab = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == u'\n' || c == u'\r')
            break;
        else if (c == u',')
            ++comma;
        else if (c == u';')
            ++semicolon;
        else if (c == u'\t')
            ++tab;
    }
    if (tab > comma && tab >= semicolon)
        return u'\t';
    if (semicolon > comma)
        return u';';
    return u',';
}

} // namespace exchange
