#include "users/Tuser1.h"

#include "hub/MainHub.h"
#include "platform/Beep.h"
#include "platform/Centre.h"
#include "platform/KeyPreview.h"
#include "platform/Prompt.h"
#include "store/Passwords.h"
#include "store/Query.h"
#include "store/Statements.h"
#include "ui_Tuser1.h"
#include "users/UserFiles.h"
#include "users/UserRules.h"

#include <QCoreApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QShowEvent>
#include <QSignalBlocker>

namespace {

const QString kSuperUser = QStringLiteral("超级用户");
const QString kFailedLead = QStringLiteral("建立新用户失败！") + QLatin1Char('\n');
const QString kFailed = kFailedLead + QStringLiteral("可能是这个用户已经存在。");

} // namespace

Tuser1::Tuser1(hub::MainHub& main, QWidget* parent)
    : QDialog(parent),
      modal(QStringLiteral("user1.modal"), QStringLiteral("call.mdb")),
      ano(QStringLiteral("user1"), QStringLiteral("用户")),
      ui(std::make_unique<Ui::Tuser1>()),
      m_main(main)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("user1"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setFixedSize(320, 161);
    DBComboBoxEh1 = ui->DBComboBoxEh1;

    connect(ui->Button4, &QPushButton::clicked, this, &Tuser1::Button4Click);
    connect(ui->Button3, &QPushButton::clicked, this, &Tuser1::Button3Click);
    connect(ui->Button2, &QPushButton::clicked, this, &Tuser1::Button2Click);
    // A click and a selection moved by the keys both count; filling the list does not.
    connect(ui->ListBox1, &QListWidget::itemClicked, this, &Tuser1::ListBox1Click);
    connect(ui->ListBox1, &QListWidget::currentRowChanged, this, &Tuser1::ListBox1Click);

    // The window sees every key first: Esc closes it, the user-name box refuses some characters.
    platform::KeyPreview::install(this, this);
}

Tuser1::~Tuser1() = default;

void Tuser1::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    platform::Centre::onScreen(this);
    FormShow();
}

void Tuser1::hideEvent(QHideEvent* event)
{
    // Closing the connection drops an appended row that was never stored.
    if (!event->spontaneous()) {
        ano.close();
        modal.close();
    }
    QDialog::hideEvent(event);
}

void Tuser1::FormShow()
{
    // The boxes edit the row the opening command has just appended.
    ui->DBEdit1->setText(ano.field(QStringLiteral("用户")));
    ui->DBEdit2->setText(ano.field(QStringLiteral("密码")));

    const bool openMode = m_main.signedInUser().isEmpty();
    const bool super = m_main.signedInRights() == kSuperUser;
    if (openMode)
        DBComboBoxEh1->setEditText(kSuperUser);
    DBComboBoxEh1->setEnabled(!openMode);
    ui->DBEdit1->setFocus();
    ui->Button3->setEnabled(super);
    const bool mayCreate = openMode || super;
    ui->Button4->setEnabled(mayCreate);
    // The hint handler shows the window's hint in the main window's status bar.
    setStatusTip(mayCreate ? QString() : QStringLiteral("你是普通用户，无权管理用户!"));

    const QSignalBlocker quiet(ui->ListBox1);
    ui->ListBox1->clear();
    ui->ListBox1->addItems(openMode ? QStringList{QStringLiteral("现在是开放模式!")} : UserFiles::users());
    ui->ListBox1->setCurrentRow(0);
}

void Tuser1::ListBox1Click()
{
    const QListWidgetItem* item = ui->ListBox1->currentItem();
    // Names match without regard to letter case, as at the sign-in, which keeps the name as typed.
    const bool own = item && !m_main.signedInUser().isEmpty()
        && item->text().compare(m_main.signedInUser(), Qt::CaseInsensitive) == 0;
    ui->Button3->setEnabled(own || m_main.signedInRights() == kSuperUser);
}

void Tuser1::refuse(const QString& text, QWidget* focus)
{
    platform::Prompt::information(this, text);
    focus->setFocus();
}

void Tuser1::reportError(const QString& what, const QString& detail)
{
    platform::Prompt::error(this, what, detail);
}

