#pragma once

#include <QWidget>

class QItemSelectionModel;
class QListView;
class QStackedLayout;
class QTableView;
class RecordItemDelegate;
class RecordModel;

// The record list: one model shown by a table (report view, with grid lines) or by a list view (list and icon
// views). Both views share the model and the selection. The widget carries the objectName ListView1.
class RecordListView : public QWidget {
    Q_OBJECT
public:
    enum class ViewStyle { Report, List, LargeIcon, SmallIcon };

    explicit RecordListView(QWidget* parent = nullptr);

    RecordModel* model() const { return m_model; }
    QItemSelectionModel* selectionModel() const { return m_selection; }
    QTableView* table() const { return m_table; }
    QListView* list() const { return m_list; }
    RecordItemDelegate* itemDelegate() const { return m_delegate; }
    QWidget* currentView() const;

    int count() const;
    // Indexes of the selected rows, ascending.
    QList<int> selectedRows() const;
    int selectedCount() const;
    void selectRow(int row);
    void clearSelection();

    ViewStyle viewStyle() const { return m_style; }
    void setViewStyle(ViewStyle style);
    bool gridLines() const;
    void setGridLines(bool on);

    void setColumnWidth(int column, int width);
    int columnWidth(int column) const;

    // The list's background colour; an invalid colour means the system's window colour.
    void setBackground(const QColor& color);
    QColor background() const;

    // Drags the selected rows (copy only: the list never loses rows by a drag) and returns when the drag has
    // ended; dragEnded follows, dropped or cancelled. The views start it when a selected row is pressed and moved.
    void startRowDrag();
    // Format of the dragged rows: the drop targets act on the list's selection, the data only marks the origin.
    static QString dragMimeType() { return QStringLiteral("application/x-velloran-rows"); }

Q_SIGNALS:
    // A click on any column header.
    void columnClicked(int column);
    // A double click on a row, or Return in the list.
    void opened();
    // The Delete key in the list.
    void deleteRequested();
    // A drag of rows that started in the list is over.
    void dragEnded(Qt::DropAction result);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyPalette(QWidget* view);
    // The one size of every item in a list or icon view: room for a name of eight characters.
    QSize itemSizeFor(ViewStyle style) const;

    RecordModel* m_model;
    QItemSelectionModel* m_selection;
    QTableView* m_table;
    QListView* m_list;
    RecordItemDelegate* m_delegate;
    QStackedLayout* m_stack;
    ViewStyle m_style = ViewStyle::Report;
    QColor m_background;
};
