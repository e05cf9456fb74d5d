// Build-time tool for the pinyin readings of Han characters.
//   mkpinyin table READINGS.txt SURNAMES.txt WORDSTARTS.txt OUT.cpp
//       ICU's Han-Latin reading of every Han character it knows, the further readings of READINGS.txt, which of them
//       begin words (READINGS.txt's third column and WORDSTARTS.txt) and the surname readings (ICU's
//       Han-Latin/Names, corrected and completed by SURNAMES.txt) as C++ arrays (search/PinyinTable.h). Run by the
//       build.
//   bzcat Unihan_Readings.txt.bz2 | mkpinyin unihan > READINGS.txt
//       The modern readings of every character that has more than one, from the Unicode Han Database (Debian
//       package unicode-data). Run by hand; the result is kept in the repository.
// ICU runs here and not in the program: creating its Han transliterator alone takes about 0.2 s and each character
// about 15 µs, which the first search of a large book would pay.
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QList>
#include <QMap>
#include <QSaveFile>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/uclean.h>
#include <unicode/uscript.h>
#include <unicode/uversion.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "mkpinyin: %s\n", qPrintable(message));
    return 1;
}

// A toneless ASCII syllable: tone marks dropped, ü written v, ê written e. Empty when anything else remains.
QByteArray toneless(const QString& syllable)
{
    QByteArray out;
    for (const QChar c : syllable.normalized(QString::NormalizationForm_D)) {
        const char16_t u = c.unicode();
        if (u == 0x0308 && out.endsWith('u'))
            out[out.size() - 1] = 'v';
        else if (u >= 0x0300 && u <= 0x036f)
            continue;
        else if (u >= 'a' && u <= 'z')
            out.append(char(u));
        else if (u >= 'A' && u <= 'Z')
            out.append(char(u - 'A' + 'a'));
        else if (u != ' ')
            return {};
    }
    return out;
}

