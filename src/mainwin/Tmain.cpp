#include "mainwin/Tmain.h"

#include "app/Tlogin.h"
#include "edit/Tadd.h"
#include "edit/Tgai.h"
#include "search/Tfind.h"
#include "search/Tlist.h"
#include "mainwin/Forms.h"
#include "mainwin/RecordListView.h"
#include "mainwin/RecordModel.h"
#include "mainwin/StatusUserPanel.h"
#include "platform/Clock.h"
#include "platform/Pickers.h"
#include "platform/ProgramDir.h"
#include "platform/Prompt.h"
#include "platform/Shell.h"
#include "store/AtomicFile.h"
#include "store/Codepage.h"
#include "store/Ini.h"
#include "store/Query.h"
#include "store/Statements.h"
#include "store/Tdmper.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

const QString kSetIni = QStringLiteral("set.ini");

QTimer* makeTimer(QObject* owner, const char* name, int interval)
{
    auto* t = new QTimer(owner);
    t->setObjectName(QString::fromLatin1(name));
    t->setInterval(interval);
    return t;
}

QIcon commandIcon(const char* name)
{
    return QIcon(QStringLiteral(":/icons/cmd-%1.svg").arg(QLatin1String(name)));
}

QLineEdit* makeHidden(QWidget* parent, const char* name, const QString& text)
{
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromLatin1(name));
    e->hide();
    return e;
}

} // namespace

void startStep(QTimer* timer)
{
    if (!timer->isActive())
        timer->start();
}

QString Tmain::introLine()
{
    return QStringLiteral("右面显示的是所有已登记的记录。你可以新增加一条记录，也可以选择一条记录查看它的基本信息并进行相应的操作。");
}

Tmain::Tmain(QWidget* parent)
    : QMainWindow(parent), acper(QStringLiteral("main.acper"), QStringLiteral("call.mdb"))
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Velloranv4.0"));
    // The original outer size was 581 × 390; here the client area gets that size, since the frame belongs to
    // the window manager.
    resize(581, 390);

    Timer1 = makeTimer(this, "Timer1", 500);
    Timer3 = makeTimer(this, "Timer3", 30);
    Timer4 = makeTimer(this, "Timer4", 30);
    connect(Timer3, &QTimer::timeout, this, &Tmain::Timer3Timer);
    connect(Timer4, &QTimer::timeout, this, &Tmain::Timer4Timer);
    Timer2 = makeTimer(this, "Timer2", 500);
    Timer5 = makeTimer(this, "Timer5", 5);
    Timer6 = makeTimer(this, "Timer6", 200);
    Timer7 = makeTimer(this, "Timer7", 5);
    Timer8 = makeTimer(this, "Timer8", 5);
    Timer9 = makeTimer(this, "Timer9", 5);
    connect(Timer1, &QTimer::timeout, this, &Tmain::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &Tmain::Timer2Timer);
    connect(Timer5, &QTimer::timeout, this, &Tmain::Timer5Timer);
    connect(Timer6, &QTimer::timeout, this, &Tmain::Timer6Timer);
    connect(Timer7, &QTimer::timeout, this, &Tmain::Timer7Timer);
    connect(Timer8, &QTimer::timeout, this, &Tmain::Timer8Timer);
    connect(Timer9, &QTimer::timeout, this, &Tmain::Timer9Timer);

    buildMenus();
    buildWorkArea();
    buildToolBar();
    buildPopupMenu();
    buildStatusBar();
    buildHiddenState();
    Timer2->start();
}

Tmain::~Tmain()
{
    // Children losing the focus, text or selection while they are destroyed must not reach this window any more.
    disconnect(m_focusConnection);
    Memo1->disconnect(this);
    Memo3->disconnect(this);
    ListView1->selectionModel()->disconnect(this);
}

void Tmain::FormCreate()
{
    forms::login = new Tlogin(platform::ProgramDir::path());
    forms::login->exec();
}

