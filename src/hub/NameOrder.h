#pragma once

#include <QByteArrayView>
#include <QStringView>

#include <functional>
#include <vector>

struct UCollator;

// The order of names in the list sorted by name: the Chinese locale's collation, which puts Simplified Chinese names
// in pinyin order and Latin names after them. It compares exactly as QCollator for zh_CN does (the same ICU collator,
// set up the same way), but sorts many names through keys of a few bytes each kept in one block. One instance per
// thread: a collator is not shared between threads.
class NameOrder {
public:
    NameOrder();
    ~NameOrder();
    NameOrder(const NameOrder&) = delete;
    NameOrder& operator=(const NameOrder&) = delete;

    // Negative, zero or positive as a sorts before, with or after b.
    int compare(QStringView a, QStringView b) const;
    // The positions of `count` names in sorted order; names that compare equal keep their order. nameAt(i) gives
    // name i as well-formed UTF-8.
    std::vector<quint32> sorted(quint32 count, const std::function<QByteArrayView(quint32)>& nameAt) const;

private:
    UCollator* m_collator = nullptr;
};
