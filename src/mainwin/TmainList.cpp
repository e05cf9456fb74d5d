// The record list: the first fill, the full reload with its wait, the summary, the name sort and the details of
// the selected record.
#include "mainwin/Tmain.h"

#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/BirthdayReminder.h"
#include "mainwin/BirthdayWindow.h"
#include "mainwin/LiveUpdates.h"
#include "mainwin/NotesPad.h"
#include "mainwin/Summary.h"
#include "platform/Clock.h"
#include "platform/ErrorLead.h"
#include "platform/Step.h"
#include "store/ContactReader.h"
#include "store/Query.h"
#include "store/Statements.h"

#include <QFrame>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace {

// Each record whose birthday falls in the window, in list order. Which month and day fall in it is asked once for
// every day of the year, not once for every record.
void TestBirthdays(const store::ContactRows& rows, BirthdayWindow* birthdays)
{
    bool falls[13][32] = {};
    for (int month = 1; month <= 12; ++month) {
        for (int day = 1; day <= 31; ++day)
            falls[month][day] = birthdays->dayOf(month, day).isValid();
    }
    for (int i = 0; i < rows.size(); ++i) {
        const int month = rows.month(i);
        const int day = rows.day(i);
        if (falls[month][day])
            birthdays->test(rows.string(i, 0), month, day);
    }
}

} // namespace

// The start-up's fill reads through the main window's reader, whose thread lets the start-up window repaint while
// a large book is read, instead of over the start-up window's connection; the book's mark is taken on that one.
bool Tmain::FirstFill(store::Connection& connection, QString* error)
{
    store::ContactReader::Rows rows;
    m_live->beforeFullRead(connection);
    if (!m_reader->read(&rows, error))
        return false;
    BirthdayWindow birthdays(platform::Clock::today());
    TestBirthdays(*rows, &birthdays);
    const int count = rows->size();
    ListView1->model()->setRows(std::move(rows));
    m_reminder->setText(birthdays);
    ShowSummary(Summary::countLine(count, nullptr, false));

    m_notes->LoadNotes();
    if (m_reminder->armed())
        m_reminder->announce();
    return true;
}

void Tmain::ShowSummary(const QString& countLine)
{
    Memo3->clear();
    Memo3->appendPlainText(Summary::introLine());
    Memo3->appendPlainText(QString());
    Memo3->appendPlainText(countLine);
}

void Tmain::RequestSummary()
{
    platform::startStep(Timer7);
}

void Tmain::N18Click()
{
    platform::startStep(Timer5);
}

void Tmain::ListView1ColumnClick(int)
{
    RecordModel* model = ListView1->model();
    model->setSortByName(!model->sortByName());
    RequestSummary();
}

void Tmain::ReadAhead()
{
    m_reader->readAhead();
}

bool Tmain::CountMainRows(int* rows)
{
    QString error;
    if (!m_reader->count(rows, &error)) {
        ReportError(platform::ErrorLead::readDatabase(), error);
        return false;
    }
    return true;
}

void Tmain::Timer5Timer()
{
    Timer5->stop();
    const int n = ListView1->count();
    int rows = 0;
    if (!CountMainRows(&rows))
        return;
    if (rows != n && Button1->text() == QLatin1String("1")) {
        const QWidget* list = ListView1;
        Panel4->move(Panel2->x() + 1 + (list->width() - 242) / 2, list->y() + (list->height() - 41) / 2);
        Panel4->show();
        Panel4->raise();
        Panel5->resize(0, 39);
        Panel5->clear();
        platform::startStep(Timer6);
        return;
    }
    Panel4->hide();
    Timer6->stop();

    // The old rows stay listed while the table is read; they go only when the new ones come. The window repaints
    // meanwhile, and a reload asked for from there follows this one rather than finishing before it with older rows.
    if (m_reloading) {
        platform::startStep(Timer5);
        return;
    }
    store::ContactReader::Rows fresh;
    QString error;
    m_reloading = true;
    m_live->beforeFullRead(acper);
    const bool read = m_reader->read(&fresh, &error);
    m_reloading = false;
    if (!read) {
        ReportError(platform::ErrorLead::readDatabase(), error);
        return;
    }
    int men = 0;
    int women = 0;
    for (int i = 0; i < fresh->size(); ++i) {
        const store::ContactRows::Sex s = fresh->sex(i);
        men += s == store::ContactRows::Sex::Male;
        women += s == store::ContactRows::Sex::Female;
    }
    const int total = fresh->size();
    m_rowsLeaving = true;
    ListView1->clearSelection();
    m_rowsLeaving = false;
    ListView1->model()->setRows(std::move(fresh));
    Edit4->setText(QString::number(men));
    Edit5->setText(QString::number(women));
    Edit3->setText(QString::number(total - men - women));
    sex->setText(QStringLiteral("1"));
    RequestSummary();
    Button1->setText(QStringLiteral("1"));
}

