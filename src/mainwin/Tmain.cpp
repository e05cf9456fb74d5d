#include "mainwin/Tmain.h"

#include "hub/RecordListView.h"
#include "hub/RecordModel.h"
#include "mainwin/BirthdayReminder.h"
#include "mainwin/Forms.h"
#include "mainwin/LiveUpdates.h"
#include "mainwin/NotesPad.h"
#include "mainwin/StatusUserPanel.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "platform/Step.h"
#include "store/ContactReader.h"
#include "store/Tdmper.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLineEdit* makeHidden(QWidget* parent, const char* name, const QString& text)
{
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromLatin1(name));
    e->hide();
    return e;
}

} // namespace

Tmain::Tmain(QWidget* parent)
    : QMainWindow(parent), acper(QStringLiteral("main.acper"), QStringLiteral("call.mdb")),
      m_reader(std::make_unique<store::ContactReader>())
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Velloranv4.0"));
    // The original outer size was 581 × 390; here the client area gets that size, since the frame belongs to
    // the window manager.
    resize(581, 390);

    Timer3 = platform::newStep(this, "Timer3", 30);
    Timer4 = platform::newStep(this, "Timer4", 30);
    connect(Timer3, &QTimer::timeout, this, &Tmain::Timer3Timer);
    connect(Timer4, &QTimer::timeout, this, &Tmain::Timer4Timer);
    Timer2 = platform::newStep(this, "Timer2", 500);
    Timer5 = platform::newStep(this, "Timer5", 5);
    Timer6 = platform::newStep(this, "Timer6", 200);
    Timer7 = platform::newStep(this, "Timer7", 5);
    connect(Timer2, &QTimer::timeout, this, &Tmain::Timer2Timer);
    connect(Timer5, &QTimer::timeout, this, &Tmain::Timer5Timer);
    connect(Timer6, &QTimer::timeout, this, &Tmain::Timer6Timer);
    connect(Timer7, &QTimer::timeout, this, &Tmain::Timer7Timer);

    buildMenus();
    buildWorkArea();
    buildToolBar();
    buildPopupMenu();
    buildStatusBar();
    buildHiddenState();
    m_live = new LiveUpdates(*this);
    Timer2->start();
}

Tmain::~Tmain()
{
    // Children losing the focus, text or selection while they are destroyed must not reach this window any more.
    disconnect(m_focusConnection);
    Memo1->disconnect(this);
    Memo1->disconnect(m_notes);
    Memo3->disconnect(this);
    ListView1->selectionModel()->disconnect(this);
}

QWidget* Tmain::buildHeader(QWidget* page, const QString& icon, QLabel** bold, QLabel** plain, const QString& boldText,
                            const QString& plainText)
{
    auto* header = new QWidget(page);
    header->setFixedHeight(57);
    auto* image = new QLabel(header);
    image->setPixmap(QIcon(icon).pixmap(30, 30));
    image->setGeometry(4, 13, 30, 30);
    // Names typed by users appear here: shown as plain text, never interpreted as markup.
    *bold = new QLabel(boldText, header);
    (*bold)->setTextFormat(Qt::PlainText);
    QFont f = (*bold)->font();
    f.setBold(true);
    (*bold)->setFont(f);
    (*bold)->move(39, 15);
    (*bold)->adjustSize();
    auto* line = new QFrame(header);
    line->setGeometry(36, 30, 81, 1);
    line->setFrameShape(QFrame::NoFrame);
    line->setAutoFillBackground(true);
    QPalette lp = line->palette();
    lp.setColor(QPalette::Window, lp.color(QPalette::Mid));
    line->setPalette(lp);
    *plain = new QLabel(plainText, header);
    (*plain)->setTextFormat(Qt::PlainText);
    (*plain)->move(39, 34);
    (*plain)->adjustSize();
    return header;
}