void Tuser1::Button4Click()
{
    DBComboBoxEh1->setEditText(UserRules::storedRights(DBComboBoxEh1->currentText()));
    const UserRules::Check check = UserRules::checkNewUser(ui->DBEdit1->text(), ui->DBEdit2->text());
    if (!check.passed())
        return refuse(check.text, check.field == UserRules::Check::Name ? ui->DBEdit1 : ui->DBEdit2);
    // Stored trimmed: user.ini keys lose their outer spaces, so the row, the key and the folder agree only so.
    const QString name = ui->DBEdit1->text().trimmed();
    const auto refuseName = [this](const QString& why) {
        platform::Prompt::plain(this, kFailedLead + why);
        ui->DBEdit1->setFocus();
    };
    if (UserRules::isReservedName(name))
        return refuseName(QStringLiteral("“") + name +
                          QStringLiteral("”是程序自己的文件或文件夹的名字，请换一个用户名。"));

    // Nothing is stored for a name that any of the three places knows already.
    bool exists = UserFiles::users().contains(name, Qt::CaseInsensitive);
    const bool taken = UserFiles::taken(name);
    if (!exists) {
        store::Query q(modal, store::sql::SelectUserNames);
        if (!q.exec())
            return reportError(QStringLiteral("无法读取用户表，新用户没有建立。"), q.errorText());
        while (!exists && q.next())
            exists = q.text(0).trimmed().compare(name, Qt::CaseInsensitive) == 0;
    }
    if (exists || ano.state() != store::Dataset::State::Append)
        return platform::Prompt::plain(this, kFailed);
    // Only a file or folder of that name stands in the way, such as the folder of a deleted user that still held
    // files of its own.
    if (taken && !UserFiles::folder(name).isEmpty())
        return refuseName(
            QStringLiteral("程序目录中已经有名为“") + name +
            QStringLiteral("”的文件夹，可能是以前删除的用户留下的。请换一个用户名，或者先把这个文件夹移走。"));
    if (taken)
        return refuseName(QStringLiteral("程序目录中已经有名为“") + name + QStringLiteral("”的文件，请换一个用户名。"));

    QString hash;
    QString error;
    if (!store::Passwords::hash(ui->DBEdit2->text(), &hash, &error))
        return reportError(QStringLiteral("无法为新密码计算散列值，新用户没有建立。"), error);
    ano.setField(QStringLiteral("用户"), name);
    ano.setField(QStringLiteral("密码"), hash);
    ano.setField(QStringLiteral("权限"), DBComboBoxEh1->currentText());
    if (!ano.post()) {
        // Another running copy may have stored the name meanwhile: the unique index refuses it.
        if (ano.uniqueViolation())
            return platform::Prompt::plain(this, kFailed);
        return reportError(QStringLiteral("无法写入用户表，新用户没有建立。"), ano.errorText());
    }
    ano.close();
    modal.close();

    QString failure;
    QString undoError;
    if (!storeUser(name, &failure, &undoError)) {
        platform::Prompt::plain(this, failure);
        if (!undoError.isEmpty())
            reportError(QStringLiteral("建立失败的用户“") + name + QStringLiteral("”无法完全撤销。"), undoError);
        appendAgain();
        return;
    }
    endProgram(QStringLiteral("新用户成功建立！请重新登陆。"));
}

bool Tuser1::storeUser(const QString& name, QString* failure, QString* undoError)
{
    const UserFiles::Snapshot userIni;
    QString why;
    const bool folder = UserFiles::makeFolder(name, &why);
    const bool registered = folder && UserFiles::registerUser(name, &why);
    if (registered && UserFiles::makeSettingsCopy(name, &why))
        return true;
    *failure = kFailedLead +
               (!folder       ? QStringLiteral("无法在程序目录中建立用户的文件夹。")
                : !registered ? QStringLiteral("无法写入user.ini。")
                              : QStringLiteral("无法为新用户建立设置文件。")) +
               QLatin1Char('\n');

    // The row goes first: a row that user.ini does not list makes the start-up repair the mode at every start,
    // switching between the two modes.
    if (!removeRow(name, undoError)) {
        // It stays, so user.ini must list it: the next start then asks for a sign-in, every time.
        QString ignored;
        *failure += UserFiles::registerUser(name, &ignored)
                        ? QStringLiteral("用户表中的新记录无法删除，这个用户保留了下来：请在用户管理中删除这个用户。")
                        : QStringLiteral("用户表中的新记录无法删除，user.ini也无法写入。");
        return false;
    }
    QStringList undone = {QStringLiteral("用户表中的新记录已删除")};
    QStringList left;
    if (userIni.restore()) {
        undone.append(QStringLiteral("user.ini已恢复原样"));
    } else {
        left.append(QStringLiteral("user.ini无法恢复原样"));
        *undoError = QStringLiteral("Unable to write to %1").arg(UserFiles::userIni());
    }
    if (folder) {
        UserFiles::removeNewFolder(name);
        if (UserFiles::folder(name).isEmpty())
            undone.append(QStringLiteral("新建的文件夹已删除"));
        else
            left.append(QStringLiteral("新建的文件夹“") + name + QStringLiteral("”无法删除"));
    }
    *failure += undone.join(QStringLiteral("，")) + QStringLiteral("。");
    if (!left.isEmpty())
        *failure += QLatin1Char('\n') + QStringLiteral("但是") + left.join(QStringLiteral("；")) + QStringLiteral("。");
    return false;
}

