#include "search/Pinyin.h"

#include "search/PinyinTable.h"

#include <QChar>
#include <QVarLengthArray>
#include <algorithm>
#include <vector>

namespace search {

namespace {

constexpr qsizetype kMaxInput = 63; // input offsets 0..63 fit the 64 bits of the matcher's reachable set
constexpr qsizetype kMaxWord = 64;  // a longer Latin word cannot be typed out in full within kMaxInput anyway

// The lower-case ASCII letter a Latin letter is typed as (ü as v, é as e, Ｚ as z), or 0.
char typedLetter(char32_t c)
{
    for (int depth = 0; depth < 3; ++depth) {
        if (c >= 'a' && c <= 'z')
            return char(c);
        if (c >= 'A' && c <= 'Z')
            return char(c - 'A' + 'a');
        if (c == 0xFC || c == 0xDC) // ü Ü
            return 'v';
        if (c >= 0xFF21 && c <= 0xFF3A)
            return char(c - 0xFF21 + 'a');
        if (c >= 0xFF41 && c <= 0xFF5A)
            return char(c - 0xFF41 + 'a');
        if (c < 0xC0 || QChar::script(c) != QChar::Script_Latin)
            return 0;
        const QString base = QChar::decomposition(c);
        if (base.isEmpty())
            return 0;
        c = base.at(0).unicode();
    }
    return 0;
}

// A character's readings, first to last; those that begin words end at wordStartsEnd.
struct Readings {
    const quint16* first = nullptr;
    const quint16* last = nullptr;
    const quint16* wordStartsEnd = nullptr;
};

// Most names are made of characters from U+3400 to U+9FFF: those are found by one index into this array (the
// position in kCodes plus one, 0 for none) rather than by a binary search over all of them.
constexpr char32_t kDirectFirst = 0x3400;
constexpr char32_t kDirectEnd = 0xA000;

const std::vector<quint32>& directIndex()
{
    static const std::vector<quint32> index = [] {
        std::vector<quint32> v(kDirectEnd - kDirectFirst, 0);
        for (int k = 0; k < pinyintable::kCodeCount; ++k) {
            const char32_t c = pinyintable::kCodes[k];
            if (c >= kDirectFirst && c < kDirectEnd)
                v[c - kDirectFirst] = quint32(k + 1);
        }
        return v;
    }();
    return index;
}

// The readings ICU and the reading list know for a Han character, the most common first; empty for none.
Readings tableReadings(char32_t c)
{
    using namespace pinyintable;
    qsizetype k = -1;
    if (c >= kDirectFirst && c < kDirectEnd) {
        k = qsizetype(directIndex()[c - kDirectFirst]) - 1;
    } else if (c >= 0x2E80) {
        const char32_t* end = kCodes + kCodeCount;
        const char32_t* it = std::lower_bound(kCodes, end, c);
        if (it != end && *it == c)
            k = it - kCodes;
    }
    if (k < 0)
        return {};
    const quint16* first = kReadings + kFirst[k];
    const quint16* last = kReadings + kFirst[k + 1];
    return {first, last, std::min(last, first + kWordStarts[k])};
}

const pinyintable::Surname* surname(char32_t first, char32_t second)
{
    using namespace pinyintable;
    const Surname* end = kSurnames + kSurnameCount;
    const Surname* it = std::lower_bound(kSurnames, end, std::pair(first, second), [](const Surname& s, auto key) {
        return s.first != key.first ? s.first < key.first : s.second < key.second;
    });
    return it != end && it->first == first && it->second == second ? it : nullptr;
}

// One spelled position of a name: a Han character and its readings, or a Latin word in the word buffer.
struct Position {
    char32_t han = 0;
    Readings readings;
    qsizetype wordStart = 0;
    qsizetype wordLength = 0;
};

using KeyBuffer = QVarLengthArray<char, 64>;

void appendReading(KeyBuffer& out, const char* text, qsizetype length)
{
    out.append(char(length));
    out.append(text, length);
}

void appendHan(KeyBuffer& out, QVarLengthArray<quint16, 12>& ids, const quint16* first, const quint16* last)
{
    for (const quint16* p = first; p != last; ++p) {
        if (!ids.contains(*p))
            ids.append(*p);
    }
    out.append(char(std::min<qsizetype>(ids.size(), 255)));
    for (qsizetype k = 0; k < ids.size() && k < 255; ++k) {
        const char* text = pinyintable::kSyllables[ids[k]];
        appendReading(out, text, qsizetype(qstrnlen(text, 8)));
    }
}

bool same(char16_t typed, char reading)
{
    return typed == char16_t(reading) || (reading == 'v' && typed == u'u');
}

quint32 letterBit(char c)
{
    return c >= 'a' && c <= 'z' ? 1u << (c - 'a') : 0u;
}

} // namespace

PinyinKey pinyinKey(QStringView name)
{
    QVarLengthArray<Position, 8> positions;
    QVarLengthArray<char, 32> words;
    qsizetype wordStart = -1;
    bool han = false;
    const auto endWord = [&] {
        if (wordStart >= 0)
            positions.append(Position{0, {}, wordStart, words.size() - wordStart});
        wordStart = -1;
    };
    for (qsizetype i = 0; i < name.size(); ++i) {
        char32_t c = name[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(name[i], name[i + 1]);
            ++i;
        }
        const Readings readings = tableReadings(c);
        if (readings.first) {
            endWord();
            positions.append(Position{c, readings, 0, 0});
            han = true;
        } else if (const char letter = typedLetter(c)) {
            if (wordStart < 0)
                wordStart = words.size();
            if (words.size() - wordStart < kMaxWord)
                words.append(letter);
        } else if (QChar::isMark(c)) {
            continue; // a combining accent belongs to the letter before it
        } else if (QChar::isLetter(c)) {
            break; // another script, or a Han character nobody can spell
        } else {
            endWord();
        }
    }
    endWord();

    PinyinKey key;
    if (!han)
        return key;
    KeyBuffer out;
    const pinyintable::Surname* pair = nullptr;
    for (qsizetype k = 0; k < positions.size(); ++k) {
        const Position& p = positions[k];
        if (!p.han) {
            out.append(char(1));
            appendReading(out, words.constData() + p.wordStart, p.wordLength);
            continue;
        }
        QVarLengthArray<quint16, 12> ids;
        const quint16* last = p.readings.last;
        if (k == 0) {
            if (positions.size() > 1 && positions[1].han)
                pair = surname(p.han, positions[1].han);
            if (pair)
                ids.append(pair->reading[0]);
            if (const pinyintable::Surname* single = surname(p.han, 0))
                ids.append(single->reading[0]);
            // Besides as a surname, the first character reads as a word begins: 单位, 长城, 重庆, never 丁 zheng.
            last = p.readings.wordStartsEnd;
        } else if (k == 1 && pair) {
            ids.append(pair->reading[1]);
        }
        appendHan(out, ids, p.readings.first, last);
    }
    key.m_positions = QByteArray(out.constData(), out.size());

    // The letters the readings begin with, so that most names are refused on the first typed letter.
    for (const char* p = out.constData(); p < out.constData() + out.size();) {
        const int count = uchar(*p++);
        for (int r = 0; r < count; ++r) {
            const int length = uchar(*p++);
            key.m_firstLetters |= letterBit(p[0]);
            if (p[0] == 'v')
                key.m_firstLetters |= letterBit('u');
            p += length;
        }
    }
    return key;
}

QString normalisePinyinInput(QStringView input)
{
    QString out;
    out.reserve(input.size());
    for (const QChar c : input) {
        if (c.isSpace())
            continue;
        const char16_t u = c.unicode();
        const char letter = u < 0x80 || u == 0xFC || u == 0xDC || (u >= 0xFF21 && u <= 0xFF5A) ? typedLetter(u) : 0;
        if (!letter)
            return {};
        out.append(QLatin1Char(letter));
    }
    if (out.size() > kMaxInput)
        return {};
    return out;
}

bool pinyinMatches(PinyinKeyView key, QStringView input)
{
    const qsizetype n = input.size();
    if (n == 0 || n > kMaxInput || key.isEmpty())
        return false;
    const char16_t* s = input.utf16();
    if (s[0] < u'a' || s[0] > u'z' || !(key.firstLetters() & (1u << (s[0] - u'a'))))
        return false;

    // Bit j of reach: the input up to offset j has been spelled by the positions so far. Bit 0 is set at every
    // position: the input may begin at any of them, as Chinese text is found anywhere in a name.
    quint64 reach = 1;
    const char* p = key.positions().data();
    const char* const end = p + key.positions().size();
    while (p < end) {
        quint64 next = 1;
        const int count = uchar(*p++);
        for (int r = 0; r < count; ++r) {
            const qsizetype length = uchar(*p++);
            const char* reading = p;
            p += length;
            for (quint64 rest = reach; rest; rest &= rest - 1) {
                const qsizetype j = qCountTrailingZeroBits(rest);
                const qsizetype left = n - j;
                qsizetype m = 0;
                while (m < left && m < length && same(s[j + m], reading[m]))
                    ++m;
                if (m == left)
                    return true; // what is left of the input begins this reading
                if (m == 0)
                    continue;
                next |= quint64(1) << (j + 1); // the initial
                if (m == length)
                    next |= quint64(1) << (j + length); // the whole syllable
                if (m >= 2 && reading[1] == 'h' && (reading[0] == 'z' || reading[0] == 'c' || reading[0] == 's'))
                    next |= quint64(1) << (j + 2); // zh, ch, sh
            }
        }
        reach = next;
    }
    return false;
}

QString pinyinSpelling(PinyinKeyView key)
{
    QString out;
    const char* p = key.positions().data();
    const char* const end = p + key.positions().size();
    while (p < end) {
        const int count = uchar(*p++);
        for (int r = 0; r < count; ++r) {
            const int length = uchar(*p++);
            if (r == 0) {
                if (!out.isEmpty())
                    out.append(QLatin1Char(' '));
                out.append(QLatin1String(p, length));
            }
            p += length;
        }
    }
    return out;
}

} // namespace search