void Tmain::Timer6Timer()
{
    static const QPair<int, const char*> stages[] = {{20, "即"}, {36, "即将"}, {52, "即将完"}, {68, "即将完成"}};
    int width = Panel5->width() + 4;
    Panel5->resize(width, 39);
    for (const auto& [at, text] : stages) {
        if (width == at)
            Panel5->setText(QString::fromUtf8(text));
    }
    int rows = 0;
    if (!CountMainRows(&rows)) {
        Timer6->stop();
        Panel4->hide();
        return;
    }
    if (rows == ListView1->count()) {
        Timer6->stop();
        platform::startStep(Timer5);
        return;
    }
    width += 4;
    Panel5->resize(width, 39);
    if (width >= 236) {
        Timer6->stop();
        if (!CountMainRows(&rows)) {
            Panel4->hide();
            return;
        }
        if (rows != ListView1->count())
            Button1->setText(QStringLiteral("0"));
        platform::startStep(Timer5);
    }
}

void Tmain::Timer7Timer()
{
    Timer7->stop();
    const Summary::Breakdown counts{Edit4->text(), Edit5->text(), Edit3->text()};
    const bool withBreakdown = sex->text() == QLatin1String("1");
    Label3->setText(QStringLiteral("Tarsiwen"));
    Label3->adjustSize();
    Label4->setText(QStringLiteral("免费软件"));
    Label4->adjustSize();
    ShowSummary(
        Summary::countLine(ListView1->count(), withBreakdown ? &counts : nullptr, ListView1->model()->sortByName()));
    sex->setText(QStringLiteral("0"));
}

void Tmain::ShowDetails(const QString& name)
{
    QString phone;
    QString mobile;
    QString pager;
    QString remarks;
    QString date;
    {
        store::Query q(acper, store::sql::SelectMainByName);
        q.bind(QStringLiteral("username"), name);
        if (!q.exec()) {
            ReportError(platform::ErrorLead::readDatabase(), q.errorText());
            return;
        }
        if (q.next()) {
            phone = q.text(QStringLiteral("电话"));
            mobile = q.text(QStringLiteral("手机"));
            pager = q.text(QStringLiteral("小灵通"));
            remarks = q.text(QStringLiteral("备注"));
            date = q.text(QStringLiteral("登记时间"));
        }
        q.finish();
    }

    Label3->setText(name);
    Label3->adjustSize();
    Label4->setText(QStringLiteral("基本信息"));
    Label4->adjustSize();
    QStringList lines{QStringLiteral("联系方式："), QString()};
    // A blank field is stored as one space and counts as empty; a filled one is shown as stored.
    auto field = [&lines](const QString& label, const QString& value) {
        if (!value.trimmed().isEmpty())
            lines << label << value << QString();
    };
    field(QStringLiteral("电话："), phone);
    field(QStringLiteral("手机："), mobile);
    field(QStringLiteral("小灵通："), pager);
    field(QStringLiteral("备注："), remarks);
    lines << QStringLiteral("登记时间：") << date;
    Memo3->setPlainText(lines.join(QLatin1Char('\n')));
}

void Tmain::ListView1SelectItem(const QItemSelection& selected, const QItemSelection& deselected)
{
    if (m_rowsLeaving)
        return;
    // Rows that became selected are reported after those that stopped being selected, so a click on a second row
    // leaves its own details. Of a change over many rows (Shift+click) only one is shown: the row the user acted
    // on, else the last changed row.
    const QItemSelection& changed = selected.isEmpty() ? deselected : selected;
    const int current = ListView1->selectionModel()->currentIndex().row();
    int row = -1;
    for (const QItemSelectionRange& range : changed) {
        if (current >= range.top() && current <= range.bottom()) {
            row = current;
            break;
        }
        row = std::max(row, range.bottom());
    }
    if (row >= 0 && row < ListView1->count())
        ShowDetails(ListView1->model()->caption(row));
}
