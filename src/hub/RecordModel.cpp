#include "hub/RecordModel.h"

#include <QLocale>
#include <algorithm>
#include <numeric>

RecordModel::RecordModel(QObject* parent)
    : QAbstractTableModel(parent), m_collator(QLocale(QLocale::Chinese, QLocale::China))
{
}

int RecordModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

int RecordModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RecordModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return m_rows[size_t(index.row())].cells[size_t(index.column())];
    case Qt::DecorationRole:
        return index.column() == 0 ? QVariant(m_icon) : QVariant();
    case Qt::BackgroundRole:
        if (m_stripes && index.row() % 2 == 1)
            return stripeColor();
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant RecordModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const captions[ColumnCount] = {"姓名", "关系", "电话", "手机", "小灵通", "住址"};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return QString::fromUtf8(captions[section]);
    return QVariant();
}

Qt::ItemFlags RecordModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

std::vector<int> RecordModel::sortAll()
{
    // Keys are computed once per row; a stable sort keeps rows of equal names in their previous order.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(m_rows.size());
    for (const RecordRow& r : m_rows)
        keys.push_back(m_collator.sortKey(r.caption()));
    std::vector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&keys](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
    keys = {};
    std::vector<RecordRow> rows;
    rows.reserve(m_rows.size());
    for (int i : order)
        rows.push_back(std::move(m_rows[size_t(i)]));
    m_rows = std::move(rows);
    return order;
}

void RecordModel::setRows(std::vector<RecordRow>&& rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    if (m_sortByName)
        sortAll();
    endResetModel();
}

int RecordModel::appendRow(RecordRow row)
{
    int at = count();
    if (m_sortByName) {
        // After the last row that does not sort after it, as a stable insertion would place it. The rows' keys
        // are not kept after a sort (they would take 40 MB at 100,000 rows); a binary search needs few compares.
        const auto it = std::upper_bound(m_rows.begin(), m_rows.end(), row.caption(),
                                         [this](const QString& name, const RecordRow& r) {
                                             return m_collator.compare(name, r.caption()) < 0;
                                         });
        at = int(it - m_rows.begin());
    }
    beginInsertRows(QModelIndex(), at, at);
    m_rows.insert(m_rows.begin() + at, std::move(row));
    endInsertRows();
    return at;
}

int RecordModel::prependRow(RecordRow row)
{
    if (m_sortByName)
        return appendRow(std::move(row));
    beginInsertRows(QModelIndex(), 0, 0);
    m_rows.insert(m_rows.begin(), std::move(row));
    endInsertRows();
    return 0;
}

void RecordModel::removeRecordRow(int i)
{
    if (i < 0 || i >= count())
        return;
    beginRemoveRows(QModelIndex(), i, i);
    m_rows.erase(m_rows.begin() + i);
    endRemoveRows();
    // Stripes follow the position: every row after the removed one changes colour.
    if (m_stripes && i < count())
        Q_EMIT dataChanged(index(i, 0), index(count() - 1, ColumnCount - 1), {Qt::BackgroundRole});
}

int RecordModel::removeRowsNamed(const QSet<QString>& names)
{
    if (names.isEmpty())
        return 0;
    std::vector<std::pair<int, int>> runs;
    for (int i = 0; i < count(); ++i) {
        if (!names.contains(caption(i)))
            continue;
        if (!runs.empty() && runs.back().second == i - 1)
            runs.back().second = i;
        else
            runs.emplace_back(i, i);
    }
    if (runs.empty())
        return 0;
    const int before = count();
    // Each removal moves the rows after it and updates the views; past a few dozen runs one reset is cheaper than
    // thousands of them (every other row of 100,000 would be quadratic).
    constexpr size_t maxRuns = 32;
    if (runs.size() > maxRuns) {
        beginResetModel();
        std::erase_if(m_rows, [&names](const RecordRow& r) { return names.contains(r.caption()); });
        endResetModel();
        return before - count();
    }
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        beginRemoveRows(QModelIndex(), run->first, run->second);
        m_rows.erase(m_rows.begin() + run->first, m_rows.begin() + run->second + 1);
        endRemoveRows();
    }
    // Stripes follow the position: every row after the first removed one may change colour.
    if (m_stripes && runs.front().first < count())
        Q_EMIT dataChanged(index(runs.front().first, 0), index(count() - 1, ColumnCount - 1), {Qt::BackgroundRole});
    return before - count();
}

void RecordModel::setSubItems(int i, const std::array<QString, 5>& subItems)
{
    if (i < 0 || i >= count())
        return;
    for (size_t k = 0; k < subItems.size(); ++k)
        m_rows[size_t(i)].cells[k + 1] = subItems[k];
    Q_EMIT dataChanged(index(i, 1), index(i, ColumnCount - 1), {Qt::DisplayRole});
}

void RecordModel::clear()
{
    setRows({});
}

void RecordModel::setSortByName(bool on)
{
    if (on == m_sortByName)
        return;
    m_sortByName = on;
    if (!on)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<int> order = sortAll();
    // The selection follows its rows to their new places.
    const QModelIndexList before = persistentIndexList();
    if (!before.isEmpty()) {
        std::vector<int> newPlace(order.size());
        for (size_t place = 0; place < order.size(); ++place)
            newPlace[size_t(order[place])] = int(place);
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& idx : before)
            after.append(index(newPlace[size_t(idx.row())], idx.column()));
        changePersistentIndexList(before, after);
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void RecordModel::setStripes(bool on)
{
    if (on == m_stripes)
        return;
    m_stripes = on;
    if (count() > 0)
        Q_EMIT dataChanged(index(0, 0), index(count() - 1, ColumnCount - 1), {Qt::BackgroundRole});
}
