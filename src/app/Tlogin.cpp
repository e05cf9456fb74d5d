#include "app/Tlogin.h"

#include "app/HintHook.h"
#include "mainwin/Forms.h"
#include "hub/StartupHost.h"
#include "platform/Step.h"
#include "platform/Centre.h"
#include "platform/ErrorLead.h"
#include "platform/Files.h"
#include "platform/KeyPreview.h"
#include "platform/PasswordAsk.h"
#include "platform/PasswordBox.h"
#include "platform/ProgramDir.h"
#include "platform/Prompt.h"
#include "platform/SaveFile.h"
#include "store/Book.h"
#include "store/Ini.h"
#include "store/NotesFile.h"
#include "store/Passwords.h"
#include "store/Query.h"
#include "store/Statements.h"
#include "store/UserList.h"
#include "ui_Tlogin.h"

#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QSvgRenderer>
#include <QPainter>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {

int g_failurePause = 3000;

const QString kUserIni = QStringLiteral("user.ini");
const QString kSetIni = QStringLiteral("set.ini");
const QString kDamaged = QStringLiteral("系统文件已被破坏！请重新登陆或重新安装！");

QString iniFile(const QString& name)
{
    return platform::ProgramDir::file(name);
}

// The stop for a user whose settings folder or file is a link out of the program's directory.
QString outsideText(const QString& name)
{
    return QStringLiteral("用户") + name.trimmed() + QStringLiteral("的设置文件链接到程序目录之外，不能登陆！");
}

} // namespace

Tlogin::Tlogin(const QString& programDir, hub::StartupHost& main, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      ui(std::make_unique<Ui::Tlogin>()),
      acper(QStringLiteral("login.acper"), QStringLiteral("call.mdb")),
      m_main(main),
      m_programDir(programDir)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("login"));
    setFixedSize(330, 203);

    QPixmap splash(330, 203);
    splash.fill(QColor(16, 132, 208));
    {
        QPainter p(&splash);
        QSvgRenderer(QStringLiteral(":/splash/splash.svg")).render(&p);
    }
    ui->Image1->setPixmap(splash);
    ui->Panel3->hide();
    ui->Panel3->setAutoFillBackground(true);
    ui->Panel3->raise();
    ui->Label1->raise();
    ui->BitBtn1->setDefault(false);
    ui->BitBtn2->setDefault(false);
    ui->Edit2->setAttribute(Qt::WA_InputMethodEnabled, false);
    platform::PasswordBox::useStars(ui->Edit2);
    // The status label keeps its place left of the sign-in panel; long texts wrap inside the splash instead of
    // running over the panel's captions and boxes.
    ui->Label1->setWordWrap(true);
    ui->Label1->setFixedWidth(ui->Panel3->x() - 1 - ui->Label1->x());
    connect(ui->BitBtn1, &QPushButton::clicked, this, &Tlogin::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &Tlogin::BitBtn2Click);

    auto step = [this](const char* name, void (Tlogin::*handler)()) {
        auto* t = new QTimer(this);
        t->setObjectName(QString::fromLatin1(name));
        t->setInterval(5);
        connect(t, &QTimer::timeout, this, handler);
        return t;
    };
    t1 = step("t1", &Tlogin::t1Timer);
    t2 = step("t2", &Tlogin::t2Timer);
    t3 = step("t3", &Tlogin::t3Timer);
    t4 = step("t4", &Tlogin::t4Timer);
    t5 = step("t5", &Tlogin::t5Timer);
    t6 = step("t6", &Tlogin::t6Timer);
    t8 = step("t8", &Tlogin::t8Timer);
    t9 = step("t9", &Tlogin::t9Timer);
    t10 = step("t10", &Tlogin::t10Timer);

    // The window sees every key before its controls: Esc quits, Enter signs in.
    platform::KeyPreview::install(this, this);

    platform::Centre::onScreen(this);
}

Tlogin::~Tlogin() = default;

void Tlogin::setFailurePause(int ms)
{
    g_failurePause = ms;
}

