#include "hub/RecordListView.h"

#include "hub/RecordItemDelegate.h"
#include "hub/RecordModel.h"

#include <QApplication>
#include <QDrag>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMimeData>
#include <QStackedLayout>
#include <QStyle>
#include <QTableView>

namespace {

// The views hand the start of a drag to the list, which drags its whole selection.
template <typename View> class DragSource final : public View {
public:
    explicit DragSource(RecordListView* owner) : View(owner), m_owner(owner) {}

protected:
    void startDrag(Qt::DropActions) override { m_owner->startRowDrag(); }

    // Home and End go to the first and last row in every view, as Ctrl+Home and Ctrl+End do; the table's own would
    // only move along the row. The view's key handling then selects the row, or extends the selection with Shift.
    QModelIndex moveCursor(QAbstractItemView::CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        const int rows = View::model() ? View::model()->rowCount() : 0;
        if ((action == QAbstractItemView::MoveHome || action == QAbstractItemView::MoveEnd) && rows > 0)
            return View::model()->index(action == QAbstractItemView::MoveHome ? 0 : rows - 1,
                                        qMax(0, View::currentIndex().column()));
        return View::moveCursor(action, modifiers);
    }

private:
    RecordListView* m_owner;
};

} // namespace

RecordListView::RecordListView(QWidget* parent)
    : QWidget(parent),
      m_model(new RecordModel(this)),
      m_selection(new QItemSelectionModel(m_model, this)),
      m_table(new DragSource<QTableView>(this)),
      m_list(new DragSource<QListView>(this)),
      m_delegate(new RecordItemDelegate(this)),
      m_stack(new QStackedLayout(this))
{
    setObjectName(QStringLiteral("ListView1"));
    m_model->setIcons(QIcon(QStringLiteral(":/icons/contact.svg")));
    m_stack->setContentsMargins(0, 0, 0, 0);

    m_table->setObjectName(QStringLiteral("ListView1Report"));
    m_table->setModel(m_model);
    m_table->setSelectionModel(m_selection);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setShowGrid(true);
    m_table->setWordWrap(false);
    m_table->setTabKeyNavigation(false);
    m_table->setIconSize(QSize(16, 16));
    m_table->verticalHeader()->hide();
    // Fixed row heights let the view lay out 100,000 rows without measuring them.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(18);
    m_table->horizontalHeader()->setSectionsClickable(true);
    m_table->horizontalHeader()->setSortIndicatorShown(false);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_table->horizontalHeader()->setStretchLastSection(false);
    m_table->setDragEnabled(true);
    m_table->setDragDropMode(QAbstractItemView::DragOnly);
    m_table->setDefaultDropAction(Qt::CopyAction);
    static const int widths[RecordModel::ColumnCount] = {65, 40, 85, 80, 85, 48};
    for (int c = 0; c < RecordModel::ColumnCount; ++c)
        m_table->setColumnWidth(c, widths[c]);

    m_list->setObjectName(QStringLiteral("ListView1List"));
    m_list->setModel(m_model);
    m_list->setSelectionModel(m_selection);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // One size for every item (the delegate's), so 100,000 rows are laid out without measuring each.
    m_list->setUniformItemSizes(true);
    m_list->setItemDelegate(m_delegate);
    m_list->setDragEnabled(true);
    m_list->setDragDropMode(QAbstractItemView::DragOnly);
    m_list->setDefaultDropAction(Qt::CopyAction);

    // The Tab key does not stop at the list; a click still gives it the focus.
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_table), static_cast<QAbstractItemView*>(m_list)}) {
        view->setFocusPolicy(Qt::ClickFocus);
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
        connect(view, &QAbstractItemView::doubleClicked, this, [this] { Q_EMIT opened(); });
        applyPalette(view);
    }
    m_stack->addWidget(m_table);
    m_stack->addWidget(m_list);
    connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this, &RecordListView::columnClicked);
}

QWidget* RecordListView::currentView() const
{
    return m_stack->currentWidget();
}

int RecordListView::count() const
{
    return m_model->count();
}

