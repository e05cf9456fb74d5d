// Contacts in and out: a vCard or CSV file imported into the table, and the listed rows exported into one.
#include "mainwin/Tmain.h"

#include "exchange/Exporter.h"
#include "exchange/Format.h"
#include "exchange/Importer.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/ImportOptions.h"
#include "platform/ErrorLead.h"
#include "platform/Pickers.h"
#include "platform/Prompt.h"
#include "store/Connection.h"

#include <QDir>
#include <QFileInfo>
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
    ImportOptions options(this, QFileInfo(path).fileName());
    if (options.exec() != QDialog::Accepted)
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
        importer.setExisting(options.fillBlanks() ? exchange::Importer::Existing::FillBlanks
                                                  : exchange::Importer::Existing::Skip);
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
    if (report.imported > 0 || !report.filled.isEmpty()) {
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
    // Suggested without an extension: the file type chosen in the dialog gives it.
    QString type;
    const QString typed = platform::Pickers::saveFile(this, QStringLiteral("导出联系人"),
                                                      QDir::home().filePath(QStringLiteral("通讯录")), kFilter, &type);
    if (typed.isEmpty())
        return;
    const QString path = exchange::withExtension(
        typed, type.startsWith(QLatin1String("CSV")) ? exchange::Format::Csv : exchange::Format::VCard);
    // The dialog asked about the name as typed; the file with the extension may exist too.
    if (path != typed && QFileInfo::exists(path) &&
        !platform::Prompt::question(this,
                                    QStringLiteral("文件“%1”已经存在。要替换它吗？").arg(QFileInfo(path).fileName())))
        return;
    const QStringList names = ShownNames();
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
    platform::Prompt::information(this, firstLines(report.details()));
}

QStringList Tmain::ShownNames() const
{
    const RecordModel* model = ListView1->model();
    QStringList names;
    names.reserve(model->count());
    for (int i = 0; i < model->count(); ++i)
        names.append(model->caption(i));
    return names;
}