QString fromCodePoint(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

// --- unihan -------------------------------------------------------------------------------------------------------

int unihan()
{
    // kMandarin gives the most common reading; the two modern dictionaries and the frequency list give the others.
    // kHanyuPinyin is left out: it lists classical readings that nobody types for a name today.
    const QStringList fields = {QStringLiteral("kMandarin"), QStringLiteral("kTGHZ2013"), QStringLiteral("kXHC1983"),
                                QStringLiteral("kHanyuPinlu")};
    QMap<char32_t, QList<QByteArray>> readings;
    // The readings in everyday use: the most common one and those the frequency list of modern texts attests.
    QMap<char32_t, QList<QByteArray>> inUse;
    QStringList source;
    QTextStream in(stdin);
    in.setEncoding(QStringConverter::Utf8);
    QString line;
    while (in.readLineInto(&line)) {
        if (line.startsWith(QLatin1Char('#'))) {
            if (line.contains(QLatin1String("Unicode version")) || line.contains(QStringLiteral("©")))
                source.append(line.mid(1).trimmed());
            continue;
        }
        const QStringList parts = line.split(QLatin1Char('\t'));
        if (parts.size() != 3 || !parts[0].startsWith(QLatin1String("U+")) || !fields.contains(parts[1]))
            continue;
        bool ok = false;
        const char32_t code = parts[0].mid(2).toUInt(&ok, 16);
        if (!ok)
            continue;
        QList<QByteArray>& list = readings[code];
        // Dictionary entries look like "0683.040:lè 1430.060:yuè", frequency entries like "lè(283)".
        for (const QString& entry : parts[2].split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            QString text = entry.section(QLatin1Char(':'), -1);
            text = text.section(QLatin1Char('('), 0, 0);
            for (const QString& reading : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                const QByteArray t = toneless(reading);
                if (!t.isEmpty() && (parts[1] == fields.first() || parts[1] == fields.last()) &&
                    !inUse[code].contains(t))
                    inUse[code].append(t);
                if (t.isEmpty() || list.contains(t))
                    continue;
                if (parts[1] == fields.first())
                    list.prepend(t);
                else
                    list.append(t);
            }
        }
    }
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    out << "# Modern readings of the Han characters that have more than one, the most common first, without tones\n"
           "# (ü written v). Derived and modified from the Unicode Han Database (Unihan) fields kMandarin, kTGHZ2013,\n"
           "# kXHC1983 and kHanyuPinlu; see data/README.md for the Unicode licence. A third column, where present,\n"
           "# lists the readings in everyday use (kMandarin and kHanyuPinlu), by which a name's first character "
           "reads.\n";
    for (const QString& s : source)
        out << "# Source: " << s << '\n';
    out << "# Regenerate: bzcat /usr/share/unicode/Unihan_Readings.txt.bz2 | mkpinyin unihan > pinyin-readings.txt\n";
    int written = 0;
    for (auto it = readings.cbegin(); it != readings.cend(); ++it) {
        if (it.value().size() < 2)
            continue;
        const QByteArrayList list = it.value();
        QByteArrayList starts;
        for (const QByteArray& r : list) {
            if (inUse.value(it.key()).contains(r))
                starts.append(r);
        }
        out << fromCodePoint(it.key()) << '\t' << list.join(' ');
        if (!starts.isEmpty() && starts.size() < list.size())
            out << '\t' << starts.join(' ');
        out << '\n';
        ++written;
    }
    out.flush();
    return written > 0 ? 0 : fail(QStringLiteral("no readings on the standard input"));
}

// --- table --------------------------------------------------------------------------------------------------------

struct Surname {
    char32_t first = 0;
    char32_t second = 0; // 0 for a single-character surname
    QByteArray reading[2];
};

class Table {
public:
    bool build(const QString& readingsFile, const QString& surnamesFile, const QString& wordStartsFile, QString* error);
    bool write(const QString& outFile, QString* error) const;

private:
    quint16 syllable(const QByteArray& text);
    void addReading(char32_t code, const QByteArray& reading);
    // Lines of a character, a tab and its readings; READINGS.txt may add a tab and the readings that begin words.
    bool readReadings(const QString& file, bool wordStartsOnly, QString* error);
    bool readSurnames(const QString& file, icu::Transliterator& names, QString* error);
    // Transliterates each string on its own: the line breaks between them keep ICU's phrase rules from joining them.
    static QList<QString> transliterate(icu::Transliterator& t, const QStringList& items);

    QList<QByteArray> m_syllables;
    QHash<QByteArray, quint16> m_syllableIds;
    QMap<char32_t, QList<quint16>> m_readings;
    // The readings that may begin a word, for the characters that have others too; every reading for the rest.
    QHash<char32_t, QList<quint16>> m_wordStarts;
    QList<Surname> m_surnames;
};

quint16 Table::syllable(const QByteArray& text)
{
    const auto it = m_syllableIds.constFind(text);
    if (it != m_syllableIds.cend())
        return it.value();
    const auto id = quint16(m_syllables.size());
    m_syllables.append(text);
    m_syllableIds.insert(text, id);
    return id;
}

void Table::addReading(char32_t code, const QByteArray& reading)
{
    if (reading.isEmpty() || reading.size() > 7)
        return;
    QList<quint16>& list = m_readings[code];
    const quint16 id = syllable(reading);
    if (!list.contains(id))
        list.append(id);
}

QList<QString> Table::transliterate(icu::Transliterator& t, const QStringList& items)
{
    const QString joined = items.join(QLatin1Char('\n'));
    icu::UnicodeString text(reinterpret_cast<const UChar*>(joined.utf16()), int32_t(joined.size()));
    t.transliterate(text);
    const QString result = QString::fromUtf16(reinterpret_cast<const char16_t*>(text.getBuffer()), text.length());
    QList<QString> out = result.split(QLatin1Char('\n'));
    for (QString& s : out)
        s = s.trimmed();
    return out;
}

bool Table::readReadings(const QString& file, bool wordStartsOnly, QString* error)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot read %1").arg(file);
        return false;
    }
    int lineNumber = 0;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        ++lineNumber;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList parts = line.split(QLatin1Char('\t'));
        const QList<uint> code = parts.first().toUcs4();
        if (parts.size() < 2 || parts.size() > (wordStartsOnly ? 2 : 3) || code.size() != 1) {
            *error = QStringLiteral("%1:%2: expected a character, a tab and its readings").arg(file).arg(lineNumber);
            return false;
        }
        const char32_t c = code.first();
        const QStringList readings = parts[1].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QStringList starts = parts.size() > 2 ? parts[2].split(QLatin1Char(' '), Qt::SkipEmptyParts) : readings;
        for (const QString& r : readings + starts) {
            const QByteArray t = toneless(r);
            if (t.isEmpty() || t.size() > 7)
                continue;
            addReading(c, t);
            if (starts.contains(r) && !m_wordStarts[c].contains(syllable(t)))
                m_wordStarts[c].append(syllable(t));
        }
    }
    return true;
}

