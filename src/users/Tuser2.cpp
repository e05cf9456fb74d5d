#include "users/Tuser2.h"

#include "hub/MainHub.h"
#include "platform/Centre.h"
#include "platform/KeyPreview.h"
#include "platform/Prompt.h"
#include "store/Passwords.h"
#include "ui_Tuser2.h"
#include "users/UserRules.h"

#include <QHideEvent>
#include <QKeyEvent>
#include <QShowEvent>

Tuser2::Tuser2(hub::MainHub& main, QWidget* parent)
    : QDialog(parent),
      amo(QStringLiteral("user1"), QStringLiteral("用户")),
      acper(QStringLiteral("user2.acper"), QStringLiteral("call.mdb")),
      ui(std::make_unique<Ui::Tuser2>()),
      m_main(main)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("user2"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setFixedSize(198, 89);
    connect(ui->Button1, &QPushButton::clicked, this, &Tuser2::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &Tuser2::Button2Click);
    // Typing into a box that holds the placeholder replaces it instead of adding to it.
    for (QLineEdit* box : {ui->DBEdit1, ui->Edit3}) {
        connect(box, &QLineEdit::textEdited, this, [box](const QString& text) {
            const QString typed = UserRules::withoutPlaceholder(text);
            if (typed != text)
                box->setText(typed);
        });
    }
    platform::KeyPreview::install(this, this);
}

Tuser2::~Tuser2() = default;

void Tuser2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    platform::Centre::onScreen(this);
    FormShow();
}

void Tuser2::hideEvent(QHideEvent* event)
{
    // Cancel, Esc and a confirmed change all end here; a change not stored is dropped.
    if (!event->spontaneous()) {
        amo.close();
        acper.close();
    }
    QDialog::hideEvent(event);
}

void Tuser2::FormShow()
{
    const bool editing = amo.state() == store::Dataset::State::Edit;
    ui->Button1->setEnabled(!m_main.signedInUser().isEmpty() && editing);
    // Only the hash is stored: the boxes stand for the stored password with the placeholder.
    ui->DBEdit1->setText(editing ? UserRules::unchangedPassword() : QString());
    ui->DBEdit1->setReadOnly(!editing);
    ui->Edit3->setText(ui->DBEdit1->text());
    ui->DBEdit1->setFocus();
}

void Tuser2::Button1Click()
{
    const QString password = ui->DBEdit1->text();
    if (password.trimmed().isEmpty()) {
        platform::Prompt::caution(this, QStringLiteral("密码不能不填！"));
        ui->DBEdit1->setFocus();
        return;
    }
    if (password != ui->Edit3->text()) {
        platform::Prompt::caution(this, QStringLiteral("两次密码输入不一样！"));
        ui->Edit3->setFocus();
        return;
    }
    if (password != UserRules::unchangedPassword()) {
        QString hash;
        QString error;
        if (!store::Passwords::hash(password, &hash, &error)) {
            platform::Prompt::error(this, QStringLiteral("无法为新密码计算散列值，密码没有修改。"), error);
            return;
        }
        amo.setField(QStringLiteral("密码"), hash);
        if (!amo.post()) {
            platform::Prompt::error(this, QStringLiteral("新密码无法保存，密码没有修改。"), amo.errorText());
            return;
        }
    }
    accept();
}

void Tuser2::Button2Click()
{
    reject();
}

bool Tuser2::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::ShortcutOverride) {
        const int k = static_cast<QKeyEvent*>(event)->key();
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
    }
    return QDialog::eventFilter(watched, event);
}
