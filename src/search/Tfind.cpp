#include "search/Tfind.h"

#include "hub/MainHub.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "platform/Centre.h"
#include "platform/ErrorLead.h"
#include "platform/KeyPreview.h"
#include "platform/Prompt.h"
#include "search/Pinyin.h"
#include "store/ContactReader.h"
#include "store/Statements.h"
#include "ui_Tfind.h"

#include <QHideEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>
#include <vector>

Tfind::Tfind(hub::MainHub& main, QWidget* parent)
    : QDialog(parent), afo(QStringLiteral("main"), QStringLiteral("id")), ui(std::make_unique<Ui::Tfind>()),
      m_main(main), m_pinyin(std::make_shared<search::PinyinCache>()),
      m_closing(std::make_shared<std::atomic<bool>>(false))
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("find"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setFixedSize(348, 197);
    ui->Panel1->hide();

    connect(ui->Button1, &QPushButton::clicked, this, &Tfind::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &Tfind::Button2Click);
    connect(ui->Button3, &QPushButton::clicked, this, &Tfind::Button3Click);
    connect(ui->RadioButton1, &QRadioButton::clicked, this, &Tfind::RadioButton1Click);
    connect(ui->RadioButton2, &QRadioButton::clicked, this, &Tfind::RadioButton2Click);
    connect(ui->RadioButton3, &QRadioButton::clicked, this, &Tfind::RadioButton3Click);
    connect(ui->RadioButton4, &QRadioButton::clicked, this, &Tfind::RadioButton4Click);

    // Enter and Esc must reach the window before a focused line edit or button acts on them.
    platform::KeyPreview::install(this, this);

    // The names' pinyin is read ahead while the reader is idle, in the order the searches ask for it (from the
    // table's first row on, which is the block's last), a few thousand names a step.
    struct Ahead {
        const store::ContactRows* block = nullptr;
        int next = 0;
    };
    m_main.contactReader().whenIdle(
        [cache = m_pinyin, closing = m_closing, ahead = Ahead()](const store::ContactReader::Rows& rows) mutable {
            if (*closing)
                return true;
            if (ahead.block != rows.get()) {
                ahead.block = rows.get();
                ahead.next = rows->size();
            }
            const int end = std::max(0, ahead.next - 4096);
            for (int row = ahead.next - 1; row >= end; --row)
                cache->keyFor(rows->text(row, 0));
            ahead.next = end;
            return end == 0;
        });
}

Tfind::~Tfind()
{
    *m_closing = true;
}

void Tfind::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    platform::Centre::onScreen(this);
    FormShow();
}

void Tfind::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous())
        afo.close();
    QDialog::hideEvent(event);
}

void Tfind::FormShow()
{
    ui->PageControl1->setCurrentIndex(0);
    ui->Panel1->hide();
    ui->Button2->setEnabled(false);
    ui->Edit1->setFocus();
}

void Tfind::ShowResult(const QString& text)
{
    ui->Panel1->setText(text);
    ui->Panel1->show();
}

void Tfind::ChooseField(const QString& prompt, const QString& hint)
{
    ui->Panel1->hide();
    ui->Edit1->setStatusTip(hint);
    ui->Label1->setText(prompt);
    ui->Edit1->clear();
    ui->Edit1->setFocus();
}

void Tfind::RadioButton1Click()
{
    ChooseField(QStringLiteral("请输入姓名："), QStringLiteral("输入姓名或其中的一部分。"));
}

void Tfind::RadioButton2Click()
{
    ChooseField(QStringLiteral("请输入电话号码："), QStringLiteral("输入电话号码或其中的一部分。"));
}

void Tfind::RadioButton3Click()
{
    ChooseField(QStringLiteral("请输入手机号码："), QStringLiteral("输入手机号码或其中的一部分。"));
}

void Tfind::RadioButton4Click()
{
    ChooseField(QStringLiteral("请输入小灵通号码："), QStringLiteral("输入小灵通号码或其中的一部分。"));
}

void Tfind::EditClick(QLineEdit* edit)
{
    edit->clear();
    ui->Panel1->hide();
    ui->Button2->setEnabled(false);
}

void Tfind::Button1Click()
{
    Search(!ui->CheckBox1->isChecked(), false);
}

