// The record commands: add, modify, delete, search, browse and statistics, the record routines the other windows
// call, and rows dragged onto the tool bar.
#include "mainwin/Tmain.h"

#include "edit/Tadd.h"
#include "edit/Tgai.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/DeleteProgress.h"
#include "mainwin/Forms.h"
#include "platform/ErrorLead.h"
#include "platform/Prompt.h"
#include "search/Tfind.h"
#include "search/Tlist.h"
#include "store/Query.h"
#include "store/Statements.h"
#include "store/Tdmper.h"
#include "tools/TForm7.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <utility>

void Tmain::N5Click()
{
    store::Dataset& ajo = forms::add->ajo;
    ajo.setConnection(&forms::dmper->acper);
    ajo.clearStatement();
    ajo.setStatement(store::sql::SelectMain);
    // Appending needs the columns only, not every row of the table.
    if (!ajo.open(false)) {
        ReportError(platform::ErrorLead::readDatabase(), ajo.errorText());
        return;
    }
    ajo.append();
    forms::add->exec();
}

QList<int> Tmain::SelectedForCommand()
{
    if (ListView1->count() == 0) {
        platform::Prompt::information(this, QStringLiteral("没有记录，请添加！"));
        return {};
    }
    const QList<int> selected = ListView1->selectedRows();
    if (selected.isEmpty()) {
        platform::Prompt::information(this, QStringLiteral("请先选择一个记录!"));
        ListView1->selectRow(0);
    }
    return selected;
}

void Tmain::N7Click()
{
    const QList<int> selected = SelectedForCommand();
    if (!selected.isEmpty())
        OpenModify(ListView1->model()->caption(selected.first()));
}

void Tmain::OpenModify(const QString& name)
{
    if (ListView1->selectedCount() != 1)
        return;
    store::Dataset& ago = forms::gai->ago;
    ago.setConnection(&forms::dmper->acper);
    // A record that another program removed meanwhile is never found: a few tries, then the user is told.
    constexpr int tries = 3;
    for (int attempt = 0; attempt < tries; ++attempt) {
        ago.close();
        ago.clearStatement();
        ago.setStatement(store::sql::SelectMainByName);
        ago.setParameter(QStringLiteral("username"), name);
        if (!ago.open()) {
            ReportError(platform::ErrorLead::readDatabase(), ago.errorText());
            return;
        }
        if (!ago.isEmpty())
            break;
    }
    if (ago.isEmpty()) {
        ago.close();
        platform::Prompt::information(
            this, QStringLiteral("记录“") + name +
                      QStringLiteral("”已经不存在了，可能已被其他程序删除。\n请刷新（F5）以显示当前的记录。"));
        return;
    }
    ago.edit();
    forms::gai->GroupBox1->setTitle(name + QStringLiteral("/资料信息"));
    forms::gai->exec();
}

bool Tmain::NameExists(const QString& name)
{
    store::Query q(forms::dmper->acper, store::sql::SelectNameByName);
    q.bind(QStringLiteral("username"), name);
    return q.exec() && q.next();
}

bool Tmain::DeleteByName(const QString& name, QString* error)
{
    store::Query q(forms::dmper->acper, store::sql::DeleteByName);
    q.bind(QStringLiteral("username"), name);
    if (q.exec())
        return true;
    if (error)
        *error = q.errorText();
    return false;
}

void Tmain::N10Click()
{
    if (ListView1->count() == 0) {
        platform::Prompt::information(this, QStringLiteral("没有记录，请添加！"));
        return;
    }
    const QList<int> selected = ListView1->selectedRows();
    if (selected.isEmpty()) {
        platform::Prompt::information(this, QStringLiteral("请先选择记录!"));
        ListView1->selectRow(0);
        return;
    }
    // The names are taken before asking: the answer covers these records, whatever timers do to the list while
    // a box is open.
    const RecordModel* model = ListView1->model();
    QStringList names;
    names.reserve(selected.size());
    for (int row : selected)
        names.append(model->caption(row));
    const QString question = selected.size() == 1 ? QStringLiteral("是否要删除") + names.first() + QStringLiteral("？")
                                                  : QStringLiteral("是否要删除这%1个记录？").arg(selected.size());
    if (!platform::Prompt::question(this, question))
        return;

    // The whole-table flag stays as it was: a search result less some rows is still a subset, and the next refresh
    // must reload it at once rather than wait for a table that will never match it.
    DeleteRecords(names);
    RequestSummary();
}

