#pragma once

#include "search/Pinyin.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <vector>

namespace search {

// The pinyin keys of the names searched so far, each name read once and kept for every search after it.
//
// A search walks the table in the same order every time, so the cache keeps its keys in the order they were first
// asked for and expects each request to be for the name after the last one: a warm search then compares each name
// with the cached one in step and never hashes. A name out of step (rows added, deleted or renamed) is looked up in
// a hash table, and the walk goes on in step from there. Names and keys lie back to back in two blocks, some 60
// bytes a name in all.
class PinyinCache {
public:
    // The key of a name (as UTF-8, or as a string), read on its first request. The view holds until the next call.
    PinyinKeyView keyFor(QByteArrayView utf8Name);
    PinyinKeyView keyFor(const QString& name) { return keyFor(QByteArrayView(name.toUtf8())); }
    // Whether the normalised input spells name.
    bool matches(QByteArrayView utf8Name, QStringView normalisedInput)
    {
        return pinyinMatches(keyFor(utf8Name), normalisedInput);
    }
    bool matches(const QString& name, QStringView normalisedInput)
    {
        return pinyinMatches(keyFor(name), normalisedInput);
    }
    // Names read so far: every distinct name ever asked for, until clear().
    qsizetype size() const { return qsizetype(m_entries.size()); }
    // Drops every key, such as those of names that were renamed or deleted since.
    void clear();

private:
    // Where an entry's name and key end in their blocks (they begin where the entry before ends).
    struct Entry {
        quint32 nameEnd;
        quint32 keyEnd;
        quint32 firstLetters;
        quint32 hash;
    };

    QByteArrayView name(size_t k) const;
    PinyinKeyView key(size_t k) const;
    qsizetype find(QByteArrayView name, quint32 hash) const;
    void insert(quint32 entry);

    std::vector<char> m_names;
    std::vector<char> m_keys;
    std::vector<Entry> m_entries;
    // Open addressing over a power-of-two size, at most half full: each slot holds an entry's position plus one, 0
    // when empty.
    std::vector<quint32> m_slots;
    // The entry the next request is expected for.
    qsizetype m_next = 0;
};

} // namespace search
