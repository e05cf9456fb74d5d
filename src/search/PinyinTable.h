#pragma once

#include <QtGlobal>

// The readings of Han characters, generated at build time by data/mkpinyin.cpp from ICU and data/pinyin-*.txt.
namespace search::pinyintable {

// Toneless syllables in lower case, NUL-padded; v spells ü.
extern const char kSyllables[][8];
extern const int kSyllableCount;

// The Han characters that have a reading, in code point order. The readings of kCodes[i] are the syllables
// kReadings[kFirst[i]] up to kReadings[kFirst[i + 1]], the most common first.
extern const char32_t kCodes[];
extern const int kCodeCount;
extern const quint32 kFirst[];
extern const quint16 kReadings[];
// How many of kCodes[i]'s readings, from the first, begin words: the readings a name's first character may have
// besides its surname reading (单 dan as in 单位, not 丁 zheng or 石 dan, which begin no word).
extern const quint8 kWordStarts[];

// How a name's first character reads as a surname (second == 0), or its first two as a compound surname.
struct Surname {
    char32_t first;
    char32_t second;
    quint16 reading[2];
};
// Ordered by first, then second.
extern const Surname kSurnames[];
extern const int kSurnameCount;

} // namespace search::pinyintable