void Tmain::buildMenus()
{
    auto item = [this](QMenu* menu, const char* name, const QString& caption, const char* icon,
                       void (Tmain::*handler)(), const QKeySequence& key = {}, const QString& hint = {}) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        if (icon)
            a->setIcon(commandIcon(icon));
        if (!key.isEmpty())
            a->setShortcut(key);
        if (!hint.isEmpty())
            a->setStatusTip(hint);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    auto submenu = [](QMenu* menu, const char* name, const QString& caption, const char* icon) {
        QMenu* sub = menu->addMenu(commandIcon(icon), caption);
        sub->setObjectName(QString::fromLatin1(name));
        return sub;
    };

    QMenu* records = menuBar()->addMenu(QStringLiteral("记录(&I)"));
    records->setObjectName(QStringLiteral("N1"));
    records->menuAction()->setStatusTip(QStringLiteral("电话号码记录的增加、删除、查询、修改！"));
    N5 = item(records, "N5", QStringLiteral("增加"), "add", &Tmain::N5Click, QKeySequence(Qt::CTRL | Qt::Key_A),
              QStringLiteral("增加一条新记录！[快捷键Ctrl+A]"));
    N10 = item(records, "N10", QStringLiteral("删除"), "delete", &Tmain::N10Click, QKeySequence(Qt::CTRL | Qt::Key_D),
               QStringLiteral("删除一条或多条被选中的记录！[快捷键Ctrl+D]"));
    N7 = item(records, "N7", QStringLiteral("修改"), "modify", &Tmain::N7Click, QKeySequence(Qt::CTRL | Qt::Key_E),
              QStringLiteral("修改一条记录的内容！[快捷键Ctrl+E]"));
    records->addSeparator();
    N6 = item(records, "N6", QStringLiteral("查询"), "search", &Tmain::N6Click, QKeySequence(Qt::CTRL | Qt::Key_F),
              QStringLiteral("按照条件查询一条或多条记录！[快捷键Ctrl+F]"));
    N40 = item(records, "N40", QStringLiteral("浏览"), "browse", &Tmain::N40Click, QKeySequence(Qt::CTRL | Qt::Key_L));
    N39 = item(records, "N39", QStringLiteral("统计"), "stats", &Tmain::N39Click, QKeySequence(Qt::CTRL | Qt::Key_C));
    records->addSeparator();
    N18 = item(records, "N18", QStringLiteral("刷新"), "refresh", &Tmain::N18Click, QKeySequence(Qt::Key_F5),
               QStringLiteral("重新显示所有的记录！"));
    records->addSeparator();
    N9 = item(records, "N9", QStringLiteral("退出(&X)"), "exit", &Tmain::N9Click, {}, QStringLiteral("退出本系统！"));

    QMenu* settings = menuBar()->addMenu(QStringLiteral("设置(&S)"));
    settings->setObjectName(QStringLiteral("N2"));
    T1 = item(settings, "T1", QStringLiteral("标题文字(&W)"), "title", &Tmain::T1Click);
    QMenu* colours = submenu(settings, "ColorMenu", QStringLiteral("背景颜色(&C)"), "color");
    K1 = item(colours, "K1", QStringLiteral("天蓝(&K)"), "color-sky", &Tmain::K1Click);
    Y1 = item(colours, "Y1", QStringLiteral("地黄(&P)"), "color-cream", &Tmain::Y1Click);
    R1 = item(colours, "R1", QStringLiteral("默认(&R)"), "color-default", &Tmain::R1Click);
    N26 = item(colours, "N26", QStringLiteral("自定义..."), "color-custom", &Tmain::N26Click);
    settings->addSeparator();
    auto checkItem = [this, settings](const char* name, const QString& caption, void (Tmain::*handler)()) {
        QAction* a = settings->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setCheckable(true);
        a->setChecked(true);
        // The handlers invert the check mark themselves, as the commands describe.
        connect(a, &QAction::triggered, this, [this, a, handler] {
            a->setChecked(!a->isChecked());
            (this->*handler)();
        });
        return a;
    };
    N29 = checkItem("N29", QStringLiteral("隔行变色(&J)"), &Tmain::N29Click);
    N23 = checkItem("N23", QStringLiteral("显示信息栏(&D)"), &Tmain::N23Click);
    B1 = checkItem("B1", QStringLiteral("生日提醒(&B)"), &Tmain::B1Click);

    QMenu* view = menuBar()->addMenu(QStringLiteral("视图(&V)"));
    view->setObjectName(QStringLiteral("ViewMenu"));
    QMenu* table = submenu(view, "TableMenu", QStringLiteral("表格(&T)"), "view-grid");
    N17 = item(table, "N17", QStringLiteral("有线(&Y)"), "view-grid", &Tmain::N17Click);
    N20 = item(table, "N20", QStringLiteral("无线(&N)"), "view-nogrid", &Tmain::N20Click);
    N13 = item(view, "N13", QStringLiteral("列表(&L)"), "view-list", &Tmain::N13Click);
    view->addSeparator();
    N14 = item(view, "N14", QStringLiteral("大图标(&B)"), "view-large", &Tmain::N14Click);
    N15 = item(view, "N15", QStringLiteral("小图标(&S)"), "view-small", &Tmain::N15Click);

    QMenu* users = menuBar()->addMenu(QStringLiteral("用户(&U)"));
    users->setObjectName(QStringLiteral("UserMenu"));
    N37 = item(users, "N37", QStringLiteral("用户管理(&G)"), "users", &Tmain::N37Click);
    N38 = item(users, "N38", QStringLiteral("修改密码(&K)"), "password", &Tmain::N38Click);
    users->addSeparator();
    Q1 = item(users, "Q1", QStringLiteral("区号查询(&Q)"), "areacode", &Tmain::Q1Click);
    users->addSeparator();
    N27 = item(users, "N27", QStringLiteral("数据备份与恢复"), "backup", &Tmain::N27Click);

    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    N25 = item(help, "N25", QStringLiteral("使用手册"), "help", &Tmain::N25Click, QKeySequence(Qt::Key_F1));
    R2 = item(help, "R2", QStringLiteral("用户意见(&R)"), "feedback", &Tmain::R2Click);
    help->addSeparator();
    W1 = item(help, "W1", QStringLiteral("访问主页(&H)"), "home", &Tmain::W1Click, {},
              QStringLiteral("点击进入Tarsiwen网站：") + siteHost());
    N19 = item(help, "N19", QStringLiteral("关于(&A)..."), "about", &Tmain::N19Click);

    menuBar()->setContextMenuPolicy(Qt::PreventContextMenu);
    collectCommandKeys();
}

void Tmain::collectCommandKeys()
{
    m_commandKeys.clear();
    QList<QMenu*> menus;
    for (QAction* top : menuBar()->actions()) {
        if (top->menu())
            menus.append(top->menu());
    }
    while (!menus.isEmpty()) {
        QMenu* menu = menus.takeFirst();
        for (QAction* a : menu->actions()) {
            if (a->menu())
                menus.append(a->menu());
            else if (!a->shortcut().isEmpty())
                m_commandKeys.append(a->shortcut());
        }
    }
}

