// Contacts on paper and on phones: the listed rows as a printed phone list, and one record as a QR code.
#include "mainwin/Tmain.h"

#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "platform/Clock.h"
#include "platform/ErrorLead.h"
#include "platform/ProgramDir.h"
#include "platform/Prompt.h"
#include "print/BookReader.h"
#include "print/ContactCodeWindow.h"
#include "print/PhoneListPreview.h"

#include <QItemSelectionModel>

void Tmain::PrintBookClick()
{
    if (ListView1->count() == 0) {
        platform::Prompt::information(this, QStringLiteral("没有记录，请添加！"));
        return;
    }
    const QStringList names = ShownNames();
    print::Book book;
    book.title = windowTitle();
    book.date = platform::Clock::today();
    {
        store::Connection connection(QStringLiteral("main.print"), QStringLiteral("call.mdb"));
        QString error;
        if (!connection.open(&error)) {
            ReportError(platform::ErrorLead::openDatabase(QStringLiteral("call.mdb")), error);
            return;
        }
        if (!print::BookReader::read(connection, &names, &book.entries, &error)) {
            ReportError(platform::ErrorLead::readDatabase(), error);
            return;
        }
    }
    print::PhoneListPreview preview(std::move(book), platform::ProgramDir::path(), this);
    preview.exec();
}

void Tmain::ContactCodeClick()
{
    const QList<int> selected = SelectedForCommand();
    if (selected.isEmpty())
        return;
    // The row the pop-up menu was opened on, when it is one of the selected.
    const int current = ListView1->selectionModel()->currentIndex().row();
    ShowContactCode(ListView1->model()->caption(selected.contains(current) ? current : selected.first()), this);
}

void Tmain::ShowContactCode(const QString& name, QWidget* over)
{
    print::ContactCodeWindow::showFor(acper, name, platform::ProgramDir::path(), over ? over : this);
}