bool Tuser1::removeRow(const QString& name, QString* error)
{
    store::Query q(modal, store::sql::DeleteUser);
    q.bind(QStringLiteral("euser"), name);
    const bool removed = q.exec();
    if (!removed)
        *error = q.errorText();
    q.finish();
    modal.close();
    return removed;
}

void Tuser1::appendAgain()
{
    ano.setConnection(&modal);
    ano.setStatement(store::sql::SelectAllUsers);
    if (!ano.open(false))
        return reportError(QStringLiteral("无法打开用户表，请关闭本窗口后重试。"), ano.errorText());
    ano.append();
}

void Tuser1::endProgram(const QString& message)
{
    platform::Prompt::plain(this, message);
    accept();
    // From inside the running event loop; the next start signs in anew.
    QCoreApplication::quit();
}

void Tuser1::Button3Click()
{
    QListWidgetItem* item = ui->ListBox1->currentItem();
    if (!item || !ui->Button3->isEnabled())
        return;
    const QString name = item->text();
    if (!platform::Prompt::question(this, QStringLiteral("是否要删除用户") + name + QStringLiteral("？")))
        return;
    const int line = ui->ListBox1->row(item);
    delete ui->ListBox1->takeItem(line);
    const auto keepLine = [this, line, name] {
        const QSignalBlocker quiet(ui->ListBox1);
        ui->ListBox1->insertItem(line, name);
        ui->ListBox1->setCurrentRow(line);
    };

    const UserFiles::Snapshot userIni;
    QString error;
    if (!UserFiles::unregisterUser(name, &error)) {
        keepLine();
        return reportError(QStringLiteral("无法修改user.ini，用户“") + name + QStringLiteral("”没有删除。"), error);
    }
    store::Query q(m_main.mainConnection(), store::sql::DeleteUser);
    q.bind(QStringLiteral("euser"), name);
    if (!q.exec()) {
        // A row without its key would make the start-up switch between the two modes: the key comes back.
        userIni.restore();
        keepLine();
        return reportError(QStringLiteral("无法从用户表中删除，用户“") + name + QStringLiteral("”没有删除。"), q.errorText());
    }
    q.finish();

    if (UserFiles::removeFolder(name) == UserFiles::FolderOutcome::Kept)
        platform::Prompt::information(this, QStringLiteral("用户“") + name +
                                                QStringLiteral("”已删除。他的文件夹中还有其他文件，文件夹已保留在程序目录中。"));

    if (ui->ListBox1->count() == 0) {
        if (!UserFiles::setOpenMode(&error))
            reportError(QStringLiteral("无法修改user.ini，下次启动时将自动转为开放模式。"), error);
        return endProgram(QStringLiteral("成功删除，系统转为开放模式！请重新登陆！"));
    }
    if (name.compare(m_main.signedInUser(), Qt::CaseInsensitive) == 0)
        return endProgram(QStringLiteral("当前用户已被删除，请使用其它用户登陆！"));
    platform::Prompt::information(this, QStringLiteral("成功删除！"));
    accept();
}

void Tuser1::Button2Click()
{
    reject();
}

bool Tuser1::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return QDialog::eventFilter(watched, event);
    // The rights box's drop-down list is a window of its own: its keys are its own.
    if (auto* w = qobject_cast<QWidget*>(watched); w && w->window() != this)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const int k = key->key();
    if (k == Qt::Key_Escape || k == Qt::Key_Return || k == Qt::Key_Enter) {
        event->accept();
        if (type == QEvent::KeyPress) {
            if (k == Qt::Key_Escape)
                reject();
            else if (auto* button = qobject_cast<QPushButton*>(watched); button && button->isEnabled())
                button->click();
        }
        return true;
    }
    if (type == QEvent::KeyPress && watched == ui->DBEdit1 && key->text().size() == 1
        && UserRules::refusesTyped(key->text().at(0))) {
        platform::Beep::beep();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