void Tmain::buildPopupMenu()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto item = [this](const char* name, QAction* command) {
        QAction* a = PopupMenu1->addAction(command->icon(), command->text());
        a->setObjectName(QString::fromLatin1(name));
        // Shown for the user's information; the main menu's items carry the working short-cuts.
        a->setShortcut(command->shortcut());
        return a;
    };
    N30 = item("N30", N5);
    connect(N30, &QAction::triggered, this, &Tmain::N5Click);
    N31 = item("N31", N10);
    connect(N31, &QAction::triggered, this, &Tmain::N10Click);
    PopupMenu1->addSeparator();
    N33 = item("N33", N7);
    connect(N33, &QAction::triggered, this, &Tmain::N7Click);
    N34 = item("N34", N6);
    connect(N34, &QAction::triggered, this, &Tmain::N6Click);
    PopupMenu1->addSeparator();
    N36 = item("N36", N18);
    connect(N36, &QAction::triggered, this, &Tmain::N18Click);

    for (QAbstractItemView* v :
         {static_cast<QAbstractItemView*>(ListView1->table()), static_cast<QAbstractItemView*>(ListView1->list())}) {
        v->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(v, &QWidget::customContextMenuRequested, this,
                [this, v](const QPoint& pos) { PopupMenu1->popup(v->viewport()->mapToGlobal(pos)); });
    }
}

void Tmain::buildToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setIconSize(QSize(18, 18));
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    auto button = [this](const char* name, QAction* action) {
        ToolBar1->addAction(action);
        auto* b = qobject_cast<QToolButton*>(ToolBar1->widgetForAction(action));
        b->setObjectName(QString::fromLatin1(name));
        b->setFixedSize(31, 35);
        b->setAutoRaise(true);
        return b;
    };
    auto separator = [this] {
        QAction* s = ToolBar1->addSeparator();
        ToolBar1->widgetForAction(s)->setFixedWidth(20);
    };
    auto editCommand = [this](const char* name, const QString& caption, const char* icon, const QString& hint,
                              const QKeySequence& key) {
        auto* a = new QAction(commandIcon(icon), caption, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setStatusTip(hint);
        if (!key.isEmpty())
            a->setShortcut(key);
        return a;
    };

    ToolButton1 = button("ToolButton1", N5);
    ToolButton2 = button("ToolButton2", N10);
    ToolButton4 = button("ToolButton4", N7);
    ToolButton3 = button("ToolButton3", N6);
    ToolButton17 = button("ToolButton17", N40);
    ToolButton16 = button("ToolButton16", N39);
    separator();

    // Ctrl+C and Ctrl+A belong to statistics and add, which come first; copying and selecting all text are
    // reached through the buttons.
    EditCopy1 = editCommand("EditCopy1", QStringLiteral("复制"), "copy", QStringLiteral("复制选中的文本"), {});
    EditCut1 = editCommand("EditCut1", QStringLiteral("剪切"), "cut", QStringLiteral("剪切选中的文本"),
                           QKeySequence(Qt::CTRL | Qt::Key_X));
    EditPaste1 = editCommand("EditPaste1", QStringLiteral("粘贴"), "paste", QStringLiteral("粘贴已经复制或剪切的文本"),
                             QKeySequence(Qt::CTRL | Qt::Key_V));
    EditDelete1 = editCommand("EditDelete1", QStringLiteral("删除"), "erase", QStringLiteral("删除选中的文本"),
                              QKeySequence(Qt::Key_Delete));
    EditSelectAll1 =
        editCommand("EditSelectAll1", QStringLiteral("全选"), "selectall", QStringLiteral("全部选择当前的文本"), {});
    EditUndo1 = editCommand("EditUndo1", QStringLiteral("撤销"), "undo", QStringLiteral("撤销上一步编辑操作"),
                            QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(EditCopy1, &QAction::triggered, this, [this] {
        if (QPlainTextEdit* t = editTarget())
            t->copy();
    });
    connect(EditCut1, &QAction::triggered, this, [this] {
        if (QPlainTextEdit* t = editTarget())
            t->cut();
    });
    connect(EditPaste1, &QAction::triggered, this, [this] {
        if (QPlainTextEdit* t = editTarget())
            t->paste();
    });
    connect(EditDelete1, &QAction::triggered, this, &Tmain::EditDelete1Execute);
    connect(EditSelectAll1, &QAction::triggered, this, [this] {
        if (QPlainTextEdit* t = editTarget())
            t->selectAll();
    });
    connect(EditUndo1, &QAction::triggered, this, [this] {
        if (QPlainTextEdit* t = editTarget())
            t->undo();
    });
    ToolButton6 = button("ToolButton6", EditCopy1);
    ToolButton7 = button("ToolButton7", EditCut1);
    ToolButton8 = button("ToolButton8", EditPaste1);
    ToolButton9 = button("ToolButton9", EditDelete1);
    ToolButton10 = button("ToolButton10", EditSelectAll1);
    ToolButton11 = button("ToolButton11", EditUndo1);
    separator();

    ToolButton14 = button("ToolButton14", N18);
    separator();
    auto* quit = new QAction(commandIcon("exit"), QStringLiteral("退出"), this);
    quit->setObjectName(QStringLiteral("ToolButton13Action"));
    quit->setStatusTip(QStringLiteral("退出本系统！"));
    connect(quit, &QAction::triggered, this, &Tmain::ToolButton13Click);
    ToolButton13 = button("ToolButton13", quit);

    // Rows of the list dragged here run the delete or modify command.
    for (QToolButton* target : {ToolButton2, ToolButton4}) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }

    for (QPlainTextEdit* memo : {Memo1, Memo3}) {
        connect(memo, &QPlainTextEdit::selectionChanged, this, &Tmain::UpdateEditActions);
        connect(memo, &QPlainTextEdit::textChanged, this, &Tmain::UpdateEditActions);
        connect(memo, &QPlainTextEdit::undoAvailable, this, &Tmain::UpdateEditActions);
    }
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, this, &Tmain::UpdateEditActions);
    m_focusConnection = connect(qApp, &QApplication::focusChanged, this, &Tmain::UpdateEditActions);
    UpdateEditActions();
}

