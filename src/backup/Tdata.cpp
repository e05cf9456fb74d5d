#include "backup/Tdata.h"

#include "ui_Tdata.h"

#include "backup/Archive.h"
#include "backup/Backup.h"
#include "backup/DailyBackup.h"
#include "backup/Restore.h"
#include "backup/ServerForm.h"
#include "platform/Pickers.h"
#include "platform/Prompt.h"

#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QThread>

#include <algorithm>

namespace {

const QString kFilter = QStringLiteral("备份档案 (*.zip);;所有文件 (*)");

QString when(const QDateTime& t)
{
    return t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace

Tdata::Tdata(const QString& programDir, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::Tdata>()), m_dir(QDir(programDir).absolutePath())
{
    ui->setupUi(this);
    ui->ListView1->header()->setStretchLastSection(true);
    ui->ListView1->setColumnWidth(0, 130);
    ui->ListView1->setColumnWidth(1, 60);
    connect(ui->Button1, &QPushButton::clicked, this, &Tdata::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &Tdata::Button2Click);
    connect(ui->Button3, &QPushButton::clicked, this, &Tdata::Button3Click);
    connect(ui->Button4, &QPushButton::clicked, this, &Tdata::close);
    connect(ui->ListView1, &QTreeWidget::itemDoubleClicked, this, &Tdata::Button2Click);
    // The office server's form, between the backup and the restore.
    m_server = new ServerForm(m_dir, this);
    m_server->setObjectName(QStringLiteral("ServerForm"));
    ui->Layout1->insertWidget(ui->Layout1->indexOf(ui->GroupBox2), m_server);
    connect(m_server, &ServerForm::busyChanged, this, [this](bool busy) { setBusy(busy || isBusy()); });
    // Tall enough for the wrapped texts as well as the form: a window's minimum height leaves out the lines that
    // wrapping adds.
    resize(width(), std::max(height(), ui->Layout1->totalHeightForWidth(width())));
    FillList();
}

Tdata::~Tdata()
{
    // The worker reports into this window; it cannot be left running without it.
    if (m_worker)
        m_worker->wait();
}

void Tdata::FillList()
{
    ui->ListView1->clear();
    for (const backup::DailyBackup::Listed& a : backup::DailyBackup::list(m_dir)) {
        auto* item = new QTreeWidgetItem(ui->ListView1);
        item->setText(0, when(a.summary.created));
        item->setText(1, a.problem.isEmpty() ? QString::number(a.summary.contacts) : QStringLiteral("无法读取"));
        item->setText(2, QFileInfo(a.summary.path).fileName());
        item->setData(0, Qt::UserRole, a.summary.path);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (ui->ListView1->topLevelItemCount() > 0)
        ui->ListView1->setCurrentItem(ui->ListView1->topLevelItem(0));
    ui->Button2->setEnabled(!isBusy() && ui->ListView1->topLevelItemCount() > 0);
}

void Tdata::Button1Click()
{
    const QString suggested = QDir::home().filePath(
        QStringLiteral("Velloran备份-%1.zip").arg(QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))));
    QString file = platform::Pickers::saveFile(this, QStringLiteral("备份到"), suggested, kFilter);
    if (file.isEmpty())
        return;
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".zip");
    auto summary = std::make_shared<backup::ArchiveSummary>();
    startWork(
        QStringLiteral("正在备份……"),
        [dir = m_dir, file, summary](const backup::Progress& p, QString* e) {
            return backup::Backup::write(dir, file, p, summary.get(), e);
        },
        [this, summary](bool ok, const QString& error) {
            if (!ok) {
                platform::Prompt::warning(this, QStringLiteral("备份失败：\n%1").arg(error));
                return;
            }
            FillList();
            const QString leftOut = backup::leftOutSentence(*summary);
            platform::Prompt::information(this, QStringLiteral("备份完成。\n%1\n%2 位联系人，%3 个文件。%4")
                                                    .arg(QDir::toNativeSeparators(summary->path))
                                                    .arg(summary->contacts)
                                                    .arg(summary->files)
                                                    .arg(leftOut.isEmpty() ? QString() : '\n' + leftOut));
        });
}

