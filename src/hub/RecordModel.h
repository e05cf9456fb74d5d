#pragma once

#include "hub/NameOrder.h"
#include "store/ContactRows.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>
#include <QSet>

#include <array>
#include <memory>
#include <vector>

namespace platform {
class Worker;
}

// One row of the record list: the caption (姓名) and the five sub-items 关系, 电话, 手机, 小灵通, 住址.
struct RecordRow {
    std::array<QString, 6> cells;
    // The record's id when the row was read from the table; 0 for a row put into the list by a window.
    qint64 id = 0;
    const QString& caption() const { return cells[0]; }
};

// The rows of the main window's record list, in list order. Sorting by name keeps every row that arrives later
// in its sorted place; stripes follow the row's current position.
//
// The rows lie in compact blocks (store::ContactRows), not as six strings each: the block of a whole-table read,
// which the reader shares (a search result is a choice of its rows), and a small block of rows that windows put in
// or changed since. A list row is the index of its row in one of the two.
class RecordModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 6;
    using Rows = std::shared_ptr<const store::ContactRows>;

    explicit RecordModel(QObject* parent = nullptr);
    ~RecordModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int count() const { return int(m_rows.size()); }
    RecordRow row(int i) const;
    QString caption(int i) const { return cell(i, 0); }
    QString cell(int i, int column) const;
    qint64 id(int i) const;
    // The first list row of this id, or of exactly this name; -1 for none.
    int indexOfId(qint64 id) const;
    int indexOfName(const QString& name) const;

    // Replaces every row (a reload or a search result), then sorts them when sorting by name.
    void setRows(std::vector<RecordRow>&& rows);
    // The same with rows of a block read from the book: `which` of them in that order, or all in the block's order.
    void setRows(Rows rows, std::vector<quint32>&& which);
    void setRows(Rows rows);
    // Adds one row at the end, or at its sorted place while sorting by name; returns its index.
    int appendRow(RecordRow row);
    // Adds one row first, where the newest row stands after a reload, or at its sorted place while sorting by name;
    // returns its index. (A contact another desktop has just stored.)
    int prependRow(RecordRow row);
    void removeRecordRow(int i);
    // Removes every row whose caption is one of `names`, in runs of adjacent rows; returns how many went.
    int removeRowsNamed(const QSet<QString>& names);
    void setSubItems(int i, const std::array<QString, 5>& subItems);
    void clear();

    bool sortByName() const { return m_sortByName; }
    // Turning it on sorts the rows at once; turning it off leaves them where they are.
    void setSortByName(bool on);
    // From this many rows on, names are sorted in a thread of their own while the window repaints.
    void setBackgroundSortFrom(int rows) { m_backgroundFrom = rows; }

    bool stripes() const { return m_stripes; }
    void setStripes(bool on);
    static QColor stripeColor() { return QColor(227, 228, 227); }

    void setIcons(const QIcon& icon) { m_icon = icon; }

private:
    // A list row refers to a row of the added block when this bit is set, else to a row of the base block.
    static constexpr quint32 kAdded = 0x80000000u;

    QByteArrayView text(quint32 ref, int column) const;
    // The added block's row for a row put in by a window.
    quint32 addRow(const RecordRow& row);
    // The order that sorts these rows of the two blocks by name (positions into `refs`).
    std::vector<quint32> sortOrder(const Rows& base, const store::ContactRows& added, const std::vector<quint32>& refs);
    void install(Rows base, std::vector<quint32>&& refs);
    void changed() { ++m_generation; }

    Rows m_base;
    store::ContactRows m_added;
    std::vector<quint32> m_rows;
    // Counts every change of the rows: a sort made in the background is applied only to the rows it was made for.
    quint64 m_generation = 0;
    NameOrder m_order;
    std::unique_ptr<platform::Worker> m_worker;
    int m_backgroundFrom = 20000;
    bool m_sortByName = false;
    bool m_stripes = false;
    QIcon m_icon;
};
