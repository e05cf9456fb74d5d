#include "hub/RecordModel.h"

#include "platform/Worker.h"

#include <QCoreApplication>
#include <algorithm>
#include <numeric>

RecordModel::RecordModel(QObject* parent) : QAbstractTableModel(parent) {}

RecordModel::~RecordModel() = default;

int RecordModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

int RecordModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QByteArrayView RecordModel::text(quint32 ref, int column) const
{
    return ref & kAdded ? m_added.text(int(ref & ~kAdded), column) : m_base->text(int(ref), column);
}

QString RecordModel::cell(int i, int column) const
{
    return store::Utf16Text(text(m_rows[size_t(i)], column)).view().toString();
}

qint64 RecordModel::id(int i) const
{
    const quint32 ref = m_rows[size_t(i)];
    return ref & kAdded ? m_added.id(int(ref & ~kAdded)) : m_base->id(int(ref));
}

RecordRow RecordModel::row(int i) const
{
    RecordRow r;
    for (int k = 0; k < ColumnCount; ++k)
        r.cells[size_t(k)] = cell(i, k);
    r.id = id(i);
    return r;
}

int RecordModel::indexOfId(qint64 wanted) const
{
    for (int i = 0; i < count(); ++i) {
        if (id(i) == wanted)
            return i;
    }
    return -1;
}

int RecordModel::indexOfName(const QString& name) const
{
    const QByteArray wanted = name.toUtf8();
    for (int i = 0; i < count(); ++i) {
        if (text(m_rows[size_t(i)], 0) == QByteArrayView(wanted))
            return i;
    }
    return -1;
}

QVariant RecordModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return cell(index.row(), index.column());
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

std::vector<quint32> RecordModel::sortOrder(const Rows& base, const store::ContactRows& added,
                                            const std::vector<quint32>& refs)
{
    const auto n = quint32(refs.size());
    const auto nameOf = [](const Rows& b, const store::ContactRows& a, quint32 ref) {
        return ref & kAdded ? a.text(int(ref & ~kAdded), 0) : b->text(int(ref), 0);
    };
    if (int(n) < m_backgroundFrom || !QCoreApplication::instance())
        return m_order.sorted(n, [&](quint32 i) { return nameOf(base, added, refs[i]); });
    // The worker reads the shared block, which never changes, and copies of the rows windows put in, which may
    // change while it works.
    const Rows block = base;
    store::ContactRows copies;
    std::vector<quint32> names(refs);
    for (quint32& ref : names) {
        if (ref & kAdded) {
            copies.appendFrom(added, int(ref & ~kAdded));
            ref = kAdded | quint32(copies.size() - 1);
        }
    }
    if (!m_worker)
        m_worker = std::make_unique<platform::Worker>(QStringLiteral("list sort"));
    std::vector<quint32> order;
    m_worker->run([&] {
        const NameOrder byName;
        order = byName.sorted(n, [&](quint32 i) { return nameOf(block, copies, names[i]); });
    });
    return order;
}

void RecordModel::install(Rows base, std::vector<quint32>&& refs)
{
    if (m_sortByName && !refs.empty()) {
        const std::vector<quint32> order = sortOrder(base, store::ContactRows(), refs);
        std::vector<quint32> sorted(refs.size());
        for (size_t p = 0; p < order.size(); ++p)
            sorted[p] = refs[order[p]];
        refs = std::move(sorted);
    }
    beginResetModel();
    m_base = std::move(base);
    m_added = store::ContactRows();
    m_rows = std::move(refs);
    changed();
    endResetModel();
}

void RecordModel::setRows(std::vector<RecordRow>&& rows)
{
    auto block = std::make_shared<store::ContactRows>();
    for (const RecordRow& r : rows)
        block->append(r.id, r.cells);
    rows = {};
    std::vector<quint32> refs(size_t(block->size()));
    std::iota(refs.begin(), refs.end(), 0u);
    install(std::move(block), std::move(refs));
}

void RecordModel::setRows(Rows rows, std::vector<quint32>&& which)
{
    install(std::move(rows), std::move(which));
}