void Tfind::Button2Click()
{
    Search(false, true);
}

void Tfind::Button3Click()
{
    reject();
}

void Tfind::Search(bool countOnly, bool view)
{
    if (ui->PageControl1->currentWidget() == ui->TabSheet2) {
        CompoundSearch(ui->Edit2->text(), ui->Edit3->text(), ui->Edit4->text(), ui->Edit5->text(), countOnly);
        return;
    }
    const QList<Condition> conditions = SearchRules::single(
        ui->RadioButton2->isChecked(), ui->RadioButton3->isChecked(), ui->RadioButton4->isChecked(), ui->Edit1->text());
    if (conditions.isEmpty()) {
        if (view)
            ui->Panel1->hide();
        else
            ShowResult(QStringLiteral("请输入查询条件！"));
        ui->Edit1->setFocus();
        return;
    }
    SingleSearch(conditions.first().column, conditions.first().text, countOnly);
}

void Tfind::SingleSearch(const QString& column, const QString& text, bool countOnly)
{
    Run({{column, text}}, countOnly, false);
}

void Tfind::CompoundSearch(const QString& relation, const QString& phone, const QString& mobile, const QString& address,
                           bool countOnly)
{
    const QList<Condition> conditions = SearchRules::compound(relation, phone, mobile, address);
    if (conditions.isEmpty()) {
        ShowResult(QStringLiteral("请输入查询条件！"));
        ui->Button2->setEnabled(false);
        ui->Edit2->setFocus();
        return;
    }
    Run(conditions, countOnly, true);
}

void Tfind::Run(const QList<Condition>& conditions, bool countOnly, bool compound)
{
    afo.close();
    afo.setConnection(m_main.sharedConnection());
    afo.setStatement(store::sql::SelectMain);
    if (!afo.connection()) {
        platform::Prompt::error(this, platform::ErrorLead::readDatabase(),
                                QStringLiteral("Missing Connection or ConnectionString"));
        return;
    }
    // A single search on 姓名 in Latin letters also finds the names it spells in pinyin ("zs" finds 张三).
    const QString pinyin = !compound && conditions.size() == 1 && conditions.first().column == QStringLiteral("姓名")
                               ? search::normalisePinyinInput(conditions.first().text)
                               : QString();
    // One whole-table read serves the count and the list; the rows are tested in memory in the reader's thread, so
    // the search text never reaches SQL and quotes, % and _ are plain characters. The rows read last serve while
    // the table provably has not changed since.
    store::ContactReader::Rows rows;
    std::vector<quint32> matches;
    QString error;
    const bool read = m_main.contactReader().visit(
        [&](const store::ContactReader::Rows& all) {
            rows = all;
            matches = SearchRules::find(*all, conditions, pinyin, m_pinyin.get());
        },
        &error);
    // A read that broke off must not pass for a complete result.
    if (!read) {
        platform::Prompt::error(this, platform::ErrorLead::readDatabase(), error);
        return;
    }
    const auto count = qsizetype(matches.size());

    if (count == 0) {
        ShowResult(QStringLiteral("没有找到符合条件的记录！"));
        if (compound)
            ui->Button2->setEnabled(false);
        return;
    }
    ShowResult(QStringLiteral("找到") + QString::number(count) + QStringLiteral("条符合条件的记录！"));
    if (compound)
        ui->Button2->setEnabled(false);
    if (countOnly) {
        ui->Button2->setEnabled(true);
        return;
    }
    m_main.recordList()->model()->setRows(std::move(rows), std::move(matches));
    m_main.setWholeTable(false);
    m_main.RequestSummary();
    accept();
}

bool Tfind::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
            event->accept();
            if (type == QEvent::KeyPress) {
                if (key == Qt::Key_Escape)
                    reject();
                else
                    Button1Click();
            }
            return true;
        }
    } else if (type == QEvent::MouseButtonRelease) {
        auto* edit = qobject_cast<QLineEdit*>(watched);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const bool input =
            edit == ui->Edit1 || edit == ui->Edit2 || edit == ui->Edit3 || edit == ui->Edit4 || edit == ui->Edit5;
        if (input && mouse->button() == Qt::LeftButton && edit->rect().contains(mouse->position().toPoint()))
            EditClick(edit);
    }
    return QDialog::eventFilter(watched, event);
}
