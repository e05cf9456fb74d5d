#include "search/PinyinCache.h"

#include "store/ContactRows.h"

#include <QHashFunctions>

namespace search {

QByteArrayView PinyinCache::name(size_t k) const
{
    const quint32 start = k ? m_entries[k - 1].nameEnd : 0;
    return QByteArrayView(m_names.data() + start, qsizetype(m_entries[k].nameEnd - start));
}

PinyinKeyView PinyinCache::key(size_t k) const
{
    const quint32 start = k ? m_entries[k - 1].keyEnd : 0;
    return PinyinKeyView(QByteArrayView(m_keys.data() + start, qsizetype(m_entries[k].keyEnd - start)),
                         m_entries[k].firstLetters);
}

PinyinKeyView PinyinCache::keyFor(QByteArrayView utf8Name)
{
    const auto count = qsizetype(m_entries.size());
    if (m_next < count && name(size_t(m_next)) == utf8Name)
        return key(size_t(m_next++));
    const auto hash = quint32(qHash(utf8Name, 0));
    qsizetype k = find(utf8Name, hash);
    if (k < 0) {
        k = count;
        const PinyinKey read = pinyinKey(store::Utf16Text(utf8Name).view());
        m_names.insert(m_names.end(), utf8Name.begin(), utf8Name.end());
        m_keys.insert(m_keys.end(), read.positions().begin(), read.positions().end());
        m_entries.push_back(Entry{quint32(m_names.size()), quint32(m_keys.size()), read.firstLetters(), hash});
        insert(quint32(k + 1));
    }
    m_next = k + 1;
    return key(size_t(k));
}

void PinyinCache::clear()
{
    m_names = {};
    m_keys = {};
    m_entries = {};
    m_slots = {};
    m_next = 0;
}

qsizetype PinyinCache::find(QByteArrayView wanted, quint32 hash) const
{
    if (m_slots.empty())
        return -1;
    const size_t mask = m_slots.size() - 1;
    for (size_t i = hash & mask; m_slots[i]; i = (i + 1) & mask) {
        const size_t k = m_slots[i] - 1;
        if (m_entries[k].hash == hash && name(k) == wanted)
            return qsizetype(k);
    }
    return -1;
}

void PinyinCache::insert(quint32 entry)
{
    if (m_entries.size() * 2 > m_slots.size()) {
        std::vector<quint32> old = std::move(m_slots);
        m_slots.assign(std::max<size_t>(1024, old.size() * 2), 0);
        for (const quint32 e : old) {
            if (e)
                insert(e);
        }
    }
    const size_t mask = m_slots.size() - 1;
    size_t i = m_entries[entry - 1].hash & mask;
    while (m_slots[i])
        i = (i + 1) & mask;
    m_slots[i] = entry;
}

} // namespace search