void Tlogin::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void Tlogin::FormShow()
{
    QPalette p = ui->Label1->palette();
    p.setColor(QPalette::Window, QColor(16, 132, 208));
    p.setColor(QPalette::WindowText, Qt::white);
    ui->Label1->setPalette(p);
    ui->Label1->setAutoFillBackground(true);
    setStatus(ui->Label1->text());
    platform::startStep(t1);
}

void Tlogin::setStatus(const QString& text)
{
    ui->Label1->setText(text);
    const int room = height() - ui->Label1->y() - 4;
    ui->Label1->setFixedHeight(std::min(ui->Label1->heightForWidth(ui->Label1->width()), room));
}

void Tlogin::fail(const QString& text)
{
    setStatus(text);
    platform::startStep(t6);
}

void Tlogin::selectFirstUser()
{
    if (ui->ComboBox1->count() > 0) {
        ui->ComboBox1->setCurrentIndex(0);
        ui->ComboBox1->setEditText(ui->ComboBox1->itemText(0));
    }
}

void Tlogin::refuseName(const QString& text)
{
    setStatus(text);
    selectFirstUser();
    ui->ComboBox1->setFocus();
}

QString Tlogin::userSettingsFile(const QString& name) const
{
    // The name becomes a folder name: never let it point outside the program's directory.
    if (!platform::ProgramDir::isSafeComponent(name))
        return QString();
    const QString exact = platform::ProgramDir::file(name + QStringLiteral("/set.ini"));
    if (QFileInfo::exists(exact))
        return exact;
    // User names match without regard to letter case, as their database rows do.
    const QStringList dirs = QDir(platform::ProgramDir::path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& dir : dirs) {
        if (dir.compare(name, Qt::CaseInsensitive) == 0) {
            const QString candidate = platform::ProgramDir::file(dir + QStringLiteral("/set.ini"));
            if (QFileInfo::exists(candidate))
                return candidate;
        }
    }
    return QString();
}

void Tlogin::t1Timer()
{
    t1->stop();
    setStatus(QStringLiteral("正在创建执行环境..."));
    QDir::setCurrent(m_programDir);
    platform::ProgramDir::set(m_programDir);
    // Copies of settings, notes and photos that a write killed before its last step left behind.
    platform::SaveFile::removeLeftovers(m_programDir);
    // A folder, or a named pipe, of that name is no installed file.
    const QString missing = QStringLiteral("缺少文件！请重新安装！");
    if (!QFileInfo(iniFile(QStringLiteral("zzz"))).isFile()) {
        fail(missing);
        return;
    }
    // The book: call.mdb with its tables, or the office's server that server.ini names.
    QString failure;
    switch (store::Book::check(acper, &failure)) {
    case store::Book::Check::Ok:
        break;
    case store::Book::Check::Missing:
        fail(missing);
        return;
    case store::Book::Check::NeedsPassword:
        if (!m_askedPassword && askServerPassword())
            platform::startStep(t1);
        else
            fail(failure);
        return;
    case store::Book::Check::Failed:
        fail(failure);
        return;
    }
    // Files the start could not read without blocking or running out of memory are reported, never rewritten.
    for (const QString& name : {kSetIni, kUserIni}) {
        if (!store::Ini::isSound(iniFile(name))) {
            fail(platform::ErrorLead::damagedFile(name));
            return;
        }
    }
    if (!store::NotesFile::isSound(iniFile(QStringLiteral("zzz")))) {
        fail(platform::ErrorLead::damagedFile(QStringLiteral("zzz")));
        return;
    }
    // The users of a book shared by an office are the same at every desktop.
    QString error;
    if (!store::UserList::followBook(acper, iniFile(kUserIni), &error)) {
        fail(platform::ErrorLead::compose(platform::ErrorLead::writeFile(kUserIni), error));
        return;
    }
    platform::startStep(t2);
}

