#include "search/PinyinCache.h"

#include <QHashFunctions>

namespace search {

const PinyinKey& PinyinCache::keyFor(const QString& name)
{
    const auto count = qsizetype(m_entries.size());
    if (m_next < count && m_entries[size_t(m_next)].name == name)
        return m_entries[size_t(m_next++)].key;
    const auto hash = quint32(qHash(QStringView(name), 0));
    qsizetype k = find(name, hash);
    if (k < 0) {
        k = count;
        m_entries.push_back(Entry{name, pinyinKey(name)});
        insert(hash, quint32(k + 1));
    }
    m_next = k + 1;
    return m_entries[size_t(k)].key;
}

void PinyinCache::clear()
{
    m_entries.clear();
    m_slots.clear();
    m_next = 0;
}

qsizetype PinyinCache::find(const QString& name, quint32 hash) const
{
    if (m_slots.empty())
        return -1;
    const size_t mask = m_slots.size() - 1;
    for (size_t i = hash & mask; m_slots[i].entry; i = (i + 1) & mask) {
        const Slot& slot = m_slots[i];
        if (slot.hash == hash && m_entries[slot.entry - 1].name == name)
            return qsizetype(slot.entry - 1);
    }
    return -1;
}

void PinyinCache::insert(quint32 hash, quint32 entry)
{
    if (m_entries.size() * 2 > m_slots.size()) {
        std::vector<Slot> old = std::move(m_slots);
        m_slots.assign(std::max<size_t>(1024, old.size() * 2), Slot{});
        for (const Slot& s : old) {
            if (s.entry)
                insert(s.hash, s.entry);
        }
    }
    const size_t mask = m_slots.size() - 1;
    size_t i = hash & mask;
    while (m_slots[i].entry)
        i = (i + 1) & mask;
    m_slots[i] = Slot{hash, entry};
}

} // namespace search
