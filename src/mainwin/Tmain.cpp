#include "mainwin/Tmain.h"

#include "app/Tlogin.h"
#include "mainwin/Forms.h"
#include "mainwin/RecordListView.h"
#include "mainwin/RecordModel.h"
#include "mainwin/StatusUserPanel.h"
#include "platform/Clock.h"
#include "platform/ProgramDir.h"
#include "platform/Prompt.h"
#include "store/AtomicFile.h"
#include "store/Codepage.h"
#include "store/Ini.h"
#include "store/Query.h"
#include "store/Statements.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kSetIni = QStringLiteral("set.ini");

QTimer* makeTimer(QObject* owner, const char* name, int interval)
{
    auto* t = new QTimer(owner);
    t->setObjectName(QString::fromLatin1(name));
    t->setInterval(interval);
    return t;
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
    buildStatusBar();
    buildHiddenState();
    Timer2->start();
}

Tmain::~Tmain() = default;

void Tmain::FormCreate()
{
    forms::login = new Tlogin(platform::ProgramDir::path());
    forms::login->exec();
}

void Tmain::buildMenus()
{
    QMenu* records = menuBar()->addMenu(QStringLiteral("记录(&I)"));
    records->setObjectName(QStringLiteral("N1"));
    records->menuAction()->setStatusTip(QStringLiteral("电话号码记录的增加、删除、查询、修改！"));
    N18 = records->addAction(QStringLiteral("刷新"));
    N18->setObjectName(QStringLiteral("N18"));
    N18->setShortcut(QKeySequence(Qt::Key_F5));
    N18->setStatusTip(QStringLiteral("重新显示所有的记录！"));
    connect(N18, &QAction::triggered, this, &Tmain::N18Click);
    records->addSeparator();
    N9 = records->addAction(QStringLiteral("退出(&X)"));
    N9->setObjectName(QStringLiteral("N9"));
    N9->setStatusTip(QStringLiteral("退出本系统！"));
    connect(N9, &QAction::triggered, this, &Tmain::N9Click);

    QMenu* settings = menuBar()->addMenu(QStringLiteral("设置(&S)"));
    settings->setObjectName(QStringLiteral("N2"));
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
}

QWidget* Tmain::buildHeader(QWidget* page, const QString& icon, QLabel** bold, QLabel** plain,
                            const QString& boldText, const QString& plainText)
{
    auto* header = new QWidget(page);
    header->setFixedHeight(57);
    auto* image = new QLabel(header);
    image->setPixmap(QIcon(icon).pixmap(30, 30));
    image->setGeometry(4, 13, 30, 30);
    *bold = new QLabel(boldText, header);
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

    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setTabPosition(QTabWidget::East);
    PageControl1->setDocumentMode(true);
    PageControl1->setFixedWidth(145);

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

    row->addWidget(PageControl1);
    row->addWidget(Panel2);
    row->addWidget(ListView1, 1);
    setCentralWidget(central);

    // The button strip lies over the information panel's right edge; its buttons belong to the view commands.
    Panel1 = new QFrame(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(127, 192, 18, 129);
    Panel1->raise();

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

void Tmain::N18Click()
{
    startStep(Timer5);
}

void Tmain::N9Click()
{
    close();
}

void Tmain::N23Click()
{
    const bool shown = N23->isChecked() ? false : true;
    N23->setChecked(shown);
    PageControl1->setVisible(shown);
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
    ListView1->clearSelection();
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
    if (watched == Memo1->viewport() && event->type() == QEvent::MouseButtonPress)
        Memo1Click();
    return QMainWindow::eventFilter(watched, event);
}

void Tmain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
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
