#include "mainwin/LiveUpdates.h"

#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/Tmain.h"
#include "platform/ProgramDir.h"
#include "store/Connection.h"
#include "store/UserList.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHash>
#include <QItemSelection>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QTimer>

namespace {

// Up to this many changed rows are looked up one by one; more are looked up in an index of the list's names.
constexpr size_t FewRows = 16;

// Where the user looks: at the very top of the list, or at the row of this name at the top of the view.
struct Place {
    bool atTop = true;
    QString top;
};

QAbstractItemView* viewOf(RecordListView* list)
{
    return qobject_cast<QAbstractItemView*>(list->currentView());
}

Place placeOf(RecordListView* list)
{
    Place place;
    QAbstractItemView* view = viewOf(list);
    if (!view)
        return place;
    const QScrollBar* down = view->verticalScrollBar();
    const QScrollBar* across = view->horizontalScrollBar();
    place.atTop = down->value() == down->minimum() && across->value() == across->minimum();
    const QModelIndex top = view->indexAt(QPoint(2, 2));
    if (top.isValid())
        place.top = list->model()->caption(top.row());
    return place;
}

int rowNamed(const RecordModel& model, const QString& name)
{
    return model.indexOfName(name);
}

// A new row comes in first and would push the rows the user looks at down; a row that went would pull them up.
void restorePlace(RecordListView* list, const Place& place)
{
    QAbstractItemView* view = viewOf(list);
    if (!view || place.atTop || place.top.isEmpty())
        return;
    const int row = rowNamed(*list->model(), place.top);
    if (row >= 0)
        view->scrollTo(list->model()->index(row, 0), QAbstractItemView::PositionAtTop);
}

} // namespace

LiveUpdates::LiveUpdates(Tmain& main)
    : QObject(&main), m(main), m_changes(new store::BookChanges(this)), m_later(new QTimer(this))
{
    // While a window is open over the list, whether it has closed is looked at this often.
    m_later->setInterval(400);
    connect(m_later, &QTimer::timeout, this, &LiveUpdates::settle);
    connect(m_changes, &store::BookChanges::contactsChanged, this, &LiveUpdates::contactsChanged);
    connect(m_changes, &store::BookChanges::usersChanged, this, &LiveUpdates::usersChanged);
}

void LiveUpdates::beforeFullRead(store::Connection& connection)
{
    m_changes->start();
    // The mark before the rows: a change committed while they are read is read again by the next look, never lost.
    qint64 mark = 0;
    m_mark = store::BookChanges::mark(connection, &mark, nullptr) ? mark : -1;
    m_pending = false;
    setNotice(false);
}

void LiveUpdates::contactsChanged()
{
    m_pending = true;
    settle();
}

void LiveUpdates::usersChanged()
{
    m_usersPending = true;
    settle();
}

bool LiveUpdates::blocked() const
{
    // A window over the list (the editing windows, a question, a menu), a deletion or a reload under way (also one
    // reading the table while the window repaints), a mouse button held (a drag of rows): the rows are not changed
    // under them.
    return QApplication::activeModalWidget() || QApplication::activePopupWidget() || m.m_deleting ||
           m.m_reloading || m.Timer5->isActive() || m.Timer6->isActive() ||
           QGuiApplication::mouseButtons() != Qt::NoButton;
}

void LiveUpdates::settle()
{
    if (!m_pending && !m_usersPending) {
        m_later->stop();
        return;
    }
    if (blocked()) {
        setNotice(m_pending);
        m_later->start();
        return;
    }
    if (m_usersPending) {
        // The users signing in here next time: user.ini follows the book's users, as at every start.
        m_usersPending = false;
        store::UserList::followBook(m.acper, platform::ProgramDir::file(QStringLiteral("user.ini")), nullptr);
    }
    if (!m_pending) {
        m_later->stop();
        return;
    }
    // A search result stays as the user asked for it until F5; a later save of the add window makes the list whole
    // again, and the change then follows.
    if (m.Button1->text() != QLatin1String("1")) {
        setNotice(true);
        m_later->start();
        return;
    }
    m_later->stop();
    follow();
}

void LiveUpdates::follow()
{
    store::BookChanges::Delta delta;
    if (m_mark < 0) {
        reloadKeepingPlace();
        return;
    }
    if (!store::BookChanges::since(m.acper, m_mark, MostRows, &delta, nullptr)) {
        // The server cannot be read now: the change waits. When the server is back the book tells again.
        setNotice(true);
        return;
    }
    if (!delta.complete) {
        reloadKeepingPlace();
        return;
    }
    m_mark = delta.mark;
    m_pending = false;
    setNotice(false);
    RecordListView* list = m.ListView1;
    const Place place = placeOf(list);
    m.m_rowsLeaving = true;
    const bool changed = applyTo(*list->model(), delta);
    m.m_rowsLeaving = false;
    if (!changed)
        return;
    restorePlace(list, place);
    m.RequestSummary();
}

bool LiveUpdates::applyTo(RecordModel& model, const store::BookChanges::Delta& delta)
{
    bool changed = false;
    if (!delta.gone.isEmpty())
        changed = model.removeRowsNamed(QSet<QString>(delta.gone.cbegin(), delta.gone.cend())) > 0;
    QHash<QString, int> index;
    if (delta.present.size() > FewRows) {
        index.reserve(model.count());
        for (int i = 0; i < model.count(); ++i)
            index.insert(model.caption(i), i);
    }
    std::vector<RecordRow> fresh;
    for (const store::BookChanges::Row& r : delta.present) {
        const int i = delta.present.size() > FewRows ? index.value(r[0], -1) : rowNamed(model, r[0]);
        if (i < 0) {
            fresh.push_back(RecordRow{r});
            continue;
        }
        if (model.row(i).cells == r)
            continue;
        model.setSubItems(i, {r[1], r[2], r[3], r[4], r[5]});
        changed = true;
    }
    // The oldest first, so that the newest ends up first, as a reload lists them.
    for (RecordRow& row : fresh) {
        model.prependRow(std::move(row));
        changed = true;
    }
    return changed;
}

void LiveUpdates::reloadKeepingPlace()
{
    RecordListView* list = m.ListView1;
    RecordModel* model = list->model();
    QSet<QString> selected;
    for (int row : list->selectedRows())
        selected.insert(model->caption(row));
    const QModelIndex current = list->selectionModel()->currentIndex();
    const QString currentName = current.isValid() ? model->caption(current.row()) : QString();
    const Place place = placeOf(list);
    // The list no longer holds the table as it is: the reload reads it at once, without the refresh's wait for a
    // table that matches the list.
    m.Button1->setText(QStringLiteral("0"));
    m.Timer5Timer();
    if (m.Button1->text() != QLatin1String("1"))
        return;
    QItemSelection selection;
    QModelIndex currentAgain;
    for (int i = 0; i < model->count() && (!selected.isEmpty() || !currentName.isEmpty()); ++i) {
        const QString& name = model->caption(i);
        if (selected.contains(name))
            selection.select(model->index(i, 0), model->index(i, RecordModel::ColumnCount - 1));
        if (name == currentName)
            currentAgain = model->index(i, 0);
    }
    m.m_rowsLeaving = true;
    if (!selection.isEmpty())
        list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (currentAgain.isValid())
        list->selectionModel()->setCurrentIndex(currentAgain, QItemSelectionModel::NoUpdate);
    m.m_rowsLeaving = false;
    restorePlace(list, place);
}

void LiveUpdates::setNotice(bool shown)
{
    m.SetNotice(shown ? notice() : QString());
}