QPlainTextEdit* Tmain::editTarget() const
{
    QWidget* focus = focusWidget();
    if (focus && (focus == Memo1 || focus == Memo3))
        return static_cast<QPlainTextEdit*>(focus);
    return nullptr;
}

void Tmain::UpdateEditActions()
{
    QPlainTextEdit* t = editTarget();
    const bool selection = t && t->textCursor().hasSelection();
    const bool writable = t && !t->isReadOnly();
    EditCopy1->setEnabled(selection);
    EditCut1->setEnabled(selection && writable);
    EditDelete1->setEnabled(selection && writable);
    EditPaste1->setEnabled(writable && t->canPaste());
    EditSelectAll1->setEnabled(t && !t->document()->isEmpty());
    EditUndo1->setEnabled(writable && t->document()->isUndoAvailable());
}

void Tmain::EditDelete1Execute()
{
    QPlainTextEdit* t = editTarget();
    if (!t || t->isReadOnly())
        return;
    QTextCursor cursor = t->textCursor();
    cursor.removeSelectedText();
    t->setTextCursor(cursor);
}

QWidget* Tmain::buildHeader(QWidget* page, const QString& icon, QLabel** bold, QLabel** plain,
                            const QString& boldText, const QString& plainText)
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
    Memo1 = new QPlainTextEdit(TabSheet3);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->viewport()->installEventFilter(this);
    Memo1->installEventFilter(this);
    auto* memo1Box = new QHBoxLayout;
    memo1Box->setContentsMargins(5, 0, 5, 5);
    memo1Box->addWidget(Memo1);
    notes->addLayout(memo1Box);
    PageControl1->addTab(TabSheet3, QStringLiteral("便签"));
    connect(Memo1, &QPlainTextEdit::textChanged, this, &Tmain::Memo1Change);

    Panel2 = new QFrame(central);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedWidth(1);

    ListView1 = new RecordListView(central);
    connect(ListView1, &RecordListView::columnClicked, this, &Tmain::ListView1ColumnClick);
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this, &Tmain::ListView1SelectItem);
    connect(ListView1, &RecordListView::dragEnded, this, &Tmain::ListView1EndDrag);
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
    SpeedButton5 = speedButton("SpeedButton5", 74, "view-large", QStringLiteral("大图标显示"), &Tmain::SpeedButton5Click);
    SpeedButton6 = speedButton("SpeedButton6", 93, "view-small", QStringLiteral("小图标显示"), &Tmain::SpeedButton6Click);
    SpeedButton1 = speedButton("SpeedButton1", 113, "panel-hide", QStringLiteral("隐藏信息栏"), &Tmain::SpeedButton1Click);
    SpeedButton2 = speedButton("SpeedButton2", 113, "panel-show", QStringLiteral("显示信息栏"), &Tmain::SpeedButton2Click);
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

    Panel7 = new QFrame(this);
    Panel7->setObjectName(QStringLiteral("Panel7"));
    Panel7->resize(225, 108);
    Panel7->setFrameShape(QFrame::Panel);
    Panel7->setFrameShadow(QFrame::Raised);
    Panel7->setAutoFillBackground(true);
    QPalette reminder = Panel7->palette();
    reminder.setColor(QPalette::Window, QColor(191, 191, 255));
    reminder.setColor(QPalette::Base, QColor(191, 191, 255));
    reminder.setColor(QPalette::WindowText, Qt::black);
    reminder.setColor(QPalette::Text, Qt::black);
    Panel7->setPalette(reminder);
    Label5 = new QLabel(QStringLiteral("生日提醒："), Panel7);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->move(16, 8);
    Memo4 = new QPlainTextEdit(Panel7);
    Memo4->setObjectName(QStringLiteral("Memo4"));
    Memo4->setGeometry(38, 26, 150, 52);
    Memo4->setFrameShape(QFrame::NoFrame);
    // Read-only without focus rather than disabled: a disabled text area would paint the names grey.
    Memo4->setReadOnly(true);
    Memo4->setFocusPolicy(Qt::NoFocus);
    Memo4->setTextInteractionFlags(Qt::NoTextInteraction);
    Memo4->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo4->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo4->setLineWrapMode(QPlainTextEdit::NoWrap);
    BitBtn1 = new QPushButton(QStringLiteral("知道了"), Panel7);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(154, 82, 55, 20);
    connect(BitBtn1, &QPushButton::clicked, Panel7, &QWidget::hide);
    Panel7->hide();
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

void Tmain::ReportError(const QString& text)
{
    platform::Prompt::error(this, text);
}