void Tdata::Button2Click()
{
    const QTreeWidgetItem* item = ui->ListView1->currentItem();
    if (isBusy() || !item)
        return;
    restoreFrom(item->data(0, Qt::UserRole).toString());
}

void Tdata::Button3Click()
{
    const QString file =
        platform::Pickers::openFile(this, QStringLiteral("从文件恢复"), backup::DailyBackup::folder(m_dir), kFilter);
    if (!file.isEmpty())
        restoreFrom(file);
}

void Tdata::restoreFrom(const QString& archive)
{
    backup::ArchiveSummary s;
    QString error;
    if (!backup::Archive::readSummary(archive, &s, &error)) {
        platform::Prompt::warning(this, error);
        return;
    }
    if (!platform::Prompt::question(this, QStringLiteral("恢复会用这个档案中的数据替换现在的全部数据：\n%1\n"
                                                         "备份于 %2，%3 位联系人。\n"
                                                         "现在的数据会先移到 backup 文件夹中保存。确定要恢复吗？")
                                              .arg(QDir::toNativeSeparators(archive), when(s.created))
                                              .arg(s.contacts)))
        return;
    auto result = std::make_shared<backup::Restore::Result>();
    startWork(
        QStringLiteral("正在检查并恢复……"),
        [dir = m_dir, archive, result](const backup::Progress& p, QString* e) {
            return backup::Restore::run(dir, archive, p, result.get(), e);
        },
        [this, result](bool ok, const QString& error) {
            FillList();
            if (!ok) {
                platform::Prompt::warning(this, QStringLiteral("恢复失败，现在的数据没有改变：\n%1").arg(error));
                return;
            }
            platform::Prompt::information(this, QStringLiteral("恢复完成，共 %1 位联系人。\n原来的数据保存在：\n%2")
                                                    .arg(result->summary.contacts)
                                                    .arg(QDir::toNativeSeparators(result->safetyCopy)));
        });
}

void Tdata::startWork(const QString& label, Work work, std::function<void(bool, const QString&)> done)
{
    setBusy(true);
    ui->Label2->setText(label);
    ui->ProgressBar1->setValue(0);
    auto outcome = std::make_shared<std::pair<bool, QString>>(false, QString());
    QPointer<QProgressBar> bar = ui->ProgressBar1;
    const backup::Progress progress = [bar](qint64 at, qint64 total) {
        const int value = total > 0 ? int(at * 1000 / total) : 0;
        QMetaObject::invokeMethod(
            bar,
            [bar, value] {
                if (bar)
                    bar->setValue(value);
            },
            Qt::QueuedConnection);
    };
    m_worker = QThread::create([work, progress, outcome] { outcome->first = work(progress, &outcome->second); });
    connect(m_worker, &QThread::finished, this, [this, outcome, done] {
        m_worker->deleteLater();
        m_worker = nullptr;
        setBusy(false);
        ui->ProgressBar1->setValue(outcome->first ? 1000 : 0);
        ui->Label2->setText(outcome->first ? QStringLiteral("完成。") : QString());
        done(outcome->first, outcome->second);
    });
    m_worker->start();
}

void Tdata::setBusy(bool busy)
{
    if (m_server)
        m_server->setEnabled(!busy || m_server->isBusy());
    ui->Button1->setEnabled(!busy);
    ui->Button3->setEnabled(!busy);
    ui->Button4->setEnabled(!busy);
    ui->Button2->setEnabled(!busy && ui->ListView1->topLevelItemCount() > 0);
}

void Tdata::reject()
{
    if (!isBusy() && !m_server->isBusy())
        QDialog::reject();
}

void Tdata::closeEvent(QCloseEvent* event)
{
    if (isBusy() || m_server->isBusy())
        event->ignore();
    else
        QDialog::closeEvent(event);
}
