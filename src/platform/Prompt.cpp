#include "platform/Prompt.h"

#include "platform/ErrorLead.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

namespace platform {

namespace {
Prompt::Handler& handler()
{
    static Prompt::Handler h;
    return h;
}
} // namespace

QMessageBox::StandardButton Prompt::show(QWidget* parent, const PromptRequest& request)
{
    if (handler())
        return handler()(request);
    QMessageBox box(request.icon, request.caption, request.text, request.buttons, parent);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    for (const auto& [button, label] : request.labels) {
        if (QAbstractButton* b = box.button(button))
            b->setText(label);
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton Prompt::choose(QWidget* parent, const QString& text,
                                           const QList<QPair<QMessageBox::StandardButton, QString>>& choices)
{
    QMessageBox::StandardButtons buttons;
    for (const auto& choice : choices)
        buttons |= choice.first;
    return show(parent, {QStringLiteral("提示"), text, QMessageBox::Question, buttons, choices});
}

void Prompt::information(QWidget* parent, const QString& text)
{
    show(parent, {QStringLiteral("提示"), text, QMessageBox::Information, QMessageBox::Ok});
}

void Prompt::caution(QWidget* parent, const QString& text)
{
    show(parent, {QStringLiteral("提示"), text, QMessageBox::Warning, QMessageBox::Ok});
}

void Prompt::warning(QWidget* parent, const QString& text)
{
    show(parent, {QStringLiteral("失败"), text, QMessageBox::Warning, QMessageBox::Ok});
}

bool Prompt::question(QWidget* parent, const QString& text)
{
    return show(parent, {QStringLiteral("提示"), text, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No})
        == QMessageBox::Yes;
}

void Prompt::plain(QWidget* parent, const QString& text)
{
    show(parent, {QCoreApplication::applicationName(), text, QMessageBox::NoIcon, QMessageBox::Ok});
}

void Prompt::toolkitInformation(QWidget* parent, const QString& text)
{
    show(parent, {QStringLiteral("Information"), text, QMessageBox::Information, QMessageBox::Ok});
}

void Prompt::error(QWidget* parent, const QString& lead, const QString& detail)
{
    show(parent, {QCoreApplication::applicationName(), ErrorLead::compose(lead, detail), QMessageBox::Critical,
                  QMessageBox::Ok});
}

void Prompt::error(QWidget* parent, const QString& detail)
{
    error(parent, ErrorLead::general(), detail);
}

void Prompt::setHandler(Handler h)
{
    handler() = std::move(h);
}

} // namespace platform
