// Contacts in and out: a vCard or CSV file imported into the table, and the listed rows exported into one.
#include "mainwin/Tmain.h"

#include "exchange/Exporter.h"
#include "exchange/Format.h"
#include "exchange/Importer.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "platform/ErrorLead.h"
#include "platform/Pickers.h"
#include "platform/Prompt.h"
#include "store/Connection.h"

#include <QDir>
#include <QProgressDialog>
#include <QStringList>

namespace {

const QString kFilter = QStringLiteral("vCard名片 (*.vcf *.vcard);;CSV表格 (*.csv)");

// A message box shows a report of this many lines at most; the rest is counted.
constexpr int kReportLines = 25;

QString firstLines(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() <= kReportLines)
        return text;
    const qsizetype rest = lines.size() - kReportLines;
    lines.resize(kReportLines);
    lines.append(QStringLiteral("……（另有%1行）").arg(rest));
    return lines.join(QLatin1Char('\n'));
}

// A progress dialog that shows itself when the work takes longer than a moment and lets the user cancel; the
// window repaints while the work runs.
exchange::Progress progressIn(QProgressDialog* dialog)
{
    return [dialog](exchange::Stage, qint64 done, qint64 total) {
        dialog->setValue(total > 0 ? int(done * 1000 / total) : 0);
        return !dialog->wasCanceled();
    };
}

void prepare(QProgressDialog* dialog)
{
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setMinimumDuration(400);
    dialog->setRange(0, 1000);
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    dialog->setValue(0);
}

} // namespace

void Tmain::ImportContactsClick()
{
    const QString path = platform::Pickers::openFile(this, QStringLiteral("导入联系人"), QDir::homePath(), kFilter);
    if (path.isEmpty())
        return;
    // A connection of the import's own: it holds the write lock until the import ends, and the list's reads go on.
    store::Connection connection(QStringLiteral("main.import"), QStringLiteral("call.mdb"));
    QString error;
    if (!connection.open(&error)) {
        ReportError(platform::ErrorLead::openDatabase(QStringLiteral("call.mdb")), error);
        return;
    }
    exchange::ImportReport report;
    bool imported = false;
    {
        QProgressDialog progress(QStringLiteral("正在导入联系人……"), QStringLiteral("取消"), 0, 1000, this);
        prepare(&progress);
        exchange::Importer importer(connection);
        importer.setProgress(progressIn(&progress));
        imported = importer.importFile(path, &report, &error);
    }
    connection.close();
    if (report.cancelled) {
        platform::Prompt::information(this, QStringLiteral("导入已取消，没有导入任何联系人。"));
        return;
    }
    if (!imported) {
        platform::Prompt::warning(this, error);
        return;
    }
    if (report.imported > 0) {
        // The table grew on purpose: the reload runs at once rather than waiting for the counts to agree.
        setWholeTable(false);
        N18Click();
    }
    platform::Prompt::information(this, firstLines(report.details()));
}

void Tmain::ExportContactsClick()
{
    if (ListView1->count() == 0) {
        platform::Prompt::information(this, QStringLiteral("没有记录，请添加！"));
        return;
    }
    QString path = platform::Pickers::saveFile(this, QStringLiteral("导出联系人"),
                                               QDir::home().filePath(QStringLiteral("通讯录.vcf")), kFilter);
    if (path.isEmpty())
        return;
    // A name typed without the extension gets the vCard one, which every phone reads.
    exchange::Format format;
    if (!exchange::formatFromPath(path, &format))
        path += QStringLiteral(".vcf");
    // The rows as the list shows them now: every record, or a search result.
    const RecordModel* model = ListView1->model();
    QStringList names;
    names.reserve(model->count());
    for (int i = 0; i < model->count(); ++i)
        names.append(model->caption(i));
    store::Connection connection(QStringLiteral("main.export"), QStringLiteral("call.mdb"));
    QString error;
    if (!connection.open(&error)) {
        ReportError(platform::ErrorLead::openDatabase(QStringLiteral("call.mdb")), error);
        return;
    }
    exchange::ExportReport report;
    bool exported = false;
    {
        QProgressDialog progress(QStringLiteral("正在导出联系人……"), QStringLiteral("取消"), 0, 1000, this);
        prepare(&progress);
        exchange::Exporter exporter(connection);
        exporter.setProgress(progressIn(&progress));
        exported = exporter.exportNames(path, names, &report, &error);
    }
    connection.close();
    if (report.cancelled) {
        platform::Prompt::information(this, QStringLiteral("导出已取消，没有写入文件。"));
        return;
    }
    if (!exported) {
        platform::Prompt::warning(this, error);
        return;
    }
    platform::Prompt::information(this, report.summary());
}