bool Tmain::WriteSetting(const QString& section, const QString& key, const QString& value)
{
    QString error;
    if (store::Ini::write(platform::ProgramDir::file(kSetIni), section, key, value, &error))
        return true;
    ReportError(QStringLiteral("Unable to write to %1").arg(kSetIni));
    return false;
}

void Tmain::SetColumnWidths(bool panelShown)
{
    static const int shown[RecordModel::ColumnCount] = {65, 40, 85, 80, 85, 48};
    static const int hidden[RecordModel::ColumnCount] = {70, 48, 90, 80, 90, 156};
    for (int c = 0; c < RecordModel::ColumnCount; ++c)
        ListView1->setColumnWidth(c, panelShown ? shown[c] : hidden[c]);
}

void Tmain::ApplySettings()
{
    const QString file = platform::ProgramDir::file(kSetIni);
    auto value = [&file](const char* section, const char* key) {
        return store::Ini::read(file, QString::fromLatin1(section), QString::fromLatin1(key)).trimmed();
    };

    // 1. Birthday reminder: armed now, shown only after the first fill has filled the list.
    const bool reminder = value("birth", "ok") == QLatin1String("1");
    B1->setChecked(reminder);
    m_reminderArmed = reminder;

    // 2. Title.
    const QString title = store::Ini::read(file, QStringLiteral("main"), QStringLiteral("title"));
    if (!title.trimmed().isEmpty())
        setWindowTitle(title);

    // 3. Information panel.
    if (value("info", "yes") == QLatin1String("0")) {
        N23->setChecked(false);
        PageControl1->hide();
        PanelHolder->hide();
        Panel1->hide();
        SetColumnWidths(false);
    }

    // 4. List colour. A custom colour whose parts are missing or not numbers keeps the system window colour.
    const QString color = value("list", "color");
    if (color == QLatin1String("1")) {
        ListView1->setBackground(QColor(166, 202, 240));
    } else if (color == QLatin1String("2")) {
        ListView1->setBackground(QColor(255, 251, 240));
    } else if (color == QLatin1String("3")) {
        bool okR = false;
        bool okG = false;
        bool okB = false;
        const int r = value("list", "cr").toInt(&okR);
        const int g = value("list", "cg").toInt(&okG);
        const int b = value("list", "cb").toInt(&okB);
        if (okR && okG && okB)
            ListView1->setBackground(QColor(r & 0xFF, g & 0xFF, b & 0xFF));
    }

    // 5. Alternate rows.
    if (value("list", "line") == QLatin1String("0")) {
        can->setText(QStringLiteral("1"));
        N29->setChecked(false);
    } else {
        can->setText(QStringLiteral("0"));
    }
}

bool Tmain::ReadRecords(store::Connection& connection, std::vector<RecordRow>* rows, bool birthdays, int* men,
                        int* women, QString* error)
{
    store::Query q(connection, store::sql::ListMainNewestFirst);
    if (!q.exec()) {
        *error = q.errorText();
        return false;
    }
    // Blank fields are stored as one space; sharing one string for them saves an allocation per blank cell.
    const QString blank = QStringLiteral(" ");
    const QString male = QStringLiteral("男");
    const QString female = QStringLiteral("女");
    auto cell = [&q, &blank](int column) {
        QString v = q.text(column);
        return v == blank ? blank : v;
    };
    *men = 0;
    *women = 0;
    while (q.next()) {
        RecordRow row;
        for (size_t k = 0; k < 6; ++k)
            row.cells[k] = cell(int(k));
        const QString sex = q.text(6);
        if (sex == male)
            ++*men;
        else if (sex == female)
            ++*women;
        if (birthdays)
            BirthdayTest(row.cells[0], q.text(7).toInt(), q.text(8).toInt());
        rows->push_back(std::move(row));
    }
    if (!q.errorText().isEmpty()) {
        *error = q.errorText();
        return false;
    }
    return true;
}

bool Tmain::FirstFill(store::Connection& connection, QString* error)
{
    m_birthdayCount = 0;
    m_birthdayLines.clear();
    const QDate today = platform::Clock::today();
    for (int k = 0; k < 4; ++k)
        m_birthdayDates[size_t(k)] = today.addDays(k);
    std::vector<RecordRow> rows;
    int men = 0;
    int women = 0;
    if (!ReadRecords(connection, &rows, true, &men, &women, error))
        return false;
    const int count = int(rows.size());
    ListView1->model()->setRows(std::move(rows));
    FinishBirthdayText();

    Memo3->clear();
    Memo3->appendPlainText(introLine());
    Memo3->appendPlainText(QString());
    Memo3->appendPlainText(QStringLiteral("当前共有%1条记录，按录入的先后排列顺序。").arg(count));

    LoadNotes();
    if (m_reminderArmed)
        startStep(Timer8);
    return true;
}

void Tmain::BirthdayTest(const QString& name, int month, int day)
{
    // Today and the next three days, across month and year ends; a record matches at most one of them.
    for (const QDate& d : m_birthdayDates) {
        if (d.month() == month && d.day() == day) {
            ++m_birthdayCount;
            m_birthdayLines.append(QStringLiteral("%1、%2（%3）")
                                       .arg(m_birthdayCount)
                                       .arg(name, d.toString(QStringLiteral("MM月dd日"))));
            return;
        }
    }
}