bool Table::readSurnames(const QString& file, icu::Transliterator& names, QString* error)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot read %1").arg(file);
        return false;
    }
    QStringList fromIcu;
    int lineNumber = 0;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        ++lineNumber;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList parts = line.split(QLatin1Char('\t'), Qt::SkipEmptyParts);
        const QList<uint> code = parts.first().toUcs4();
        const QStringList syllables =
            parts.size() > 1 ? parts[1].split(QLatin1Char(' '), Qt::SkipEmptyParts) : QStringList();
        const bool given = !syllables.isEmpty();
        if (parts.size() > 2 || code.isEmpty() || code.size() > 2 || (given && syllables.size() != code.size()) ||
            (!given && code.size() != 2)) {
            *error = QStringLiteral("%1:%2: expected a surname, then a tab and one syllable per character (which a "
                                    "compound surname may leave to ICU)")
                         .arg(file)
                         .arg(lineNumber);
            return false;
        }
        Surname s;
        s.first = code[0];
        s.second = code.size() > 1 ? code[1] : 0;
        for (qsizetype k = 0; k < syllables.size(); ++k)
            s.reading[k] = toneless(syllables[k]);
        if (!given)
            fromIcu.append(parts.first());
        m_surnames.append(s);
    }
    const QList<QString> read = transliterate(names, fromIcu);
    qsizetype next = 0;
    for (Surname& s : m_surnames) {
        if (!s.reading[0].isEmpty())
            continue;
        const QStringList syllables = read[next++].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (syllables.size() != 2) {
            *error = QStringLiteral("ICU gives no two syllables for %1").arg(QString::fromUcs4(&s.first, 1));
            return false;
        }
        s.reading[0] = toneless(syllables[0]);
        s.reading[1] = toneless(syllables[1]);
    }
    for (const Surname& s : m_surnames) {
        if (s.reading[0].isEmpty() || (s.second && s.reading[1].isEmpty())) {
            *error = QStringLiteral("a surname in %1 reads as no pinyin").arg(file);
            return false;
        }
    }
    return true;
}

bool Table::build(const QString& readingsFile, const QString& surnamesFile, const QString& wordStartsFile,
                  QString* error)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> han(icu::Transliterator::createInstance("Han-Latin", UTRANS_FORWARD, status));
    std::unique_ptr<icu::Transliterator> names(
        icu::Transliterator::createInstance("Han-Latin/Names", UTRANS_FORWARD, status));
    if (U_FAILURE(status) || !han || !names) {
        *error =
            QStringLiteral("ICU has no Han-Latin transliterator: %1").arg(QString::fromLatin1(u_errorName(status)));
        return false;
    }

    QList<char32_t> codes;
    QStringList items;
    for (char32_t c = 0x2E80; c <= 0x3FFFF; ++c) {
        UErrorCode e = U_ZERO_ERROR;
        if (uscript_getScript(UChar32(c), &e) == USCRIPT_HAN && u_hasBinaryProperty(UChar32(c), UCHAR_IDEOGRAPHIC)) {
            codes.append(c);
            items.append(fromCodePoint(c));
        }
    }
    const QList<QString> plain = transliterate(*han, items);
    const QList<QString> asSurname = transliterate(*names, items);
    if (plain.size() != codes.size() || asSurname.size() != codes.size()) {
        *error = QStringLiteral("ICU's output does not line up with its input");
        return false;
    }
    QHash<char32_t, QByteArray> icuSurname;
    for (qsizetype k = 0; k < codes.size(); ++k) {
        const QByteArray reading = toneless(plain[k]);
        addReading(codes[k], reading);
        // ICU's one reading is the most common: it always begins words.
        if (!reading.isEmpty() && reading.size() <= 7)
            m_wordStarts[codes[k]].append(syllable(reading));
        const QByteArray surname = toneless(asSurname[k]);
        if (!surname.isEmpty() && surname != reading)
            icuSurname.insert(codes[k], surname);
    }
    if (m_readings.size() < 20000) {
        *error = QStringLiteral("ICU reads only %1 Han characters").arg(m_readings.size());
        return false;
    }
    if (!readReadings(readingsFile, false, error) || !readReadings(wordStartsFile, true, error) ||
        !readSurnames(surnamesFile, *names, error))
        return false;
    // The readings that begin words come first, so that a name's first character can be read by those alone.
    for (auto it = m_readings.begin(); it != m_readings.end(); ++it) {
        const QList<quint16> starts = m_wordStarts.value(it.key());
        std::stable_partition(it.value().begin(), it.value().end(),
                              [&starts](quint16 id) { return starts.contains(id); });
    }

    // ICU's single-character surname readings, unless the surname file corrects them.
    for (auto it = icuSurname.cbegin(); it != icuSurname.cend(); ++it) {
        const bool corrected = std::any_of(m_surnames.cbegin(), m_surnames.cend(),
                                           [&](const Surname& s) { return s.first == it.key() && s.second == 0; });
        if (!corrected) {
            Surname s;
            s.first = it.key();
            s.reading[0] = it.value();
            m_surnames.append(s);
        }
    }
    std::sort(m_surnames.begin(), m_surnames.end(), [](const Surname& a, const Surname& b) {
        return a.first != b.first ? a.first < b.first : a.second < b.second;
    });
    for (const Surname& s : m_surnames) {
        syllable(s.reading[0]);
        if (s.second)
            syllable(s.reading[1]);
    }
    return true;
}

