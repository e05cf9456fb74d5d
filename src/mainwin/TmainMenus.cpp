// The main window's menus, its tool bar with the edit commands, and the record list's pop-up menu.
#include "mainwin/Tmain.h"

#include "hub/RecordListView.h"
#include "hub/Site.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTextCursor>
#include <QToolBar>
#include <QToolButton>

namespace {

QIcon commandIcon(const char* name)
{
    return QIcon(QStringLiteral(":/icons/cmd-%1.svg").arg(QLatin1String(name)));
}

} // namespace

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
    ImportContacts = item(records, "ImportContacts", QStringLiteral("导入联系人(&M)..."), "import",
                          &Tmain::ImportContactsClick, {},
                          QStringLiteral("从手机或其他软件导出的vCard（.vcf）或CSV（.csv）文件导入联系人！"));
    ExportContacts = item(records, "ExportContacts", QStringLiteral("导出联系人(&O)..."), "export",
                          &Tmain::ExportContactsClick, {},
                          QStringLiteral("把列表中的记录导出为vCard（.vcf）或CSV（.csv）文件！"));
    PrintBook = item(records, "PrintBook", QStringLiteral("打印通讯录(&P)..."), "print", &Tmain::PrintBookClick, {},
                     QStringLiteral("把列表中的记录按拼音排序、分组打印成通讯录，或保存为PDF文件！"));
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
              QStringLiteral("点击进入Tarsiwen网站：") + hub::siteHost());
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
    ContactCode = PopupMenu1->addAction(commandIcon("qrcode"), QStringLiteral("二维码名片..."));
    ContactCode->setObjectName(QStringLiteral("ContactCode"));
    connect(ContactCode, &QAction::triggered, this, &Tmain::ContactCodeClick);
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