void Tmain::FinishBirthdayText()
{
    if (m_birthdayCount == 0) {
        m_birthdayLines.append(QString());
        m_birthdayLines.append(QStringLiteral("最近三天没有人过生日！"));
    }
    Memo4->setPlainText(m_birthdayLines.join(QLatin1Char('\n')));
    m_birthdayLines.clear();
    if (m_birthdayCount > 4)
        Memo4->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void Tmain::SetSignedInUser(const QString& name, const QString& rights)
{
    Edit1->setText(name);
    Edit2->setText(rights);
    StatusPanel0->setUser(name, rights);
}

void Tmain::ShowHint(const QString& text)
{
    if (text.isEmpty())
        StatusBar1->clearMessage();
    else
        StatusBar1->showMessage(text);
}

void Tmain::RequestSummary()
{
    startStep(Timer7);
}

void Tmain::N5Click()
{
    store::Dataset& ajo = forms::add->ajo;
    ajo.setConnection(&forms::dmper->acper);
    ajo.clearStatement();
    ajo.setStatement(store::sql::SelectMain);
    // Appending needs the columns only, not every row of the table.
    if (!ajo.open(false)) {
        ReportError(ajo.errorText());
        return;
    }
    ajo.append();
    forms::add->exec();
}

void Tmain::N7Click()
{
    if (ListView1->count() == 0) {
        platform::Prompt::information(this, QStringLiteral("没有记录，请添加！"));
        return;
    }
    const QList<int> selected = ListView1->selectedRows();
    if (selected.isEmpty()) {
        platform::Prompt::information(this, QStringLiteral("请先选择一个记录!"));
        ListView1->selectRow(0);
        return;
    }
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
            ReportError(ago.errorText());
            return;
        }
        if (!ago.isEmpty())
            break;
    }
    if (ago.isEmpty()) {
        ago.close();
        platform::Prompt::information(this, QStringLiteral("记录“") + name
                                                + QStringLiteral("”已经不存在了，可能已被其他程序删除。\n请刷新（F5）以显示当前的记录。"));
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

void Tmain::N18Click()
{
    startStep(Timer5);
}

void Tmain::N9Click()
{
    close();
}

void Tmain::ToolButton13Click()
{
    close();
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
    RecordModel* model = ListView1->model();
    QStringList names;
    names.reserve(selected.size());
    for (int row : selected)
        names.append(model->caption(row));
    const QString question = selected.size() == 1 ? QStringLiteral("是否要删除") + names.first() + QStringLiteral("？")
                                                  : QStringLiteral("是否要删除这%1个记录？").arg(selected.size());
    if (!platform::Prompt::question(this, question))
        return;

    m_rowsLeaving = true;
    for (qsizetype k = selected.size() - 1; k >= 0; --k) {
        const int row = selected.at(k);
        const QString& name = names.at(k);
        QString error;
        if (!DeleteByName(name, &error)) {
            // The record is still in the table, so its row stays in the list.
            platform::Prompt::toolkitInformation(this, QStringLiteral("删除出错"));
            continue;
        }
        if (row < model->count() && model->caption(row) == name)
            model->removeRecordRow(row);
    }
    m_rowsLeaving = false;
    Button1->setText(QStringLiteral("1"));
    RequestSummary();
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
    // The statistics window opens here.
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
            ReportError(q.errorText());
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

void Tmain::T1Click()
{
    // The title text window opens here.
}

void Tmain::SetFixedColor(const QString& stored, const QColor& color)
{
    if (!WriteSetting(QStringLiteral("list"), QStringLiteral("color"), stored))
        return;
    ListView1->setBackground(color);
}

void Tmain::K1Click()
{
    SetFixedColor(QStringLiteral("1"), QColor(166, 202, 240));
}

void Tmain::Y1Click()
{
    SetFixedColor(QStringLiteral("2"), QColor(255, 251, 240));
}

void Tmain::R1Click()
{
    // An invalid colour is the system's window colour.
    SetFixedColor(QStringLiteral("0"), QColor());
}

void Tmain::N26Click()
{
    const QColor chosen = platform::Pickers::color(this, ListView1->background());
    if (!chosen.isValid())
        return;
    ListView1->setBackground(chosen);
    const QString list = QStringLiteral("list");
    if (!WriteSetting(list, QStringLiteral("color"), QStringLiteral("3")))
        return;
    if (!WriteSetting(list, QStringLiteral("cr"), QString::number(chosen.red())))
        return;
    if (!WriteSetting(list, QStringLiteral("cg"), QString::number(chosen.green())))
        return;
    WriteSetting(list, QStringLiteral("cb"), QString::number(chosen.blue()));
}

void Tmain::N17Click()
{
    ListView1->setViewStyle(RecordListView::ViewStyle::Report);
    ListView1->setGridLines(true);
}

void Tmain::N20Click()
{
    ListView1->setViewStyle(RecordListView::ViewStyle::Report);
    ListView1->setGridLines(false);
}

void Tmain::SpeedButton3Click()
{
    if (ListView1->viewStyle() == RecordListView::ViewStyle::Report)
        ListView1->setGridLines(!ListView1->gridLines());
    else
        N17Click();
}

void Tmain::SpeedButton4Click()
{
    N13Click();
}

void Tmain::SpeedButton5Click()
{
    N14Click();
}

void Tmain::SpeedButton6Click()
{
    N15Click();
}

void Tmain::SpeedButton1Click()
{
    // A press while a slide runs turns it round: the narrowing and the widening never run together.
    if (Timer3->isActive()) {
        Timer3->stop();
        Timer4->start();
    } else if (Timer4->isActive()) {
        Timer4->stop();
        Timer3->start();
    } else if (InfoPanelWidth() == 145) {
        Timer3->start();
    } else {
        Timer4->start();
    }
}

int Tmain::InfoPanelWidth() const
{
    return PanelHolder->width();
}

void Tmain::SpeedButton2Click()
{
    SpeedButton1Click();
}

void Tmain::Timer3Timer()
{
    if (InfoPanelWidth() <= 21) {
        SpeedButton1->hide();
        SpeedButton2->show();
        Timer3->stop();
        return;
    }
    ListView1->setColumnWidth(5, 156);
    PanelHolder->setFixedWidth(InfoPanelWidth() - 4);
    Panel1->move(Panel1->x() - 4, Panel1->y());
}

void Tmain::Timer4Timer()
{
    if (InfoPanelWidth() >= 145) {
        SpeedButton2->hide();
        SpeedButton1->show();
        Timer4->stop();
        return;
    }
    ListView1->setColumnWidth(5, 48);
    PanelHolder->setFixedWidth(InfoPanelWidth() + 4);
    Panel1->move(Panel1->x() + 4, Panel1->y());
}

void Tmain::N13Click()
{
    ListView1->setViewStyle(RecordListView::ViewStyle::List);
}

void Tmain::N14Click()
{
    ListView1->setViewStyle(RecordListView::ViewStyle::LargeIcon);
}

void Tmain::N15Click()
{
    ListView1->setViewStyle(RecordListView::ViewStyle::SmallIcon);
}

void Tmain::N37Click()
{
    // The user management window opens here.
}

void Tmain::N38Click()
{
    // The change password window opens here.
}

void Tmain::Q1Click()
{
    if (!QFileInfo(platform::ProgramDir::file(QStringLiteral("qh.mdb"))).isFile()) {
        platform::Prompt::warning(this, QStringLiteral("找不到数据文件qh.mdb") + QLatin1Char('\n') +
                                            QStringLiteral("请重新安装！"));
        return;
    }
    // The area-code window opens here.
}

void Tmain::N27Click()
{
    if (!Edit1->text().isEmpty()) {
        platform::Prompt::information(
            this, QStringLiteral("用户模式下不支持数据备份与恢复\n如果你要使用此功能请先删除用户进入开放模式"));
        return;
    }
    const QString tool = platform::ProgramDir::file(QStringLiteral("data"));
    if (!QFileInfo(tool).isFile()) {
        platform::Prompt::warning(this, QStringLiteral("找不到子程序文件data.exe\n请重新安装！"));
        return;
    }
    // The tool works on the database while this program is gone; a tool that did not start leaves it running.
    if (!platform::Shell::startDetached(tool)) {
        ReportError(QStringLiteral("子程序文件data.exe无法启动"));
        return;
    }
    close();
}

void Tmain::N25Click()
{
    const QString manual = platform::ProgramDir::file(QStringLiteral("help.html"));
    if (QFileInfo(manual).isFile())
        platform::Shell::open(manual);
}

void Tmain::R2Click()
{
    platform::Shell::open(QStringLiteral("http://") + siteHost() + QStringLiteral("/call/user.asp"));
}

void Tmain::W1Click()
{
    platform::Shell::open(QStringLiteral("http://") + siteHost() + QLatin1Char('/'));
}

void Tmain::N19Click()
{
    // The about window opens here.
}

bool Tmain::acceptsRowDrag(const QEvent* event) const
{
    // Only rows of this window's own list: a drop from another running copy would act on this list's selection.
    const auto* drop = static_cast<const QDropEvent*>(event);
    const auto* source = qobject_cast<const QWidget*>(drop->source());
    return drop->mimeData() && drop->mimeData()->hasFormat(RecordListView::dragMimeType()) && source &&
           ListView1->isAncestorOf(source);
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

void Tmain::N23Click()
{
    const bool shown = !N23->isChecked();
    N23->setChecked(shown);
    PageControl1->setVisible(shown);
    PanelHolder->setVisible(shown);
    Panel1->setVisible(shown);
    SetColumnWidths(shown);
    WriteSetting(QStringLiteral("info"), QStringLiteral("yes"), shown ? QStringLiteral("1") : QStringLiteral("0"));
}

void Tmain::N29Click()
{
    const bool on = !N29->isChecked();
    N29->setChecked(on);
    can->setText(on ? QStringLiteral("0") : QStringLiteral("1"));
    if (!WriteSetting(QStringLiteral("list"), QStringLiteral("line"), on ? QStringLiteral("1") : QStringLiteral("0")))
        return;
    N18Click();
}

void Tmain::B1Click()
{
    const bool on = !B1->isChecked();
    B1->setChecked(on);
    if (!on)
        Panel7->hide();
    if (!WriteSetting(QStringLiteral("birth"), QStringLiteral("ok"), on ? QStringLiteral("1") : QStringLiteral("0")))
        return;
    if (on)
        startStep(Timer8);
}

void Tmain::ListView1ColumnClick(int)
{
    RecordModel* model = ListView1->model();
    model->setSortByName(!model->sortByName());
    RequestSummary();
}

bool Tmain::CountMainRows(int* rows)
{
    store::Query q(acper, store::sql::CountMain);
    if (!q.exec() || !q.next()) {
        ReportError(q.errorText());
        return false;
    }
    *rows = q.text(0).toInt();
    q.finish();
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
        startStep(Timer6);
        return;
    }
    Panel4->hide();
    Timer6->stop();

    // The rows go first, then the table is read: the old and the new list never take memory together.
    m_rowsLeaving = true;
    ListView1->clearSelection();
    m_rowsLeaving = false;
    ListView1->model()->clear();
    std::vector<RecordRow> fresh;
    fresh.reserve(size_t(rows));
    int men = 0;
    int women = 0;
    QString error;
    if (!ReadRecords(acper, &fresh, false, &men, &women, &error)) {
        ReportError(error);
        return;
    }
    const int total = int(fresh.size());
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
        startStep(Timer5);
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
        startStep(Timer5);
    }
}

void Tmain::Timer7Timer()
{
    Timer7->stop();
    QString breakdown;
    if (sex->text() == QLatin1String("1")) {
        if (Edit3->text().trimmed() == QLatin1String("0"))
            breakdown = QStringLiteral("（其中男%1人，女%2人）").arg(Edit4->text().trimmed(), Edit5->text().trimmed());
        else
            breakdown = QStringLiteral("（其中男%1人，女%2人，未指定性别%3人）")
                            .arg(Edit4->text().trimmed(), Edit5->text().trimmed(), Edit3->text().trimmed());
    }
    const QString order = ListView1->model()->sortByName() ? QStringLiteral("按姓氏拼音排列顺序。")
                                                           : QStringLiteral("按录入的先后排列顺序。");
    Label3->setText(QStringLiteral("Tarsiwen"));
    Label3->adjustSize();
    Label4->setText(QStringLiteral("免费软件"));
    Label4->adjustSize();
    Memo3->clear();
    Memo3->appendPlainText(introLine());
    Memo3->appendPlainText(QString());
    Memo3->appendPlainText(QStringLiteral("当前共有%1条记录").arg(ListView1->count()) + breakdown + QStringLiteral("，")
                           + order);
    sex->setText(QStringLiteral("0"));
}

void Tmain::Timer2Timer()
{
    Timer2->stop();
    static const char* const weekdays[] = {"星期一", "星期二", "星期三", "星期四", "星期五", "星期六", "星期日"};
    const QDate today = platform::Clock::today();
    StatusPanel2->setText(QStringLiteral("今天是") + today.toString(QStringLiteral("yyyy年MM月dd日")) + QLatin1Char('[')
                          + QString::fromUtf8(weekdays[today.dayOfWeek() - 1]) + QLatin1Char(']'));
}

void Tmain::Timer8Timer()
{
    Timer8->stop();
    if (ListView1->count() < 1)
        return;
    Panel7->move(-225, (frameGeometry().height() - 108) / 2 - 3);
    Panel7->show();
    Panel7->raise();
    startStep(Timer9);
}

void Tmain::Timer9Timer()
{
    const int target = (frameGeometry().width() - 225) / 2;
    if (Panel7->x() < target) {
        Panel7->move(Panel7->x() + 20, Panel7->y());
    } else {
        Panel7->move(target, Panel7->y());
        Timer9->stop();
    }
}

void Tmain::LoadNotes()
{
    QFile file(platform::ProgramDir::file(QStringLiteral("zzz")));
    QString text;
    if (file.open(QIODevice::ReadOnly))
        text = store::Codepage::decode(file.readAll());
    // Every line break becomes one paragraph break; the file gets CR LF back when it is saved.
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text != Memo1->toPlainText())
        Memo1->setPlainText(text);
}