void Tlogin::t2Timer()
{
    t2->stop();
    setStatus(QStringLiteral("正在读取数据......"));
    const QString userIni = iniFile(kUserIni);
    if (store::Ini::read(userIni, QStringLiteral("ok"), QStringLiteral("yes")) != QLatin1String("1")) {
        platform::startStep(t3);
        return;
    }
    const QStringList users = store::Ini::keys(userIni, QStringLiteral("user"));
    ui->ComboBox1->clear();
    // A list no one could scroll through; the others are typed, and the sign-in finds them all the same.
    ui->ComboBox1->addItems(users.mid(0, MaxListedUsers));
    m_unlisted = users.size() > MaxListedUsers;
    if (users.isEmpty()) {
        // The users of the database go back into the list, so that the next start signs in; without any, the next
        // start runs in open mode.
        QStringList stored;
        if (!ReadUserNames(&stored))
            return;
        RepairUserList(stored);
        platform::startStep(t6);
        return;
    }
    const QString preselected = store::Ini::read(userIni, QStringLiteral("cuser"), QStringLiteral("name"));
    if (preselected == QLatin1String("0"))
        selectFirstUser();
    else
        ui->ComboBox1->setEditText(preselected);
    platform::startStep(t10);
}

void Tlogin::t3Timer()
{
    t3->stop();
    setStatus(QStringLiteral("正在校验数据..."));
    QStringList stored;
    if (!ReadUserNames(&stored))
        return;
    if (!stored.isEmpty()) {
        // user.ini was lost or damaged: its list of users comes back from the database with the sign-in switched
        // on, so the next start asks for a sign-in instead of failing here again.
        RepairUserList(stored);
        platform::startStep(t6);
        return;
    }
    platform::startStep(t4);
}

void Tlogin::t4Timer()
{
    t4->stop();
    setStatus(QStringLiteral("准备进入系统......"));
    m_main.ApplySettings();
    platform::startStep(t5);
}

void Tlogin::t5Timer()
{
    t5->stop();
    QString error;
    if (!m_main.FirstFill(acper, &error)) {
        fail(platform::ErrorLead::compose(platform::ErrorLead::readDatabase(), error));
        return;
    }
    acper.close();
    HintHook::install();
    forms::entered = true;
    accept();
}

void Tlogin::t6Timer()
{
    t6->stop();
    // Blocking on purpose: the failure text stays on the screen, unchanged, for the whole pause.
    ui->Label1->repaint();
    QThread::msleep(static_cast<unsigned long>(g_failurePause));
    acper.close();
    m_failed = true;
    reject();
}

void Tlogin::t10Timer()
{
    t10->stop();
    setStatus(QStringLiteral("等待用户登陆...") +
              (m_unlisted ? QStringLiteral("\n用户太多，名单只列出前%1个，其他用户请输入用户名。").arg(MaxListedUsers)
                          : QString()));
    ui->Panel3->show();
    ui->Edit2->setFocus();
    m_panelShown = true;
}

void Tlogin::t8Timer()
{
    t8->stop();
    setStatus(QStringLiteral("正在验证密码......"));
    if (ui->ComboBox1->currentText().isEmpty()) {
        setStatus(QStringLiteral("请选择用户名!"));
        selectFirstUser();
        ui->ComboBox1->setFocus();
        return;
    }
    if (ui->Edit2->text().isEmpty()) {
        setStatus(QStringLiteral("请输入密码！"));
        ui->Edit2->setFocus();
        return;
    }
    // A user of the database whose settings folder was lost gets a fresh one: the folder is what the sign-in takes
    // as the user's existence.
    if (!RecreateUserFolder(ui->ComboBox1->currentText()))
        return;
    platform::startStep(t9);
}