void RecordModel::setRows(Rows rows)
{
    std::vector<quint32> refs(rows ? size_t(rows->size()) : 0);
    std::iota(refs.begin(), refs.end(), 0u);
    install(std::move(rows), std::move(refs));
}

quint32 RecordModel::addRow(const RecordRow& row)
{
    m_added.append(row.id, row.cells);
    return kAdded | quint32(m_added.size() - 1);
}

int RecordModel::appendRow(RecordRow row)
{
    int at = count();
    if (m_sortByName) {
        // After the last row that does not sort after it, as a stable insertion would place it.
        const QString& name = row.caption();
        int low = 0;
        int high = count();
        while (low < high) {
            const int mid = low + (high - low) / 2;
            if (m_order.compare(name, store::Utf16Text(text(m_rows[size_t(mid)], 0)).view()) < 0)
                high = mid;
            else
                low = mid + 1;
        }
        at = low;
    }
    const quint32 ref = addRow(row);
    beginInsertRows(QModelIndex(), at, at);
    m_rows.insert(m_rows.begin() + at, ref);
    changed();
    endInsertRows();
    return at;
}

int RecordModel::prependRow(RecordRow row)
{
    if (m_sortByName)
        return appendRow(std::move(row));
    const quint32 ref = addRow(row);
    beginInsertRows(QModelIndex(), 0, 0);
    m_rows.insert(m_rows.begin(), ref);
    changed();
    endInsertRows();
    return 0;
}

void RecordModel::removeRecordRow(int i)
{
    if (i < 0 || i >= count())
        return;
    beginRemoveRows(QModelIndex(), i, i);
    m_rows.erase(m_rows.begin() + i);
    changed();
    endRemoveRows();
    // Stripes follow the position: every row after the removed one changes colour.
    if (m_stripes && i < count())
        Q_EMIT dataChanged(index(i, 0), index(count() - 1, ColumnCount - 1), {Qt::BackgroundRole});
}

int RecordModel::removeRowsNamed(const QSet<QString>& names)
{
    if (names.isEmpty())
        return 0;
    std::vector<bool> goes(m_rows.size());
    std::vector<std::pair<int, int>> runs;
    for (int i = 0; i < count(); ++i) {
        if (!names.contains(caption(i)))
            continue;
        goes[size_t(i)] = true;
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
        size_t kept = 0;
        for (size_t i = 0; i < m_rows.size(); ++i) {
            if (!goes[i])
                m_rows[kept++] = m_rows[i];
        }
        m_rows.resize(kept);
        changed();
        endResetModel();
        return before - count();
    }
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        beginRemoveRows(QModelIndex(), run->first, run->second);
        m_rows.erase(m_rows.begin() + run->first, m_rows.begin() + run->second + 1);
        changed();
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
    RecordRow changedRow;
    changedRow.cells[0] = caption(i);
    changedRow.id = id(i);
    for (size_t k = 0; k < subItems.size(); ++k)
        changedRow.cells[k + 1] = subItems[k];
    m_rows[size_t(i)] = addRow(changedRow);
    changed();
    Q_EMIT dataChanged(index(i, 1), index(i, ColumnCount - 1), {Qt::DisplayRole});
}

void RecordModel::clear()
{
    install(nullptr, {});
}

void RecordModel::setSortByName(bool on)
{
    if (on == m_sortByName)
        return;
    m_sortByName = on;
    if (!on)
        return;
    std::vector<quint32> order;
    for (;;) {
        const quint64 generation = m_generation;
        order = sortOrder(m_base, m_added, m_rows);
        // Rows that changed while a large list was sorted in the background are sorted again; sorting turned off
        // meanwhile leaves them as they are.
        if (!m_sortByName)
            return;
        if (generation == m_generation)
            break;
    }
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<quint32> rows(m_rows.size());
    for (size_t place = 0; place < order.size(); ++place)
        rows[place] = m_rows[order[place]];
    m_rows = std::move(rows);
    changed();
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
