#include "print/Grouping.h"

#include "exchange/FieldMapping.h"
#include "search/Pinyin.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <algorithm>
#include <numeric>

namespace print {

namespace {

const QString kOther = QStringLiteral("其他");
const QString kRest = QStringLiteral("#");

// The upper-case ASCII letter a Latin letter is typed as (ａ, é and ü included), or 0.
char latinLetter(QChar c)
{
    QString typed = search::normalisePinyinInput(QStringView(&c, 1));
    if (typed.isEmpty() && c.script() == QChar::Script_Latin && !c.decomposition().isEmpty())
        typed = search::normalisePinyinInput(c.decomposition().left(1));
    if (typed.size() != 1)
        return 0;
    const char letter = typed.at(0).toLatin1();
    return letter >= 'a' && letter <= 'z' ? char(letter - 'a' + 'A') : 0;
}

} // namespace

QString initialOf(const QString& name)
{
    const QString spelling = search::pinyinSpelling(search::pinyinKey(name));
    if (!spelling.isEmpty()) {
        const char letter = latinLetter(spelling.at(0));
        return letter ? QString(QLatin1Char(letter)) : kRest;
    }
    // No Chinese character to read: the first letter or digit decides.
    for (const QChar c : name) {
        if (!c.isLetterOrNumber())
            continue;
        const char letter = latinLetter(c);
        return letter ? QString(QLatin1Char(letter)) : kRest;
    }
    return kRest;
}

QString relationHeading(const QString& relation)
{
    const QString trimmed = relation.trimmed();
    return exchange::FieldMapping::relations().contains(trimmed) ? trimmed : kOther;
}

std::vector<Section> groupEntries(const std::vector<Entry>& entries, Grouping grouping)
{
    // Pinyin order first, with keys computed once per name; a stable sort keeps equal names in the book's order.
    const QCollator collator{QLocale(QLocale::Chinese, QLocale::China)};
    std::vector<QCollatorSortKey> keys;
    keys.reserve(entries.size());
    for (const Entry& e : entries)
        keys.push_back(collator.sortKey(e.name));
    std::vector<int> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&keys](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
    keys = {};

    std::vector<Section> sections;
    if (grouping == Grouping::None) {
        if (!order.empty())
            sections.push_back(Section{QString(), std::move(order)});
        return sections;
    }
    QStringList headings;
    if (grouping == Grouping::Relation) {
        headings = exchange::FieldMapping::relations();
        headings.append(kOther);
    } else {
        for (char c = 'A'; c <= 'Z'; ++c)
            headings.append(QString(QLatin1Char(c)));
        headings.append(kRest);
    }
    std::vector<Section> all(size_t(headings.size()));
    for (qsizetype k = 0; k < headings.size(); ++k)
        all[size_t(k)].heading = headings.at(k);
    for (const int i : order) {
        const Entry& e = entries[size_t(i)];
        const QString heading = grouping == Grouping::Relation ? relationHeading(e.relation) : initialOf(e.name);
        all[size_t(headings.indexOf(heading))].rows.push_back(i);
    }
    for (Section& s : all) {
        if (!s.rows.empty())
            sections.push_back(std::move(s));
    }
    return sections;
}

} // namespace print
