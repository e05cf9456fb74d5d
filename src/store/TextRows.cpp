#include "store/TextRows.h"

#include <QVariant>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstring>

namespace store {

namespace {

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// Well-formed UTF-8: no stray or missing continuation bytes, no overlong forms, no surrogates, nothing past U+10FFFF.
// With noncharacters false, U+FFFE and U+FFFF count as malformed too.
bool wellFormed(QByteArrayView bytes, bool noncharacters)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* const end = p + bytes.size();
    while (p < end) {
        // Eight ASCII bytes at a time: most of a book's text is digits.
        if (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            if (!(word & 0x8080808080808080ULL)) {
                p += 8;
                continue;
            }
        }
        const uchar b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        // Most of the rest is Han: three bytes whose lead allows every continuation (not E0's overlong forms, ED's
        // surrogates or EF's noncharacters).
        if (((b >= 0xE1 && b <= 0xEC) || b == 0xEE) && end - p >= 3) {
            if ((p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80)
                return false;
            p += 3;
            continue;
        }
        int more = 0;
        char32_t c = 0;
        char32_t least = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
            c = b & 0x1F;
            least = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            c = b & 0x0F;
            least = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            c = b & 0x07;
            least = 0x10000;
        } else {
            return false;
        }
        if (end - p <= more)
            return false;
        for (int k = 1; k <= more; ++k) {
            if ((p[k] & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (p[k] & 0x3F);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        if (!noncharacters && (c == 0xFFFE || c == 0xFFFF))
            return false;
        p += more + 1;
    }
    return true;
}

} // namespace

bool isPlainUtf8(QByteArrayView bytes)
{
    return wellFormed(bytes, false);
}

QByteArray asQtReadsUtf8(QByteArrayView bytes)
{
    return QString::fromUtf8(bytes).toUtf8();
}

bool readSqliteTexts(sqlite3* db, const QByteArray& select, const TextSink& sink, QString* error)
{
    // Text of a UTF-16 database comes out as UTF-16 even through the byte interface.
    bool utf8 = true;
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA encoding", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            utf8 = qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "UTF-8") == 0;
        sqlite3_finalize(st);
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, select.constData(), int(select.size()), &st, nullptr) != SQLITE_OK)
        return fail(error, QString::fromUtf8(sqlite3_errmsg(db)));
    const int columns = sqlite3_column_count(st);
    const auto width = size_t(std::max(columns, 0));
    std::vector<QByteArrayView> values(width);
    std::vector<QByteArray> converted(width);
    std::vector<std::array<char, 24>> numbers(width);
    QString why;
    int rc = SQLITE_OK;
    bool ok = true;
    while (ok && (rc = sqlite3_step(st)) == SQLITE_ROW) {
        for (int i = 0; i < columns; ++i) {
            QByteArrayView& v = values[size_t(i)];
            // Each type as Qt's driver turns it into a string: a whole number in decimal, a real number in its
            // shortest form, bytes and text as Qt reads UTF-8 and as SQLite's UTF-16 conversion reads text.
            switch (sqlite3_column_type(st, i)) {
            case SQLITE_NULL:
                v = QByteArrayView();
                break;
            case SQLITE_INTEGER: {
                char* begin = numbers[size_t(i)].data();
                const auto done = std::to_chars(begin, begin + 24, sqlite3_column_int64(st, i));
                v = QByteArrayView(begin, done.ptr - begin);
                break;
            }
            case SQLITE_FLOAT:
                converted[size_t(i)] = QVariant(sqlite3_column_double(st, i)).toString().toUtf8();
                v = converted[size_t(i)];
                break;
            case SQLITE_BLOB: {
                const auto* bytes = static_cast<const char*>(sqlite3_column_blob(st, i));
                converted[size_t(i)] = asQtReadsUtf8(QByteArrayView(bytes, sqlite3_column_bytes(st, i)));
                v = converted[size_t(i)];
                break;
            }
            default: {
                if (utf8) {
                    // The bytes as stored, without the copy sqlite3_column_text makes to end them with a NUL.
                    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(st, i));
                    v = QByteArrayView(bytes, sqlite3_column_bytes(st, i));
                    if (isPlainUtf8(v))
                        break;
                }
                const auto* chars = static_cast<const QChar*>(sqlite3_column_text16(st, i));
                converted[size_t(i)] = QString(chars, sqlite3_column_bytes16(st, i) / 2).toUtf8();
                v = converted[size_t(i)];
                break;
            }
            }
        }
        ok = sink(values.data(), columns, &why);
    }
    if (ok && rc != SQLITE_DONE) {
        ok = false;
        why = QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_finalize(st);
    return ok || fail(error, why);
}

namespace {

// One field of a copy line that holds a backslash, unescaped; false for \N inside other text or a line that ends in
// a lone backslash.
bool unescapeCopyField(QByteArrayView raw, QByteArray* field)
{
    field->clear();
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c != '\\') {
            field->append(c);
            continue;
        }
        if (++i >= raw.size())
            return false;
        const char e = raw[i];
        switch (e) {
        case 'N':
            return false;
        case 'b':
            field->append('\b');
            break;
        case 'f':
            field->append('\f');
            break;
        case 'n':
            field->append('\n');
            break;
        case 'r':
            field->append('\r');
            break;
        case 't':
            field->append('\t');
            break;
        case 'v':
            field->append('\v');
            break;
        case 'x': {
            int value = 0;
            int digits = 0;
            while (digits < 2 && i + 1 < raw.size() && isxdigit(uchar(raw[i + 1]))) {
                const char h = raw[++i];
                value = value * 16 + (h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
                ++digits;
            }
            field->append(digits == 0 ? 'x' : char(value));
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                int value = e - '0';
                for (int digits = 1; digits < 3 && i + 1 < raw.size() && raw[i + 1] >= '0' && raw[i + 1] <= '7';
                     ++digits)
                    value = value * 8 + (raw[++i] - '0');
                field->append(char(value));
            } else {
                field->append(e);
            }
        }
    }
    return true;
}

} // namespace

