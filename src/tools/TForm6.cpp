#include "tools/TForm6.h"

#include "hub/MainHub.h"
#include "platform/Centre.h"
#include "platform/KeyPreview.h"
#include "platform/ProgramDir.h"
#include "platform/Prompt.h"
#include "store/Ini.h"
#include "tools/TitleRules.h"
#include "ui_TForm6.h"

#include <QKeyEvent>
#include <QShowEvent>

namespace {

QString setIni()
{
    return platform::ProgramDir::file(QStringLiteral("set.ini"));
}

} // namespace

TForm6::TForm6(hub::MainHub& main, QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TForm6>()), m_main(main)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("Form6"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(263, 108);

    connect(ui->Edit1, &QLineEdit::textChanged, this, &TForm6::Edit1Change);
    connect(ui->Button1, &QPushButton::clicked, this, &TForm6::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &TForm6::Button2Click);
    connect(ui->Button3, &QPushButton::clicked, this, &TForm6::Button3Click);

    // Esc must close the window whatever has the focus.
    platform::KeyPreview::install(this, this);
}

TForm6::~TForm6() = default;

void TForm6::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    platform::Centre::onScreen(this);
    FormShow();
}

void TForm6::FormShow()
{
    const QString stored = store::Ini::read(setIni(), QStringLiteral("main"), QStringLiteral("title"));
    ui->Edit1->setText(stored);
    const TitleRules::Buttons buttons = TitleRules::afterShow(stored);
    ui->Button1->setEnabled(buttons.set);
    ui->Button2->setEnabled(buttons.restore);
    ui->Edit1->setFocus();
}

void TForm6::Edit1Change()
{
    const TitleRules::Buttons buttons = TitleRules::afterEdit();
    ui->Button1->setEnabled(buttons.set);
    ui->Button2->setEnabled(buttons.restore);
}

bool TForm6::Store(const QString& title)
{
    QString error;
    if (store::Ini::write(setIni(), QStringLiteral("main"), QStringLiteral("title"), title, &error))
        return true;
    platform::Prompt::error(this, QStringLiteral("标题文字没有保存，请检查程序目录能否写入。"), error);
    return false;
}

void TForm6::Button1Click()
{
    const QString title = TitleRules::toStore(ui->Edit1->text());
    if (title.isEmpty())
        return;
    if (!Store(title))
        return;
    m_main.SetCaption(title);
    hide();
    platform::Prompt::information(parentWidget(), QStringLiteral("设定成功！"));
    accept();
}

void TForm6::Button2Click()
{
    const QString title = TitleRules::defaultTitle();
    if (!Store(title))
        return;
    ui->Edit1->setText(title);
    m_main.SetCaption(title);
    accept();
}

void TForm6::Button3Click()
{
    reject();
}

bool TForm6::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept();
        if (type == QEvent::KeyPress)
            reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
