#include "store/Ini.h"

#include "platform/ProgramDir.h"
#include "store/AtomicFile.h"
#include "store/Codepage.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSet>

namespace store {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Only ASCII white space, like QByteArray::trimmed on the raw line: names and values keep full-width spaces.
QString trimmed(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

struct Entry
{
    enum Kind { Other, Section, Key };
    Kind kind = Other;
    QString name;
    QByteArray rawName; // key lines: the name's bytes, so a rewrite keeps the name as the file spells it
    QByteArray rawValue;
};

Entry parse(const QByteArray& line)
{
    const QByteArray text = line.trimmed();
    Entry entry;
    if (text.isEmpty() || text.startsWith(';'))
        return entry;
    if (text.startsWith('[')) {
        // ']' can be the trail byte of a Chinese character, so look for it in the decoded text.
        const QString decoded = Codepage::decode(text);
        const qsizetype close = decoded.lastIndexOf(u']');
        if (close > 0) {
            entry.kind = Entry::Section;
            entry.name = trimmed(decoded.mid(1, close - 1));
        }
        return entry;
    }
    // '=' and white space are never part of a multi-byte character, so the raw bytes can be split and trimmed.
    const qsizetype equals = text.indexOf('=');
    if (equals <= 0)
        return entry;
    entry.rawName = text.left(equals).trimmed();
    entry.rawValue = text.mid(equals + 1).trimmed();
    entry.name = Codepage::decode(entry.rawName);
    entry.kind = Entry::Key;
    return entry;
}

QString unquoted(const QString& value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

// Quotes what reading would otherwise strip: outer white space, or a pair of quotes that belongs to the value.
QByteArray stored(const QString& value)
{
    if (!value.isEmpty() && (isBlank(value.front()) || isBlank(value.back()) || unquoted(value).size() != value.size()))
        return Codepage::encode(u'"' + value + u'"');
    return Codepage::encode(value);
}

// The file as raw lines without their terminators (CRLF, LF or CR). False when it exists but cannot be read, is no
// regular file (a named pipe would block the program), is too large to be a settings file, or is reached through a
// link out of the program's directory (another place's file is neither read nor replaced).
bool load(const QString& path, QList<QByteArray>* lines)
{
    lines->clear();
    if (platform::ProgramDir::leadsOut(path))
        return false;
    const QFileInfo info(path);
    if (!info.exists())
        return true;
    if (!info.isFile() || info.size() > Ini::MaxFileSize)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Bounded even if the file grew since it was measured.
    const QByteArray data = file.read(Ini::MaxFileSize + 1);
    if (file.error() != QFile::NoError || data.size() > Ini::MaxFileSize)
        return false;

    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype end = start;
        while (end < data.size() && data[end] != '\r' && data[end] != '\n')
            ++end;
        lines->append(data.mid(start, end - start));
        if (end + 1 < data.size() && data[end] == '\r' && data[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return true;
}

bool save(const QString& path, const QList<QByteArray>& lines, QString* error)
{
    QByteArray data;
    for (const QByteArray& line : lines)
        data += line + "\r\n";
    return AtomicFile::write(path, data, error);
}

// Where a section sits: its header line, the line after its body, and its last key line.
struct Span
{
    qsizetype header = -1;
    qsizetype end = -1;
    qsizetype lastKey = -1;
};

Span findSection(const QList<QByteArray>& lines, const QString& section)
{
    Span span;
    const QString wanted = trimmed(section);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Entry entry = parse(lines[i]);
        if (entry.kind == Entry::Section) {
            if (span.header >= 0) {
                span.end = i;
                return span;
            }
            if (sameName(entry.name, wanted))
                span.header = span.lastKey = i;
        } else if (entry.kind == Entry::Key && span.header >= 0) {
            span.lastKey = i;
        }
    }
    span.end = lines.size();
    return span;
}

qsizetype findKey(const QList<QByteArray>& lines, const Span& span, const QString& key)
{
    const QString wanted = trimmed(key);
    for (qsizetype i = span.header + 1; span.header >= 0 && i < span.end; ++i) {
        const Entry entry = parse(lines[i]);
        if (entry.kind == Entry::Key && sameName(entry.name, wanted))
            return i;
    }
    return -1;
}

bool fail(const QString& file, QString* error)
{
    if (error)
        *error = QStringLiteral("Unable to write to %1").arg(file);
    return false;
}

bool fitsOnOneLine(const QString& text)
{
    return !text.contains(u'\r') && !text.contains(u'\n');
}

} // namespace

QString Ini::read(const QString& file, const QString& section, const QString& key)
{
    QList<QByteArray> lines;
    load(file, &lines);
    const qsizetype at = findKey(lines, findSection(lines, section), key);
    return at < 0 ? QString() : unquoted(Codepage::decode(parse(lines[at]).rawValue));
}

QStringList Ini::keys(const QString& file, const QString& section)
{
    QList<QByteArray> lines;
    load(file, &lines);
    const Span span = findSection(lines, section);
    QStringList names;
    // Seen names by their case folding: a list search per key made 40,000 users take seconds.
    QSet<QString> seen;
    for (qsizetype i = span.header + 1; span.header >= 0 && i < span.end; ++i) {
        const Entry entry = parse(lines[i]);
        if (entry.kind == Entry::Key && !seen.contains(entry.name.toCaseFolded())) {
            seen.insert(entry.name.toCaseFolded());
            names.append(entry.name);
        }
    }
    return names;
}

bool Ini::isSound(const QString& file)
{
    QList<QByteArray> lines;
    return load(file, &lines);
}

bool Ini::write(const QString& file, const QString& section, const QString& key, const QString& value,
                QString* error)
{
    return write(file, section, {{key, value}}, error);
}

bool Ini::write(const QString& file, const QString& section, const QList<QPair<QString, QString>>& values,
                QString* error)
{
    const QString sectionName = trimmed(section);
    if (sectionName.isEmpty() || !fitsOnOneLine(sectionName) || values.isEmpty())
        return fail(file, error);
    for (const auto& [key, value] : values) {
        const QString keyName = trimmed(key);
        // Anything else would come back as a different line kind, or as several lines, on the next read.
        if (keyName.isEmpty() || keyName.contains(u'=') || keyName.startsWith(u';') || keyName.startsWith(u'[') ||
            !fitsOnOneLine(keyName) || !fitsOnOneLine(value))
            return fail(file, error);
    }

    QList<QByteArray> lines;
    if (!load(file, &lines))
        return fail(file, error);

    for (const auto& [key, value] : values) {
        const QString keyName = trimmed(key);
        const Span span = findSection(lines, sectionName);
        if (span.header < 0) {
            if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
                lines.append(QByteArray());
            lines.append('[' + Codepage::encode(sectionName) + ']');
            lines.append(Codepage::encode(keyName) + '=' + stored(value));
        } else if (const qsizetype at = findKey(lines, span, keyName); at >= 0) {
            lines[at] = parse(lines[at]).rawName + '=' + stored(value);
        } else {
            lines.insert(span.lastKey + 1, Codepage::encode(keyName) + '=' + stored(value));
        }
    }
    // One replacement of the whole file: a crash leaves either none or all of the keys written.
    return save(file, lines, error);
}

bool Ini::removeKey(const QString& file, const QString& section, const QString& key, QString* error)
{
    QList<QByteArray> lines;
    if (!load(file, &lines))
        return fail(file, error);
    const qsizetype at = findKey(lines, findSection(lines, section), key);
    if (at < 0)
        return true;
    lines.removeAt(at);
    return save(file, lines, error);
}

} // namespace store
