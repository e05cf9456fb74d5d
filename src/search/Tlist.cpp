#include "search/Tlist.h"

#include "edit/Photos.h"
#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "hub/MainHub.h"
#include "platform/Centre.h"
#include "platform/ErrorLead.h"
#include "platform/Beep.h"
#include "platform/KeyPreview.h"
#include "platform/ProgramDir.h"
#include "platform/Prompt.h"
#include "store/Statements.h"
#include "ui_Tlist.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QScreen>
#include <QWindow>

namespace {

constexpr int kCellHeight = 22;
// 411 × 237 is the window's outer size, caption and borders included; this is the client area that leaves, so the
// margins below the check box match the others.
constexpr QSize kClientSize(405, 208);

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

Tlist::Tlist(hub::MainHub& main, QWidget* parent)
    : QDialog(parent), alo(QStringLiteral("main"), QStringLiteral("id")), ui(std::make_unique<Ui::Tlist>()),
      m_main(main)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("list"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(kClientSize);

    ui->Edit1->hide();
    QPalette blue = ui->Panel2->palette();
    blue.setColor(QPalette::Window, QColor(191, 191, 255));
    ui->Panel2->setPalette(blue);
    ui->Panel2->hide();
    ui->Panel2->raise();
    // Digits only: pinyin input would arrive as a commit that no key filter sees.
    ui->Edit2->setAttribute(Qt::WA_InputMethodEnabled, false);
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    connect(ui->Button1, &QPushButton::clicked, this, &Tlist::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &Tlist::Button2Click);
    connect(ui->Button3, &QPushButton::clicked, this, &Tlist::Button3Click);
    connect(ui->Button4, &QPushButton::clicked, this, &Tlist::Button4Click);
    connect(ui->Button5, &QPushButton::clicked, this, &Tlist::Button5Click);
    connect(ui->Button6, &QPushButton::clicked, this, &Tlist::Button6Click);
    connect(ui->Button7, &QPushButton::clicked, this, &Tlist::Button7Click);
    connect(ui->Button8, &QPushButton::clicked, this, &Tlist::Button8Click);
    connect(ui->CheckBox1, &QCheckBox::toggled, this, &Tlist::CheckBox1Click);

    platform::KeyPreview::install(this, this);

    platform::Centre::onScreen(this);
}

Tlist::~Tlist() = default;

void Tlist::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void Tlist::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous())
        alo.close();
    QDialog::hideEvent(event);
}

int Tlist::recordCount() const
{
    return m_main.recordList()->count();
}

int Tlist::position() const
{
    return ui->Edit1->text().toInt();
}

void Tlist::setPosition(int n)
{
    ui->Edit1->setText(QString::number(n));
}

void Tlist::FormShow()
{
    setFixedSize(kClientSize);
    const std::pair<QWidget*, QRect> fixed[] = {
        {ui->GroupBox1, {13, 8, 287, 179}}, {ui->GroupBox2, {305, 8, 84, 179}}, {ui->Button5, {12, 20, 60, 20}},
        {ui->Button4, {12, 45, 60, 20}},    {ui->Button6, {12, 70, 60, 20}},    {ui->Button3, {12, 96, 60, 20}},
        {ui->Button2, {12, 121, 60, 20}},   {ui->Button1, {12, 147, 60, 20}},   {ui->Panel2, {111, 35, 203, 63}},
        {ui->Edit2, {52, 32, 57, 20}},      {ui->Button7, {132, 33, 60, 20}},
    };
    for (const auto& [widget, geometry] : fixed)
        widget->setGeometry(geometry);
    ui->CheckBox1->move(296, 192);
    ui->Button8->setGeometry(13, 188, 104, 18);
    ui->Label3->move(13, 14);
    ui->Label1->move(13, 36);
    ui->Label2->move(113, 36);
    // The layout follows the box as it was left, so a window closed with the photo hidden reopens consistent.
    ApplyCard(ui->CheckBox1->isChecked());

    ui->Panel2->hide();
    m_reportedPhotos.clear();
    m_showing = true;
    ShowRecord(1);
    m_showing = false;
    // The first photo once the window is on the screen (see eventFilter).
    if (QWindow* handle = windowHandle()) {
        handle->removeEventFilter(this);
        handle->installEventFilter(this);
        if (handle->isExposed())
            QMetaObject::invokeMethod(this, &Tlist::DrawPhoto, Qt::QueuedConnection);
    }
    // A fresh showing starts clean: buttons greyed at the ends of an earlier showing would otherwise stay greyed.
    ui->Button5->setEnabled(false);
    ui->Button4->setEnabled(recordCount() > 1);
}