void Tlogin::t9Timer()
{
    t9->stop();
    const QString name = ui->ComboBox1->currentText();
    const QString setIni = iniFile(kSetIni);

    // Save the display settings in force back into their owner's copy.
    const QString owner = store::Ini::read(setIni, QStringLiteral("user"), QStringLiteral("name"));
    if (!owner.isEmpty()) {
        const QString ownerFile = userSettingsFile(owner);
        if (!ownerFile.isEmpty())
            platform::Files::copyOverwrite(setIni, ownerFile);
        else if (platform::ProgramDir::isSafeComponent(owner))
            platform::Files::copyOverwrite(setIni, platform::ProgramDir::file(owner + QStringLiteral("/set.ini")));
    }

    const QString userFile = userSettingsFile(name);
    if (userFile.isEmpty())
        return refuseName(QStringLiteral("用户") + name.trimmed() + QStringLiteral("不存在！"));
    // Another place's settings are never taken in, nor, at the next sign-in, written back there.
    if (platform::ProgramDir::leadsOut(userFile))
        return refuseName(outsideText(name));
    platform::Files::copyOverwrite(userFile, setIni);

    store::Query q(acper, store::sql::SelectUserByName);
    q.bind(QStringLiteral("duser"), name);
    if (!q.exec()) {
        fail(platform::ErrorLead::compose(platform::ErrorLead::readDatabase(), q.errorText()));
        return;
    }
    if (!q.next()) {
        if (!q.errorText().isEmpty()) {
            fail(platform::ErrorLead::compose(platform::ErrorLead::readDatabase(), q.errorText()));
            return;
        }
        // A user deleted at another desktop of a shared book still has a folder here: the book's users are followed
        // again, and a name that is no user any more is told as one. A user listed here without a row is damage.
        q.finish();
        if (store::UserList::followBook(acper, iniFile(kUserIni), nullptr) &&
            !store::Ini::keys(iniFile(kUserIni), QStringLiteral("user")).contains(name, Qt::CaseInsensitive))
            return refuseName(QStringLiteral("用户") + name.trimmed() + QStringLiteral("不存在！"));
        fail(QStringLiteral("文件被破坏，请重新安装！"));
        return;
    }
    const QString password = q.text(QStringLiteral("密码"));
    const QString rights = q.text(QStringLiteral("权限"));
    q.finish();
    acper.close();

    if (!store::Passwords::matches(ui->Edit2->text(), password)) {
        setStatus(QStringLiteral("密码错误！"));
        ui->Edit2->clear();
        ui->Edit2->setFocus();
        return;
    }
    if (!store::Passwords::isHash(password))
        rehashPassword(name, password);
    // The password is accepted: a further Enter or click must not run the sign-in and the steps after it again.
    m_panelShown = false;
    m_main.SetSignedInUser(name, rights);
    RememberUser(name);
    platform::startStep(t4);
}

bool Tlogin::askServerPassword()
{
    m_askedPassword = true;
    const store::ServerSettings server = acper.server();
    QString password;
    if (!platform::PasswordAsk::ask(this,
                                    QStringLiteral("服务器 %1 要求输入数据库用户 %2 的密码：")
                                        .arg(server.displayName(), server.value(QStringLiteral("user"))),
                                    &password) ||
        password.isEmpty())
        return false;
    // Kept in memory for this run only.
    store::Book::setPassword(password);
    return true;
}

void Tlogin::rehashPassword(const QString& name, const QString& plain)
{
    // An older row kept the password as plain text. A row that cannot be rewritten now keeps it and is rewritten
    // at a later sign-in: the sign-in itself does not depend on it.
    QString stored;
    if (!store::Passwords::hash(plain, &stored))
        return;
    store::Query q(acper, store::sql::RehashUserPassword);
    q.bind(QStringLiteral("hash"), stored);
    q.bind(QStringLiteral("duser"), name);
    q.bind(QStringLiteral("plain"), plain);
    q.exec();
    q.finish();
    acper.close();
}

void Tlogin::BitBtn1Click()
{
    if (m_panelShown)
        platform::startStep(t8);
}

void Tlogin::BitBtn2Click()
{
    close();
}

bool Tlogin::ReadUserNames(QStringList* names)
{
    store::Query q(acper, store::sql::SelectUserNames);
    if (!q.exec()) {
        fail(platform::ErrorLead::compose(platform::ErrorLead::readDatabase(), q.errorText()));
        return false;
    }
    names->clear();
    while (q.next())
        names->append(q.text(0));
    if (!q.errorText().isEmpty()) {
        fail(platform::ErrorLead::compose(platform::ErrorLead::readDatabase(), q.errorText()));
        return false;
    }
    return true;
}