bool Table::write(const QString& outFile, QString* error) const
{
    QString text;
    QTextStream out(&text);
    out << "// Generated by data/mkpinyin.cpp from ICU " << U_ICU_VERSION << ", data/pinyin-readings.txt and "
        << "data/pinyin-surnames.txt. Do not edit.\n"
        << "#include \"search/PinyinTable.h\"\n\nnamespace search::pinyintable {\n\n";
    out << "const char kSyllables[][8] = {";
    for (qsizetype k = 0; k < m_syllables.size(); ++k)
        out << (k % 12 ? " " : "\n    ") << '"' << m_syllables[k] << "\",";
    out << "\n};\nconst int kSyllableCount = " << m_syllables.size() << ";\n\n";

    out << "const char32_t kCodes[] = {";
    qsizetype k = 0;
    for (auto it = m_readings.cbegin(); it != m_readings.cend(); ++it, ++k)
        out << (k % 10 ? " " : "\n    ") << "0x" << Qt::hex << quint32(it.key()) << Qt::dec << ',';
    out << "\n};\nconst int kCodeCount = " << m_readings.size() << ";\n\n";

    out << "const quint32 kFirst[] = {";
    quint32 first = 0;
    k = 0;
    for (auto it = m_readings.cbegin(); it != m_readings.cend(); ++it, ++k) {
        out << (k % 12 ? " " : "\n    ") << first << ',';
        first += quint32(it.value().size());
    }
    out << "\n    " << first << ",\n};\n\n";

    out << "const quint8 kWordStarts[] = {";
    k = 0;
    for (auto it = m_readings.cbegin(); it != m_readings.cend(); ++it, ++k) {
        const QList<quint16> starts = m_wordStarts.value(it.key());
        const auto count = std::count_if(it.value().cbegin(), it.value().cend(),
                                         [&starts](quint16 id) { return starts.contains(id); });
        out << (k % 24 ? " " : "\n    ") << std::max<qsizetype>(1, std::min<qsizetype>(count, 255)) << ',';
    }
    out << "\n};\n\n";

    out << "const quint16 kReadings[] = {";
    k = 0;
    for (const QList<quint16>& list : m_readings) {
        for (const quint16 id : list)
            out << (k++ % 16 ? " " : "\n    ") << id << ',';
    }
    out << "\n};\n\n";

    out << "const Surname kSurnames[] = {\n";
    for (const Surname& s : m_surnames) {
        const quint16 r0 = m_syllableIds.value(s.reading[0]);
        const quint16 r1 = s.second ? m_syllableIds.value(s.reading[1]) : 0;
        out << "    {0x" << Qt::hex << quint32(s.first) << ", 0x" << quint32(s.second) << Qt::dec << ", {" << r0 << ", "
            << r1 << "}}, // " << QString::fromUcs4(&s.first, 1);
        if (s.second)
            out << QString::fromUcs4(&s.second, 1);
        out << ' ' << s.reading[0];
        if (s.second)
            out << ' ' << s.reading[1];
        out << '\n';
    }
    out << "};\nconst int kSurnameCount = " << m_surnames.size() << ";\n\n} // namespace search::pinyintable\n";
    out.flush();

    QSaveFile f(outFile);
    if (!f.open(QIODevice::WriteOnly) || f.write(text.toUtf8()) < 0 || !f.commit()) {
        *error = QStringLiteral("cannot write %1").arg(outFile);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    int result = 0;
    if (args.size() == 2 && args[1] == QLatin1String("unihan")) {
        result = unihan();
    } else if (args.size() == 6 && args[1] == QLatin1String("table")) {
        QString error;
        {
            Table table;
            if (!table.build(args[2], args[3], args[4], &error) || !table.write(args[5], &error))
                result = fail(error);
        }
    } else {
        result = fail(
            QStringLiteral("usage: mkpinyin table READINGS.txt SURNAMES.txt WORDSTARTS.txt OUT.cpp | mkpinyin unihan"));
    }
    // ICU keeps its loaded rules until told otherwise; freeing them keeps leak checkers quiet in sanitizer builds.
    u_cleanup();
    return result;
}
