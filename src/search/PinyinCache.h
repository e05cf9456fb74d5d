#pragma once

#include "search/Pinyin.h"

#include <QString>
#include <QStringView>
#include <vector>

namespace search {

// The pinyin keys of the names searched so far, each name read once and kept for every search after it.
//
// A search walks the table in the same order every time, so the cache keeps its keys in the order they were first
// asked for and expects each request to be for the name after the last one: a warm search then compares each name
// with the cached one in step and never hashes. A name out of step (rows added, deleted or renamed) is looked up in
// a hash table, and the walk goes on in step from there.
class PinyinCache {
public:
    // The key of name, read on its first request. The reference holds until the next call.
    const PinyinKey& keyFor(const QString& name);
    // Whether the normalised input spells name.
    bool matches(const QString& name, QStringView normalisedInput)
    {
        return pinyinMatches(keyFor(name), normalisedInput);
    }
    // Names read so far: every distinct name ever asked for, until clear().
    qsizetype size() const { return qsizetype(m_entries.size()); }
    // Drops every key, such as those of names that were renamed or deleted since.
    void clear();

private:
    struct Entry {
        QString name;
        PinyinKey key;
    };
    // A slot of the hash table over m_entries: a name's hash and its entry's position plus one, 0 when empty.
    struct Slot {
        quint32 hash = 0;
        quint32 entry = 0;
    };

    qsizetype find(const QString& name, quint32 hash) const;
    void insert(quint32 hash, quint32 entry);

    std::vector<Entry> m_entries;
    // Open addressing over a power-of-two size, at most half full: a few bytes a name, where a QHash of strings
    // would cost more than reading the names.
    std::vector<Slot> m_slots;
    // The entry the next request is expected for.
    qsizetype m_next = 0;
};

} // namespace search