void Tlist::ApplyCard(bool photoShown)
{
    struct Cell {
        QWidget* widget;
        int top;
        int shownLeft, shownWidth;
        int hiddenLeft, hiddenWidth;
    };
    const Cell cells[] = {
        {ui->Panel1, 21, 99, 40, 16, 55},   {ui->p1, 21, 137, 71, 69, 117},     {ui->Panel3, 21, 203, 40, 181, 55},
        {ui->p2, 21, 241, 31, 234, 38},     {ui->Panel8, 42, 99, 40, 16, 55},   {ui->p3, 42, 137, 40, 69, 60},
        {ui->Panel6, 42, 175, 40, 127, 55}, {ui->p4, 42, 214, 58, 181, 91},     {ui->Panel9, 63, 99, 55, 16, 55},
        {ui->p5, 63, 152, 120, 69, 203},    {ui->Panel12, 84, 99, 55, 16, 55},  {ui->p6, 84, 152, 120, 69, 203},
        {ui->Panel14, 105, 99, 55, 16, 55}, {ui->p7, 105, 152, 120, 69, 203},   {ui->Panel17, 126, 16, 55, 16, 55},
        {ui->p8, 126, 69, 203, 69, 203},    {ui->Panel16, 147, 16, 55, 16, 55}, {ui->p9, 147, 69, 203, 69, 203},
    };
    for (const Cell& c : cells) {
        c.widget->setGeometry(photoShown ? c.shownLeft : c.hiddenLeft, c.top, photoShown ? c.shownWidth : c.hiddenWidth,
                              kCellHeight);
    }
    ui->Panel19->setGeometry(15, 21, 84, 106);
    ui->Panel19->setVisible(photoShown);
    ui->Panel9->setText(photoShown ? QStringLiteral("电  话") : QStringLiteral("电话"));
    ui->Panel12->setText(photoShown ? QStringLiteral("手  机") : QStringLiteral("手机"));
}

void Tlist::CheckBox1Click()
{
    ApplyCard(ui->CheckBox1->isChecked());
    DrawPhoto();
}

void Tlist::ShowRecord(int n)
{
    const int total = recordCount();
    // The list may have changed under the browser (a reload that was under way); never read past its end.
    if (n < 1 || n > total)
        return;
    setPosition(n);
    ui->GroupBox1->setTitle(QStringLiteral("第%1条/共%2条").arg(n).arg(total));
    const QString name = m_main.recordList()->model()->caption(n - 1);

    alo.close();
    alo.setConnection(&m_main.mainConnection());
    alo.setStatement(store::sql::SelectMainByFirst);
    alo.setParameter(QStringLiteral("first"), name);
    if (!alo.open()) {
        platform::Prompt::error(this, platform::ErrorLead::readDatabase(), alo.errorText());
        return;
    }
    auto field = [this](const char* column) { return alo.field(QString::fromUtf8(column)); };
    const QString month = field("生月").trimmed();
    const QString day = field("生日").trimmed();
    const bool birthday =
        !month.isEmpty() && month != QLatin1String("0") && !day.isEmpty() && day != QLatin1String("0");
    ui->p1->setText(field("姓名"));
    ui->p2->setText(field("性别"));
    ui->p4->setText(birthday ? month + QStringLiteral("月") + day + QStringLiteral("日") : QString());
    ui->p3->setText(field("关系"));
    ui->p5->setText(field("电话"));
    ui->p6->setText(field("手机"));
    ui->p7->setText(field("小灵通"));
    ui->p8->setText(field("住址"));
    ui->p9->setText(field("备注"));
    m_photo = field("照片");
    m_photoDrawn = false;
    alo.close();
    // While the window comes up the photo waits until it is visible: a warning about it must not stand before the
    // window it belongs to.
    if (isVisible() && !m_showing)
        DrawPhoto();
}

void Tlist::DrawPhoto()
{
    // An unticked box shows no photo: nothing is read, and nothing is reported about it.
    if (m_photoDrawn || !ui->CheckBox1->isChecked() || !isVisible())
        return;
    m_photoDrawn = true;
    const QString value = m_photo;
    QString error;
    ui->Image1->setPixmap(QPixmap::fromImage(Photos::forValue(value, ui->Image1->size(), &error)));
    if (error.isEmpty() || m_reportedPhotos.contains(value))
        return;
    // A missing photo file just shows the placeholder; one that is there but is no picture is worth telling.
    const QFileInfo file(Photos::path(value));
    if (!platform::ProgramDir::isSafeComponent(value) || !file.isFile() || !file.isReadable() ||
        platform::ProgramDir::leadsOut(file.filePath()))
        return;
    m_reportedPhotos.insert(value);
    platform::Prompt::warning(this, QStringLiteral("照片文件“photo/") + value +
                                        QStringLiteral("”不是能显示的图片，已显示默认照片。"));
}

