#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Finding a name by its pinyin: "zs", "zhangsan", "zhangs" and "zsan" all find 张三 and 张三丰, and "sanfeng" finds
// 张三丰 as "三丰" does.
//
// A name is read character by character from its first: each Han character as every syllable it may be read as,
// each run of Latin letters as that word. The first character reads as a surname (曾 zeng, 单 shan, 尉迟 yu chi)
// and as it reads at the beginning of a word, since the book also holds firms and places such as 单位, 长城宽带 or
// 重庆; not by readings that begin no word (丁 zheng, 石 dan). Blanks, digits and punctuation are passed over; a
// letter of any other script, or a Han character without a known reading, ends what can be spelled. A name without
// any Han character has no pinyin.
//
// An input spells a name when it splits into pieces that match consecutive characters of the name, from any of them
// (one or more): each piece is a reading in full, its first letter, or its zh/ch/sh; the last piece may also be any
// beginning of a reading ("zhan" for 张). ü is typed as v or u.
namespace search {

class PinyinKey {
public:
    // True for a name with nothing to spell, such as a name in Latin letters only.
    bool isEmpty() const { return m_positions.isEmpty(); }
    // For each character in turn: the number of its readings, then each reading as its length and its letters.
    QByteArrayView positions() const { return m_positions; }
    // Bit k is set when some character may be typed starting with the letter 'a' + k.
    quint32 firstLetters() const { return m_firstLetters; }

private:
    friend PinyinKey pinyinKey(QStringView name);

    QByteArray m_positions;
    quint32 m_firstLetters = 0;
};

// A key as a cache keeps it, in a block of many: matched without a copy.
class PinyinKeyView {
public:
    PinyinKeyView() = default;
    PinyinKeyView(const PinyinKey& key) : m_positions(key.positions()), m_firstLetters(key.firstLetters()) {}
    PinyinKeyView(QByteArrayView positions, quint32 firstLetters) : m_positions(positions), m_firstLetters(firstLetters)
    {
    }
    bool isEmpty() const { return m_positions.isEmpty(); }
    QByteArrayView positions() const { return m_positions; }
    quint32 firstLetters() const { return m_firstLetters; }

private:
    QByteArrayView m_positions;
    quint32 m_firstLetters = 0;
};

// Reads a name once, for any number of matches.
PinyinKey pinyinKey(QStringView name);

// The input as matched: lower-case ASCII letters, blanks dropped, ü and full-width letters folded. Empty when the
// input holds anything but letters and blanks, holds no letter, or is longer than any spelling of a name (63 letters).
QString normalisePinyinInput(QStringView input);

// Whether the normalised input spells consecutive characters of the name. Allocates nothing; a few hundred
// nanoseconds at most, far less for the usual name that holds no reading beginning with the input's first letter.
bool pinyinMatches(PinyinKeyView key, QStringView normalisedInput);

// The most likely reading of each character, blank-separated ("zeng guo fan"); empty for an empty key.
QString pinyinSpelling(PinyinKeyView key);

} // namespace search
