#include "tools/TForm9.h"

#include "platform/Centre.h"
#include "platform/KeyPreview.h"
#include "platform/Prompt.h"
#include "store/Query.h"
#include "store/Statements.h"
#include "ui_TForm9.h"

#include <QButtonGroup>
#include <QHideEvent>
#include <QKeyEvent>
#include <QShowEvent>

namespace {

// Said first when qh.mdb cannot be read, before the database's own text.
const QString kUnreadable = QStringLiteral("区号数据文件qh.mdb无法读取，请重新安装！");

} // namespace

TForm9::TForm9(QWidget* parent)
    : QDialog(parent), acper(QStringLiteral("Form9.acper"), QStringLiteral("qh.mdb")),
      ui(std::make_unique<Ui::TForm9>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("Form9"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(281, 225);

    ui->ComboBox1->addItems(AreaCodeRules::provinces());
    ui->ComboBox1->setCurrentIndex(0);
    // The result lines sit on the window's colour, as plain text rather than a list field.
    QPalette lines = ui->ListBox1->palette();
    lines.setColor(QPalette::Base, palette().color(QPalette::Window));
    ui->ListBox1->setPalette(lines);
    ui->ListBox1->addItem(QStringLiteral("请选择查询方式！"));

    connect(ui->modeGroup, &QButtonGroup::buttonToggled, this, &TForm9::UpdateModeTabStops);
    UpdateModeTabStops();
    connect(ui->RadioButton1, &QRadioButton::clicked, this, &TForm9::RadioButton1Click);
    connect(ui->RadioButton2, &QRadioButton::clicked, this, &TForm9::RadioButton2Click);
    connect(ui->RadioButton3, &QRadioButton::clicked, this, &TForm9::RadioButton3Click);
    connect(ui->Button1, &QPushButton::clicked, this, &TForm9::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &TForm9::Button2Click);

    // Enter and Esc must reach the window before a focused input or button acts on them.
    platform::KeyPreview::install(this, this);
}

TForm9::~TForm9() = default;

void TForm9::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    platform::Centre::onScreen(this);
    FormShow();
}

void TForm9::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous())
        acper.close();
    QDialog::hideEvent(event);
}

void TForm9::FormShow()
{
    QString error;
    if (!acper.open(&error))
        platform::Prompt::error(this, kUnreadable, error);
    ui->ListBox1->clear();
    ui->ListBox1->addItem(QStringLiteral("请选择查询方式！"));
    if (!ui->ComboBox1->isHidden())
        ui->ComboBox1->setFocus();
    else if (!ui->Edit1->isHidden())
        ui->Edit1->setFocus();
}

AreaCodeRules::Mode TForm9::mode() const
{
    if (ui->RadioButton2->isChecked())
        return AreaCodeRules::Mode::City;
    if (ui->RadioButton3->isChecked())
        return AreaCodeRules::Mode::Code;
    return AreaCodeRules::Mode::Province;
}

void TForm9::UpdateModeTabStops()
{
    // Tab stops at the chosen mode only; the arrow keys move between the modes.
    for (QAbstractButton* b : ui->modeGroup->buttons())
        b->setFocusPolicy(b->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

void TForm9::RadioButton1Click()
{
    ui->Edit1->hide();
    ui->ComboBox1->show();
    ui->Label1->setText(QStringLiteral("选择省份："));
    ui->ComboBox1->setFocus();
}

void TForm9::ChooseInput(const QString& prompt)
{
    ui->ComboBox1->hide();
    ui->Edit1->show();
    ui->Edit1->setFocus();
    ui->Label1->setText(prompt);
}

void TForm9::RadioButton2Click()
{
    ChooseInput(QStringLiteral("城市名称："));
}

void TForm9::RadioButton3Click()
{
    ChooseInput(QStringLiteral("电话区号："));
}

void TForm9::Button1Click()
{
    ui->ListBox1->clear();
    const AreaCodeRules::Mode how = mode();
    const QString input = how == AreaCodeRules::Mode::Province ? ui->ComboBox1->currentText() : ui->Edit1->text();
    if (AreaCodeRules::lacksInput(how, input)) {
        ui->ListBox1->addItem(QStringLiteral("请填写完整！"));
        ui->Edit1->setFocus();
        return;
    }
    // One read of the whole table, finished before anything is listed; the input never reaches SQL.
    QList<AreaCodeRules::Row> rows;
    {
        store::Query afo(acper, store::sql::SelectAreaCodes);
        if (!afo.exec()) {
            platform::Prompt::error(this, kUnreadable, afo.errorText());
            return;
        }
        const int province = afo.column(QStringLiteral("省份"));
        const int city = afo.column(QStringLiteral("城市"));
        const int code = afo.column(QStringLiteral("区号"));
        while (afo.next())
            rows.append({afo.text(province), afo.text(city), afo.text(code)});
        // A read that broke off must not pass for "nothing found".
        if (!afo.errorText().isEmpty()) {
            platform::Prompt::error(this, kUnreadable, afo.errorText());
            return;
        }
    }
    ui->ListBox1->addItems(AreaCodeRules::lookup(how, input, rows));
    // A new result starts at its first line, wherever the last one was scrolled to.
    ui->ListBox1->scrollToTop();
}

void TForm9::Button2Click()
{
    reject();
}

bool TForm9::eventFilter(QObject* watched, QEvent* event)
{
    // The province box's open list is a window of its own: there Enter takes the highlighted province and Esc
    // closes the list only.
    if (auto* w = qobject_cast<QWidget*>(watched); w && w->window() != this)
        return QDialog::eventFilter(watched, event);
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
        // An arrow key on a mode chooses the next one as a click would, so the focus ends in that mode's input
        // (the toolkit's own arrow handling would move the focus back onto the button after the click).
        QRadioButton* const modes[] = {ui->RadioButton1, ui->RadioButton2, ui->RadioButton3};
        int step = 0;
        if (key == Qt::Key_Down || key == Qt::Key_Right)
            step = 1;
        else if (key == Qt::Key_Up || key == Qt::Key_Left)
            step = -1;
        for (int i = 0; step != 0 && i < 3; ++i) {
            if (watched != modes[i])
                continue;
            if (type == QEvent::KeyPress)
                modes[(i + step + 3) % 3]->click();
            event->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