void Tlist::Button4Click()
{
    const int n = position();
    if (n + 1 > recordCount()) {
        ui->Button4->setEnabled(false);
        return;
    }
    ui->Button5->setEnabled(true);
    ShowRecord(n + 1);
}

void Tlist::Button5Click()
{
    const int n = position();
    if (n == 1) {
        ui->Button5->setEnabled(false);
        return;
    }
    ui->Button4->setEnabled(true);
    ShowRecord(n - 1);
}

void Tlist::Button6Click()
{
    if (ui->Panel2->isVisible()) {
        ui->Panel2->hide();
        return;
    }
    ui->Label3->setText(QStringLiteral("当前数据表中共有%1条记录").arg(recordCount()));
    ui->Label3->adjustSize();
    ui->Panel2->show();
    ui->Edit2->setFocus();
}

void Tlist::Button7Click()
{
    const int total = recordCount();
    bool ok = false;
    const int k = ui->Edit2->text().trimmed().toInt(&ok);
    // Pasted text can be anything; it is refused like a number out of range, and the position stays.
    if (!ok) {
        platform::Prompt::information(this, QStringLiteral("请在“转到第”后面填写1到%1之间的数字！").arg(total));
        ui->Edit2->setFocus();
        return;
    }
    if (k <= 0 || k > total) {
        platform::Prompt::caution(this, QStringLiteral("您填写的数字超出了记录范围，请重新填写！"));
        ui->Edit2->setFocus();
        return;
    }
    const int from = position();
    ui->Panel2->hide();
    ShowRecord(k);
    // A jump is a move like paging: it frees the button of the end it moved away from.
    if (k > from)
        ui->Button5->setEnabled(true);
    else if (k < from)
        ui->Button4->setEnabled(true);
}

void Tlist::Button3Click()
{
    HandOver(&hub::MainHub::N7Click);
}

void Tlist::Button2Click()
{
    HandOver(&hub::MainHub::N10Click);
}

void Tlist::HandOver(void (hub::MainHub::*command)())
{
    const int n = position();
    // Hidden first: the main window's questions and the modify window must not sit under a stay-on-top browser.
    hide();
    RecordListView* list = m_main.recordList();
    list->clearSelection();
    list->selectRow(n - 1);
    (m_main.*command)();
    reject();
}

void Tlist::Button8Click()
{
    const int n = position();
    if (n >= 1 && n <= recordCount())
        m_main.ShowContactCode(m_main.recordList()->model()->caption(n - 1), this);
}

void Tlist::Button1Click()
{
    reject();
}

bool Tlist::Edit2KeyPress(const QKeyEvent* key)
{
    // Short-cuts type nothing; refusing them would block paste, copy and undo.
    const Qt::KeyboardModifiers mods = key->modifiers();
    if ((mods & (Qt::ControlModifier | Qt::MetaModifier)) && !(mods & Qt::AltModifier))
        return false;
    const int k = key->key();
    if (k == Qt::Key_Backspace || k == Qt::Key_Tab || k == Qt::Key_Backtab)
        return false;
    const QString text = key->text();
    const QChar c = text.isEmpty() ? QChar() : text.at(0);
    // Arrows, Delete and Home move or erase without typing a character; Enter is refused like any other key.
    const bool typesNothing = text.isEmpty() || c.unicode() < 0x20 || c.unicode() == 0x7f;
    if (typesNothing && k != Qt::Key_Return && k != Qt::Key_Enter)
        return false;
    if (text.size() == 1 && isDigit(c))
        return false;
    platform::Beep::beep();
    return true;
}

bool Tlist::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Expose && watched == windowHandle()) {
        if (windowHandle()->isExposed() && !m_photoDrawn)
            QMetaObject::invokeMethod(this, &Tlist::DrawPhoto, Qt::QueuedConnection);
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return QDialog::eventFilter(watched, event);
    if (auto* w = qobject_cast<QWidget*>(watched); w && w->window() != this)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const int k = key->key();
    if (k == Qt::Key_Escape) {
        event->accept();
        if (type == QEvent::KeyPress)
            reject();
        return true;
    }
    if (type != QEvent::KeyPress)
        return false;
    if (watched == ui->Edit2)
        return Edit2KeyPress(key);
    // Enter means nothing here: with no default button it must not press the focused one either.
    return k == Qt::Key_Return || k == Qt::Key_Enter;
}