void Tmain::buildWorkArea()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("WorkArea"));
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    // The page control keeps its full width inside a clipping holder, which is what slides: a tab widget
    // squeezed to the width of its tabs keeps relaying out its hidden pages and never settles.
    PanelHolder = new QWidget(central);
    PanelHolder->setObjectName(QStringLiteral("PanelHolder"));
    PanelHolder->setFixedWidth(145);
    PanelHolder->installEventFilter(this);
    PageControl1 = new QTabWidget(PanelHolder);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setTabPosition(QTabWidget::East);
    PageControl1->setDocumentMode(true);

    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto* info = new QVBoxLayout(TabSheet1);
    info->setContentsMargins(0, 0, 0, 0);
    info->setSpacing(0);
    info->addWidget(buildHeader(TabSheet1, QStringLiteral(":/icons/info.svg"), &Label3, &Label4,
                                QStringLiteral("Tarsiwen"), QStringLiteral("免费软件")));
    Label3->setObjectName(QStringLiteral("Label3"));
    Label4->setObjectName(QStringLiteral("Label4"));
    Memo3 = new QPlainTextEdit(TabSheet1);
    Memo3->setObjectName(QStringLiteral("Memo3"));
    Memo3->setFrameShape(QFrame::NoFrame);
    Memo3->installEventFilter(this);
    auto* memo3Box = new QHBoxLayout;
    memo3Box->setContentsMargins(10, 0, 10, 10);
    memo3Box->addWidget(Memo3);
    info->addLayout(memo3Box);
    PageControl1->addTab(TabSheet1, QStringLiteral("信息"));

    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    auto* notes = new QVBoxLayout(TabSheet3);
    notes->setContentsMargins(0, 0, 0, 0);
    notes->setSpacing(0);
    notes->addWidget(buildHeader(TabSheet3, QStringLiteral(":/icons/notes.svg"), &Label1, &Label2,
                                 QStringLiteral("Tarsiwen"), QStringLiteral("免费软件")));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    m_notes = new NotesPad(this, TabSheet3, Label1, Label2);
    Memo1 = m_notes->Memo1;
    Timer1 = m_notes->Timer1;
    Memo1->installEventFilter(this);
    auto* memo1Box = new QHBoxLayout;
    memo1Box->setContentsMargins(5, 0, 5, 5);
    memo1Box->addWidget(Memo1);
    notes->addLayout(memo1Box);
    PageControl1->addTab(TabSheet3, QStringLiteral("便签"));

    Panel2 = new QFrame(central);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedWidth(1);

    ListView1 = new RecordListView(central);
    connect(ListView1, &RecordListView::columnClicked, this, &Tmain::ListView1ColumnClick);
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this, &Tmain::ListView1SelectItem);
    connect(ListView1, &RecordListView::dragEnded, this, &Tmain::ListView1EndDrag);
    connect(ListView1, &RecordListView::deleteRequested, this, &Tmain::N10Click);
    // A double click or Enter opens the first selected row.
    connect(ListView1, &RecordListView::opened, this, [this] {
        const QList<int> selected = ListView1->selectedRows();
        if (!selected.isEmpty())
            OpenModify(ListView1->model()->caption(selected.first()));
    });

    row->addWidget(PanelHolder);
    row->addWidget(Panel2);
    row->addWidget(ListView1, 1);
    setCentralWidget(central);

    // The button strip lies over the information panel's right edge; its buttons belong to the view commands.
    Panel1 = new QFrame(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    // Below the tool bar rather than from the window's top edge, so the strip keeps its place beside the list.
    Panel1->setGeometry(127, 153, 18, 129);
    Panel1->raise();
    auto speedButton = [this](const char* name, int top, const char* icon, const QString& hint,
                              void (Tmain::*handler)()) {
        auto* b = new QToolButton(Panel1);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(1, top, 16, 16);
        b->setAutoRaise(true);
        b->setIconSize(QSize(14, 14));
        b->setIcon(QIcon(QStringLiteral(":/icons/cmd-%1.svg").arg(QLatin1String(icon))));
        b->setStatusTip(hint);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, handler);
        return b;
    };
    SpeedButton3 = speedButton("SpeedButton3", 36, "view-grid", QStringLiteral("表格显示（显示/隐藏表格线）"),
                               &Tmain::SpeedButton3Click);
    SpeedButton4 = speedButton("SpeedButton4", 55, "view-list", QStringLiteral("列表显示"), &Tmain::SpeedButton4Click);
    SpeedButton5 =
        speedButton("SpeedButton5", 74, "view-large", QStringLiteral("大图标显示"), &Tmain::SpeedButton5Click);
    SpeedButton6 =
        speedButton("SpeedButton6", 93, "view-small", QStringLiteral("小图标显示"), &Tmain::SpeedButton6Click);
    SpeedButton1 =
        speedButton("SpeedButton1", 113, "panel-hide", QStringLiteral("隐藏信息栏"), &Tmain::SpeedButton1Click);
    SpeedButton2 =
        speedButton("SpeedButton2", 113, "panel-show", QStringLiteral("显示信息栏"), &Tmain::SpeedButton2Click);
    SpeedButton2->hide();

    Panel4 = new QFrame(central);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setFrameShape(QFrame::Panel);
    Panel4->setFrameShadow(QFrame::Sunken);
    Panel4->setAutoFillBackground(true);
    Panel4->resize(242, 41);
    auto* caption = new QLabel(QStringLiteral("正在处理数据中..."), Panel4);
    caption->setGeometry(0, 0, 242, 41);
    caption->setAlignment(Qt::AlignCenter);
    Panel5 = new QLabel(Panel4);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    Panel5->setAlignment(Qt::AlignCenter);
    Panel5->setAutoFillBackground(true);
    QPalette bar = Panel5->palette();
    bar.setColor(QPalette::Window, Qt::white);
    Panel5->setPalette(bar);
    Panel5->setGeometry(1, 1, 0, 39);
    Panel4->hide();

    m_reminder = new BirthdayReminder(this, ListView1);
    Panel7 = m_reminder->Panel7;
    Label5 = m_reminder->Label5;
    Memo4 = m_reminder->Memo4;
    BitBtn1 = m_reminder->BitBtn1;
    Timer8 = m_reminder->Timer8;
    Timer9 = m_reminder->Timer9;
}