QList<int> RecordListView::selectedRows() const
{
    QList<int> rows;
    const QItemSelection selection = m_selection->selection();
    for (const QItemSelectionRange& range : selection) {
        for (int r = range.top(); r <= range.bottom(); ++r)
            rows.append(r);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int RecordListView::selectedCount() const
{
    return int(selectedRows().size());
}

void RecordListView::selectRow(int row)
{
    if (row < 0 || row >= count())
        return;
    m_selection->select(m_model->index(row, 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    m_selection->setCurrentIndex(m_model->index(row, 0), QItemSelectionModel::NoUpdate);
}

void RecordListView::clearSelection()
{
    m_selection->clearSelection();
}

void RecordListView::setViewStyle(ViewStyle style)
{
    m_style = style;
    if (style == ViewStyle::Report) {
        m_stack->setCurrentWidget(m_table);
        return;
    }
    // Every property is set for every view: a list view keeps what was set for the view before, so the large
    // icons would otherwise run top to bottom after the list view and left to right after the small icons.
    const bool large = style == ViewStyle::LargeIcon;
    m_list->setViewMode(large ? QListView::IconMode : QListView::ListMode);
    m_list->setFlow(style == ViewStyle::List ? QListView::TopToBottom : QListView::LeftToRight);
    m_list->setWrapping(true);
    m_list->setMovement(QListView::Static);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setWordWrap(false);
    m_list->setSpacing(large ? 4 : 1);
    m_list->setIconSize(large ? QSize(24, 24) : QSize(16, 16));
    m_delegate->setItemSize(itemSizeFor(style));
    m_list->setGridSize(QSize());
    m_list->setDragDropMode(QAbstractItemView::DragOnly);
    m_stack->setCurrentWidget(m_list);
    m_list->doItemsLayout();
}

QSize RecordListView::itemSizeFor(ViewStyle style) const
{
    // What the style needs to draw the widest names of eight characters with the view's icon.
    QStyleOptionViewItem option;
    option.initFrom(m_list);
    option.font = m_list->font();
    option.fontMetrics = m_list->fontMetrics();
    option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    const bool large = style == ViewStyle::LargeIcon;
    option.decorationSize = large ? QSize(24, 24) : QSize(16, 16);
    option.decorationPosition = large ? QStyleOptionViewItem::Top : QStyleOptionViewItem::Left;
    option.displayAlignment = large ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter;
    QSize size;
    for (const QString& widest : {QString(8, QChar(0x56FD)), QStringLiteral("WWWWWWWW")}) {
        option.text = widest;
        size = size.expandedTo(m_list->style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), m_list));
    }
    return size;
}

bool RecordListView::gridLines() const
{
    return m_table->showGrid();
}

void RecordListView::setGridLines(bool on)
{
    m_table->setShowGrid(on);
}

void RecordListView::setColumnWidth(int column, int width)
{
    m_table->setColumnWidth(column, width);
}

int RecordListView::columnWidth(int column) const
{
    return m_table->columnWidth(column);
}

void RecordListView::setBackground(const QColor& color)
{
    m_background = color;
    applyPalette(m_table);
    applyPalette(m_list);
}

void RecordListView::startRowDrag()
{
    const int rows = selectedCount();
    if (rows == 0)
        return;
    auto* data = new QMimeData;
    data->setData(dragMimeType(), QByteArray::number(rows));
    auto* drag = new QDrag(currentView());
    drag->setMimeData(data);
    drag->setPixmap(QIcon(QStringLiteral(":/icons/cmd-rows.svg")).pixmap(24, 24));
    const Qt::DropAction result = drag->exec(Qt::CopyAction, Qt::CopyAction);
    Q_EMIT dragEnded(result);
}

QColor RecordListView::background() const
{
    return m_background.isValid() ? m_background : QApplication::palette().color(QPalette::Base);
}

void RecordListView::applyPalette(QWidget* view)
{
    QPalette p = QApplication::palette(view);
    if (m_background.isValid())
        p.setColor(QPalette::Base, m_background);
    // The selection stays visible while the list does not have the focus.
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    view->setPalette(p);
}

bool RecordListView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == m_table || watched == m_list)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // The key still reaches the list after the row is opened.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            Q_EMIT opened();
        // Delete deletes the selected rows, with the delete command's question.
        if (key->key() == Qt::Key_Delete && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            Q_EMIT deleteRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