bool splitCopyLine(QByteArrayView line, std::vector<QByteArrayView>* fields, std::vector<QByteArray>* unescaped)
{
    if (line.endsWith('\n'))
        line.chop(1);
    fields->clear();
    // Unescaped fields keep their bytes where they are when the list grows: a QByteArray moves without copying.
    size_t used = 0;
    qsizetype start = 0;
    for (;;) {
        // A tab in a value is escaped, so every tab ends a field.
        const qsizetype tab = line.indexOf('\t', start);
        const QByteArrayView raw = line.sliced(start, (tab < 0 ? line.size() : tab) - start);
        if (!raw.contains('\\')) {
            fields->push_back(raw);
        } else if (raw == QByteArrayView("\\N")) {
            fields->push_back(QByteArrayView());
        } else {
            if (unescaped->size() <= used)
                unescaped->emplace_back();
            QByteArray& field = (*unescaped)[used++];
            if (!unescapeCopyField(raw, &field))
                return false;
            fields->push_back(field);
        }
        if (tab < 0)
            return true;
        start = tab + 1;
    }
}

bool readServerTexts(pg_conn* db, const QByteArray& select, const TextSink& sink, QString* error)
{
    const QByteArray copy = "COPY (" + select + ") TO STDOUT";
    PGresult* start = PQexec(db, copy.constData());
    const bool copying = PQresultStatus(start) == PGRES_COPY_OUT;
    QString why = copying ? QString() : QString::fromUtf8(PQresultErrorMessage(start)).trimmed();
    PQclear(start);
    bool ok = copying;
    std::vector<QByteArrayView> values;
    std::vector<QByteArray> unescaped;
    std::vector<QByteArray> converted;
    // Every line is taken, also after a failure, so that the connection is free again afterwards.
    while (copying) {
        char* line = nullptr;
        const int length = PQgetCopyData(db, &line, 0);
        if (length < 0) {
            if (length == -2 && ok) {
                ok = false;
                why = QString::fromUtf8(PQerrorMessage(db)).trimmed();
            }
            break;
        }
        if (ok) {
            if (!splitCopyLine(QByteArrayView(line, length), &values, &unescaped)) {
                ok = false;
                why = QStringLiteral("The server's COPY output could not be read.");
            } else {
                converted.resize(std::max(converted.size(), values.size()));
                for (size_t i = 0; i < values.size(); ++i) {
                    // Qt's driver reads the server's UTF-8 with Qt's decoder.
                    if (!isPlainUtf8(values[i]) || values[i].startsWith("\xEF\xBB\xBF")) {
                        converted[i] = asQtReadsUtf8(values[i]);
                        values[i] = converted[i];
                    }
                }
                ok = sink(values.data(), int(values.size()), &why);
            }
        }
        PQfreemem(line);
    }
    while (PGresult* end = PQgetResult(db)) {
        if (ok && PQresultStatus(end) != PGRES_COMMAND_OK) {
            ok = false;
            why = QString::fromUtf8(PQresultErrorMessage(end)).trimmed();
        }
        PQclear(end);
    }
    return ok || fail(error, why);
}

} // namespace store
