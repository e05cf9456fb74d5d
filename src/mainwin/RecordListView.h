#pragma once

#include <QWidget>

class QItemSelectionModel;
class QListView;
class QStackedLayout;
class QTableView;
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

Q_SIGNALS:
    // A click on any column header.
    void columnClicked(int column);
    // A double click on a row, or Return in the list.
    void opened();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyPalette(QWidget* view);

    RecordModel* m_model;
    QItemSelectionModel* m_selection;
    QTableView* m_table;
    QListView* m_list;
    QStackedLayout* m_stack;
    ViewStyle m_style = ViewStyle::Report;
    QColor m_background;
};