void Tmain::Memo1Change()
{
    m_notesDirty = true;
    startStep(Timer1);
}

void Tmain::Timer1Timer()
{
    Timer1->stop();
    SaveNotes();
}

bool Tmain::SaveNotes()
{
    QString text = Memo1->toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    QString error;
    if (store::AtomicFile::write(platform::ProgramDir::file(QStringLiteral("zzz")), store::Codepage::encode(text),
                                 &error)) {
        m_notesDirty = false;
        m_notesFailureShown = false;
        return true;
    }
    // Reported once; the text stays in the pad and the next change or the close tries again.
    if (!m_notesFailureShown) {
        m_notesFailureShown = true;
        ReportError(QStringLiteral("便签没有保存：Unable to write to zzz"));
    }
    return false;
}

void Tmain::Memo1Click()
{
    Label1->setText(QStringLiteral("记事本"));
    Label1->adjustSize();
    Label2->setText(QStringLiteral("[自动保存]"));
    Label2->adjustSize();
}

bool Tmain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == PanelHolder && event->type() == QEvent::Resize) {
        // Only the right-hand part of the page control, with its tabs, shows while the holder is narrow.
        PageControl1->setGeometry(PanelHolder->width() - 145, 0, 145, PanelHolder->height());
        return false;
    }
    if (watched == ToolButton2 || watched == ToolButton4) {
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
            m_dropCommand = watched == ToolButton2 ? &Tmain::ToolButton2DragDrop : &Tmain::ToolButton4DragDrop;
            return true;
        }
        default:
            break;
        }
    }
    // Text fields claim Ctrl+A and friends for themselves; the main window's commands come first here.
    if (event->type() == QEvent::ShortcutOverride && (watched == Memo1 || watched == Memo3)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->modifiers() | key->key());
        if (m_commandKeys.contains(pressed)) {
            event->ignore();
            return true;
        }
    }
    if (Memo1 && watched == Memo1->viewport() && event->type() == QEvent::MouseButtonPress)
        Memo1Click();
    return QMainWindow::eventFilter(watched, event);
}

void Tmain::closeEvent(QCloseEvent* event)
{
    // A change made less than half a second before the close is written now.
    if (m_notesDirty) {
        Timer1->stop();
        SaveNotes();
    }
    event->accept();
}