void Tmain::buildStatusBar()
{
    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    // All three panels are added with addWidget: only those are hidden while a hint shows in one panel.
    StatusPanel0 = new StatusUserPanel(StatusBar1);
    StatusPanel1 = new QLabel(QStringLiteral("Velloranv4.0"), StatusBar1);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setFixedWidth(135);
    StatusPanel2 = new QLabel(QStringLiteral("现在时间"), StatusBar1);
    StatusPanel2->setObjectName(QStringLiteral("StatusPanel2"));
    StatusPanel2->setMinimumWidth(50);
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1);
    StatusBar1->addWidget(StatusPanel2, 1);
}

void Tmain::buildHiddenState()
{
    Edit1 = makeHidden(this, "Edit1", QString());
    Edit2 = makeHidden(this, "Edit2", QString());
    sex = makeHidden(this, "sex", QStringLiteral("0"));
    Edit3 = makeHidden(this, "Edit3", QString());
    Edit4 = makeHidden(this, "Edit4", QString());
    Edit5 = makeHidden(this, "Edit5", QString());
    can = makeHidden(this, "can", QStringLiteral("1"));
    Button1 = new QPushButton(QStringLiteral("1"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->hide();
    // Rows are striped by position whenever the flag says the colouring is on.
    connect(can, &QLineEdit::textChanged, this,
            [this](const QString& value) { ListView1->model()->setStripes(value != QLatin1String("1")); });
}

void Tmain::ReportError(const QString& lead, const QString& detail)
{
    platform::Prompt::error(this, lead, detail);
}

void Tmain::SetSignedInUser(const QString& name, const QString& rights)
{
    Edit1->setText(name);
    Edit2->setText(rights);
    StatusPanel0->setUser(name, rights);
}

QString Tmain::signedInUser() const
{
    return Edit1->text();
}

QString Tmain::signedInRights() const
{
    return Edit2->text();
}

void Tmain::setWholeTable(bool whole)
{
    Button1->setText(whole ? QStringLiteral("1") : QStringLiteral("0"));
}

store::Connection* Tmain::sharedConnection()
{
    return forms::dmper ? &forms::dmper->acper : nullptr;
}

void Tmain::ShowHint(const QString& text)
{
    if (!text.isEmpty())
        StatusBar1->showMessage(text);
    else if (!m_notice.isEmpty())
        StatusBar1->showMessage(m_notice);
    else
        StatusBar1->clearMessage();
}

void Tmain::SetNotice(const QString& text)
{
    // A hint being shown stays; the notice follows it.
    const bool showing = StatusBar1->currentMessage().isEmpty() || StatusBar1->currentMessage() == m_notice;
    m_notice = text;
    if (showing)
        ShowHint(QString());
}

void Tmain::Timer2Timer()
{
    Timer2->stop();
    static const char* const weekdays[] = {"星期一", "星期二", "星期三", "星期四", "星期五", "星期六", "星期日"};
    const QDate today = platform::Clock::today();
    StatusPanel2->setText(QStringLiteral("今天是") + today.toString(QStringLiteral("yyyy年MM月dd日")) +
                          QLatin1Char('[') + QString::fromUtf8(weekdays[today.dayOfWeek() - 1]) + QLatin1Char(']'));
}

bool Tmain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == PanelHolder && event->type() == QEvent::Resize) {
        // Only the right-hand part of the page control, with its tabs, shows while the holder is narrow.
        PageControl1->setGeometry(PanelHolder->width() - 145, 0, 145, PanelHolder->height());
        return false;
    }
    if ((watched == ToolButton2 || watched == ToolButton4) && dragOntoToolButton(watched, event))
        return true;
    // Text fields claim Ctrl+A and friends for themselves; the main window's commands come first here.
    if (event->type() == QEvent::ShortcutOverride && (watched == Memo1 || watched == Memo3)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->modifiers() | key->key());
        if (m_commandKeys.contains(pressed)) {
            event->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Tmain::closeEvent(QCloseEvent* event)
{
    // Not under a running deletion, and not with notes that would be lost without the user's word.
    if (m_deleting || !m_notes->closeRequested()) {
        event->ignore();
        return;
    }
    event->accept();
}
