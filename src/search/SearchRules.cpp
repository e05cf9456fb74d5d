#include "search/SearchRules.h"

#include "search/PinyinCache.h"
#include "store/ContactRows.h"

#include <bitset>
#include <memory>

namespace {

// Whether ignoring letter case can change what a text finds: true for a character that folds to another, or that
// another folds to ("K" and "k", and the Kelvin sign to "k"). Han characters, digits and most punctuation never do.
bool foldsWithOthers(char16_t c)
{
    static const std::unique_ptr<std::bitset<65536>> folding = [] {
        auto bits = std::make_unique<std::bitset<65536>>();
        for (char32_t u = 0; u < 0x10000; ++u) {
            const char32_t f = QChar::toCaseFolded(u);
            if (f != u) {
                bits->set(u);
                bits->set(f & 0xFFFF);
            }
        }
        return bits;
    }();
    return folding->test(c) || QChar::isSurrogate(c);
}

// One condition as the rows of a block test it. The block holds UTF-8 that reads back exactly as Qt's strings, so
// a text without characters that fold is found in the bytes exactly where QString::contains would find it in the
// string; any other text is tested on the string.
class Matcher {
public:
    explicit Matcher(const SearchRules::Condition& condition) : m_condition(condition)
    {
        static const QString columns[store::ContactRows::Texts] = {QStringLiteral("姓名"),   QStringLiteral("关系"),
                                                                   QStringLiteral("电话"),   QStringLiteral("手机"),
                                                                   QStringLiteral("小灵通"), QStringLiteral("住址")};
        for (int k = 0; k < store::ContactRows::Texts; ++k) {
            if (condition.column == columns[k])
                m_column = k;
        }
        m_needle = condition.text.toUtf8();
        // Text that does not survive the trip to UTF-8 (a lone surrogate) is tested on the string.
        m_bytes = QString::fromUtf8(m_needle) == condition.text;
        if (m_bytes && condition.letterCase == Qt::CaseInsensitive) {
            for (const QChar c : condition.text)
                m_bytes = m_bytes && !foldsWithOthers(c.unicode());
        }
    }

    int column() const { return m_column; }

    bool matches(const store::ContactRows& rows, int row) const
    {
        // A column the table does not have reads as empty text.
        if (m_column < 0)
            return SearchRules::matches(m_condition, QString());
        const QByteArrayView cell = rows.text(row, m_column);
        if (m_bytes)
            return cell.contains(m_needle);
        return SearchRules::matches(m_condition, store::Utf16Text(cell).view().toString());
    }

private:
    SearchRules::Condition m_condition;
    int m_column = -1;
    QByteArray m_needle;
    bool m_bytes = false;
};

} // namespace

QList<SearchRules::Condition> SearchRules::single(bool phone, bool mobile, bool pager, const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    if (phone)
        return {{QStringLiteral("电话"), trimmed}};
    if (mobile)
        return {{QStringLiteral("手机"), trimmed}};
    if (pager)
        return {{QStringLiteral("小灵通"), trimmed}};
    return {{QStringLiteral("姓名"), trimmed, Qt::CaseInsensitive}};
}

QList<SearchRules::Condition> SearchRules::compound(const QString& relation, const QString& phone,
                                                    const QString& mobile, const QString& address)
{
    const Condition inputs[] = {{QStringLiteral("关系"), relation.trimmed()},
                                {QStringLiteral("电话"), phone.trimmed()},
                                {QStringLiteral("手机"), mobile.trimmed()},
                                {QStringLiteral("住址"), address.trimmed()}};
    QList<Condition> conditions;
    for (const Condition& c : inputs) {
        if (!c.text.isEmpty())
            conditions.append(c);
    }
    return conditions;
}

bool SearchRules::matches(const Condition& condition, const QString& value)
{
    return value.contains(condition.text, condition.letterCase);
}

std::vector<quint32> SearchRules::find(const store::ContactRows& rows, const QList<Condition>& conditions,
                                       const QString& pinyin, search::PinyinCache* cache)
{
    std::vector<Matcher> matchers;
    matchers.reserve(size_t(conditions.size()));
    for (const Condition& c : conditions)
        matchers.emplace_back(c);
    const bool spelled = !pinyin.isEmpty() && cache && matchers.size() == 1 && matchers.front().column() == 0;
    std::vector<quint32> found;
    for (int row = rows.size() - 1; row >= 0; --row) {
        bool match = true;
        if (spelled) {
            // Asked for every row, so the cache walks the table in step with the search.
            match = cache->matches(rows.text(row, 0), pinyin) || matchers.front().matches(rows, row);
        } else {
            for (const Matcher& m : matchers) {
                if (!m.matches(rows, row)) {
                    match = false;
                    break;
                }
            }
        }
        if (match)
            found.push_back(quint32(row));
    }
    return found;
}
