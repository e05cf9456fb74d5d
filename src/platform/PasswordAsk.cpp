#include "platform/PasswordAsk.h"

#include "platform/PasswordBox.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace platform {

namespace {
PasswordAsk::Handler& handler()
{
    static PasswordAsk::Handler h;
    return h;
}
} // namespace

bool PasswordAsk::ask(QWidget* parent, const QString& text, QString* password)
{
    if (handler())
        return handler()(text, password);
    QDialog box(parent);
    box.setWindowTitle(QStringLiteral("连接服务器"));
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    auto* layout = new QVBoxLayout(&box);
    auto* label = new QLabel(text, &box);
    label->setWordWrap(true);
    auto* edit = new QLineEdit(&box);
    edit->setObjectName(QStringLiteral("Password"));
    PasswordBox::useStars(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    if (box.exec() != QDialog::Accepted)
        return false;
    *password = edit->text();
    return true;
}

void PasswordAsk::setHandler(Handler h)
{
    handler() = std::move(h);
}

} // namespace platform