void Tmain::DeleteRecords(const QStringList& names)
{
    store::Connection& db = forms::dmper->acper;
    QString error;
    // One transaction: the disk is synced once for the whole deletion, not once per record.
    if (!db.beginTransaction(&error)) {
        platform::Prompt::error(this, platform::ErrorLead::deleteRecords(), error);
        return;
    }
    m_deleting = true;
    DeleteProgress progress(ListView1, int(names.size()));
    store::Query q(db, store::sql::DeleteByName);
    const auto remove = [&q](const QString& name) {
        q.bind(QStringLiteral("username"), name);
        return q.exec();
    };
    QStringList deleted;
    deleted.reserve(names.size());
    // From the last selected row to the first, as the rows stand.
    for (qsizetype k = names.size() - 1; k >= 0; --k) {
        const QString& name = names.at(k);
        if (remove(name)) {
            deleted.append(name);
        } else if (db.broken()) {
            // The server went away: nothing of the deletion is stored, and the user is told so once, below.
            error = q.errorText();
            break;
        } else {
            // The record is still in the table, so its row stays in the list; the others go on.
            platform::Prompt::toolkitInformation(this, QStringLiteral("删除出错"));
            // Some failures (a full disk) end the transaction by themselves and take back what it had deleted:
            // those records are deleted again in a new one.
            if (!db.inTransaction()) {
                if (!db.beginTransaction(&error))
                    break;
                const QStringList again = std::exchange(deleted, {});
                for (const QString& redo : again) {
                    if (remove(redo))
                        deleted.append(redo);
                }
            }
        }
        progress.advance(int(names.size() - k));
    }
    if (!db.inTransaction() || !db.commit(&error)) {
        db.rollback();
        deleted.clear();
        platform::Prompt::error(this, platform::ErrorLead::deleteRecords(), error);
    }
    // By name, not by index: a reload may have run while the question or the progress was shown.
    m_rowsLeaving = true;
    ListView1->model()->removeRowsNamed(QSet<QString>(deleted.cbegin(), deleted.cend()));
    m_rowsLeaving = false;
    m_deleting = false;
}

void Tmain::N6Click()
{
    forms::find->exec();
}

void Tmain::N40Click()
{
    if (ListView1->count() == 0) {
        platform::Prompt::information(this, QStringLiteral("数据表中没有记录，不能浏览！"));
        return;
    }
    forms::list->exec();
}

void Tmain::N39Click()
{
    if (ListView1->count() == 0) {
        platform::Prompt::information(this, QStringLiteral("数据表中没有记录，不能统计！"));
        return;
    }
    forms::Form7->exec();
}

void Tmain::N9Click()
{
    close();
}

void Tmain::ToolButton13Click()
{
    close();
}

bool Tmain::acceptsRowDrag(const QEvent* event) const
{
    // Only rows of this window's own list: a drop from another running copy would act on this list's selection.
    const auto* drop = static_cast<const QDropEvent*>(event);
    const auto* source = qobject_cast<const QWidget*>(drop->source());
    return drop->mimeData() && drop->mimeData()->hasFormat(RecordListView::dragMimeType()) && source &&
           ListView1->isAncestorOf(source);
}

bool Tmain::dragOntoToolButton(QObject* target, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* over = static_cast<QDragMoveEvent*>(event);
        if (acceptsRowDrag(event)) {
            over->setDropAction(Qt::CopyAction);
            over->accept();
        } else {
            over->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!acceptsRowDrag(event)) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        m_dropCommand = target == ToolButton2 ? &Tmain::ToolButton2DragDrop : &Tmain::ToolButton4DragDrop;
        return true;
    }
    default:
        break;
    }
    return false;
}

void Tmain::ToolButton2DragDrop()
{
    N10Click();
}

void Tmain::ToolButton4DragDrop()
{
    N7Click();
}

void Tmain::ListView1EndDrag()
{
    RequestSummary();
    // The command of a drop runs once the drag is over and the list has finished with the mouse.
    if (void(Tmain::*command)() = std::exchange(m_dropCommand, nullptr))
        QTimer::singleShot(0, this, [this, command] { (this->*command)(); });
}
