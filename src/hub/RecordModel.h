#pragma once

#include <QAbstractTableModel>
#include <QCollator>
#include <QCollatorSortKey>
#include <QColor>
#include <QIcon>
#include <QSet>
#include <array>
#include <vector>

// One row of the record list: the caption (姓名) and the five sub-items 关系, 电话, 手机, 小灵通, 住址.
struct RecordRow {
    std::array<QString, 6> cells;
    const QString& caption() const { return cells[0]; }
};

// The rows of the main window's record list, in list order. Sorting by name keeps every row that arrives later
// in its sorted place; stripes follow the row's current position.
class RecordModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 6;

    explicit RecordModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int count() const { return int(m_rows.size()); }
    const RecordRow& row(int i) const { return m_rows[size_t(i)]; }
    const QString& caption(int i) const { return m_rows[size_t(i)].cells[0]; }

    // Replaces every row (a reload or a search result), then sorts them when sorting by name.
    void setRows(std::vector<RecordRow>&& rows);
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

    bool stripes() const { return m_stripes; }
    void setStripes(bool on);
    static QColor stripeColor() { return QColor(227, 228, 227); }

    void setIcons(const QIcon& icon) { m_icon = icon; }

private:
    // Sorts the rows by name; returns, for each new place, the row's old index.
    std::vector<int> sortAll();

    std::vector<RecordRow> m_rows;
    QCollator m_collator;
    bool m_sortByName = false;
    bool m_stripes = false;
    QIcon m_icon;
};