void Tlogin::RepairUserList(const QStringList& stored)
{
    setStatus(kDamaged);
    const QString userIni = iniFile(kUserIni);
    QList<QPair<QString, QString>> keys;
    for (const QString& name : stored) {
        // A name that cannot be a key line would break the whole file; its user signs in after the others repair it.
        const QString key = name.trimmed();
        if (!key.isEmpty() && !key.contains(u'=') && !key.startsWith(u';') && !key.startsWith(u'[') &&
            !key.contains(u'\n') && !key.contains(u'\r'))
            keys.append({name, QStringLiteral("1")});
    }
    // The list first: a crash between the two writes leaves open mode with users, which this repair meets again.
    const bool written = (keys.isEmpty() || store::Ini::write(userIni, QStringLiteral("user"), keys)) &&
                         store::Ini::write(userIni, QStringLiteral("ok"), QStringLiteral("yes"),
                                           keys.isEmpty() ? QStringLiteral("0") : QStringLiteral("1"));
    if (!written)
        setStatus(kDamaged + QLatin1Char('\n') + platform::ErrorLead::writeFile(kUserIni));
}

bool Tlogin::RecreateUserFolder(const QString& name)
{
    if (!userSettingsFile(name).isEmpty() || !platform::ProgramDir::isSafeComponent(name))
        return true;
    QString user;
    {
        store::Query q(acper, store::sql::SelectUserByName);
        q.bind(QStringLiteral("duser"), name);
        if (!q.exec() || !q.next())
            return true; // no such user: the sign-in says so
        user = q.text(QStringLiteral("用户"));
    }
    // The folder is named as the user's row, like every user folder, and starts from the template.
    const QString folder = platform::ProgramDir::file(user);
    const QString file = user + QStringLiteral("/set.ini");
    const QString target = platform::ProgramDir::file(file);
    const QString model = platform::ProgramDir::file(QStringLiteral("modal/set.ini"));
    if (platform::ProgramDir::leadsOut(target)) {
        refuseName(outsideText(name));
        return false;
    }
    const bool made = QDir().mkpath(folder) &&
                      (!QFileInfo(model).isFile() || platform::Files::copyOverwrite(model, target)) &&
                      store::Ini::write(target, QStringLiteral("user"), QStringLiteral("name"), user);
    if (!made)
        setStatus(platform::ErrorLead::writeFile(file));
    return made;
}

void Tlogin::RememberUser(const QString& name)
{
    QString error;
    if (!store::Ini::write(iniFile(kUserIni), QStringLiteral("cuser"), QStringLiteral("name"), name, &error))
        platform::Prompt::error(this, platform::ErrorLead::writeFile(kUserIni), error);
}

void Tlogin::KeepTypedName()
{
    // The box completes what is typed with the first listed name that begins with it, the rest selected. A name
    // typed in full is the name meant: "zhang" stays "zhang" when "zhangsan" is listed too.
    QLineEdit* edit = ui->ComboBox1->lineEdit();
    const QString text = edit->text();
    const qsizetype typed = edit->selectionStart();
    if (!edit->hasSelectedText() || typed + edit->selectedText().size() != text.size())
        return;
    const QString name = text.left(typed);
    for (int i = 0; i < ui->ComboBox1->count(); ++i) {
        if (ui->ComboBox1->itemText(i).compare(name, Qt::CaseInsensitive) == 0) {
            edit->setText(name);
            return;
        }
    }
}

bool Tlogin::eventFilter(QObject* watched, QEvent* event)
{
    // The name box's open list is a window of its own: there Enter takes the highlighted name and Esc closes the
    // list only.
    if (auto* w = qobject_cast<QWidget*>(watched); w && w->window() != this)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut && watched == ui->ComboBox1 &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        KeepTypedName();
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const int k = key->key();
        if (k == Qt::Key_Escape || k == Qt::Key_Return || k == Qt::Key_Enter) {
            event->accept();
            if (event->type() == QEvent::KeyPress) {
                if (k == Qt::Key_Escape) {
                    BitBtn2Click();
                } else if (m_panelShown) { // Enter means nothing until the sign-in panel is shown.
                    KeepTypedName();
                    BitBtn1Click();
                }
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Tlogin::done(int result)
{
    // The close check: closing before the start-up completed, for any reason, ends the program.
    if (!forms::entered) {
        m_terminated = true;
        for (QTimer* t : {t1, t2, t3, t4, t5, t6, t8, t9, t10})
            t->stop();
    }
    QDialog::done(result);
}
