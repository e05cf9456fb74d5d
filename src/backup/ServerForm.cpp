#include "backup/ServerForm.h"

#include "ui_ServerForm.h"

#include "backup/ServerCommands.h"
#include "platform/PasswordBox.h"
#include "platform/Prompt.h"
#include "store/Book.h"
#include "store/Ini.h"

#include <QDir>
#include <QLayout>
#include <QThread>

namespace {

const QString kDefaultMode = QStringLiteral("（默认）");

} // namespace

ServerForm::ServerForm(const QString& programDir, QWidget* parent)
    : QGroupBox(parent), ui(std::make_unique<Ui::ServerForm>()), m_dir(QDir(programDir).absolutePath())
{
    ui->setupUi(this);
    ui->ServerSslmode->addItems({kDefaultMode, QStringLiteral("verify-full"), QStringLiteral("verify-ca"),
                                 QStringLiteral("require"), QStringLiteral("prefer"), QStringLiteral("allow"),
                                 QStringLiteral("disable")});
    platform::PasswordBox::useStars(ui->ServerPassword);
    ui->ServerPassword->setPlaceholderText(QStringLiteral("不会保存"));
    ui->ServerPort->setPlaceholderText(QStringLiteral("5432"));
    // Room for the Chinese sentence and the server's own text below it, on the window's own background.
    ui->ServerResult->setFixedHeight(ui->ServerResult->fontMetrics().lineSpacing() * 6 + 8);
    // The form is never squeezed below what its boxes and the result need.
    layout()->setSizeConstraint(QLayout::SetMinimumSize);
    QPalette background = ui->ServerResult->palette();
    background.setColor(QPalette::Base, palette().color(QPalette::Window));
    ui->ServerResult->setPalette(background);
    connect(ui->ServerTest, &QPushButton::clicked, this, &ServerForm::ServerTestClick);
    connect(ui->ServerSave, &QPushButton::clicked, this, &ServerForm::ServerSaveClick);
    connect(ui->ServerInit, &QPushButton::clicked, this, &ServerForm::ServerInitClick);
    connect(ui->ServerPush, &QPushButton::clicked, this, &ServerForm::ServerPushClick);
    Load();
}

ServerForm::~ServerForm()
{
    if (m_worker)
        m_worker->wait();
}

void ServerForm::Load()
{
    // The file's own text, even when it cannot be used: the form is where it gets mended.
    const QString file = store::ServerSettings::iniFile(m_dir);
    const auto text = [&file](const char* key) {
        return store::Ini::read(file, QStringLiteral("server"), QString::fromLatin1(key)).trimmed();
    };
    ui->ServerHost->setText(text("host"));
    ui->ServerPort->setText(text("port"));
    ui->ServerDbname->setText(text("dbname"));
    ui->ServerUser->setText(text("user"));
    ui->ServerService->setText(text("service"));
    ui->ServerSslrootcert->setText(text("sslrootcert"));
    const QString mode = text("sslmode");
    const int at = ui->ServerSslmode->findText(mode);
    ui->ServerSslmode->setCurrentIndex(mode.isEmpty() || at < 0 ? 0 : at);
    store::ServerSettings settings;
    QString error;
    if (!store::ServerSettings::load(m_dir, &settings, &error))
        showResult(false, error);
}

bool ServerForm::read(store::ServerSettings* settings)
{
    const QString mode = ui->ServerSslmode->currentIndex() == 0 ? QString() : ui->ServerSslmode->currentText();
    QString error;
    if (!store::ServerSettings::fromValues({{QStringLiteral("service"), ui->ServerService->text()},
                                            {QStringLiteral("host"), ui->ServerHost->text()},
                                            {QStringLiteral("port"), ui->ServerPort->text()},
                                            {QStringLiteral("dbname"), ui->ServerDbname->text()},
                                            {QStringLiteral("user"), ui->ServerUser->text()},
                                            {QStringLiteral("sslmode"), mode},
                                            {QStringLiteral("sslrootcert"), ui->ServerSslrootcert->text()}},
                                           settings, &error)) {
        showResult(false, error);
        return false;
    }
    settings->setPassword(ui->ServerPassword->text());
    return true;
}

void ServerForm::ServerTestClick()
{
    store::ServerSettings settings;
    if (!read(&settings))
        return;
    startWork(QStringLiteral("正在连接……"), [dir = m_dir, settings](QString* done, QString* error) {
        return backup::ServerCommands::status(dir, settings, done, error);
    });
}

void ServerForm::ServerSaveClick()
{
    store::ServerSettings settings;
    if (!read(&settings))
        return;
    QString error;
    if (!settings.save(m_dir, &error)) {
        showResult(false, error);
        return;
    }
    // The backups and restores of this window use the saved server from now on, with the password typed here.
    store::Book::choose(m_dir);
    store::Book::setPassword(settings.password());
    showResult(true,
               settings.isServer()
                   ? QStringLiteral("已保存。Velloran 下次启动时使用服务器 %1 上的通讯录。").arg(settings.displayName())
                   : QStringLiteral("已保存。Velloran 使用这台电脑上的通讯录 call.mdb。"));
}

void ServerForm::ServerInitClick()
{
    store::ServerSettings settings;
    if (!read(&settings))
        return;
    startWork(QStringLiteral("正在建立……"), [settings](QString* done, QString* error) {
        return backup::ServerCommands::init(settings, done, error);
    });
}

void ServerForm::ServerPushClick()
{
    store::ServerSettings settings;
    if (!read(&settings))
        return;
    if (!platform::Prompt::question(
            this, QStringLiteral("把这台电脑上的通讯录（联系人、用户和 photo 中的照片）复制到服务器 %1 "
                                 "上的空通讯录中吗？")
                      .arg(settings.displayName())))
        return;
    startWork(QStringLiteral("正在复制……"), [dir = m_dir, settings](QString* done, QString* error) {
        return backup::ServerCommands::push(dir, settings, done, error);
    });
}

void ServerForm::startWork(const QString& label, Work work)
{
    ui->ServerResult->setPlainText(label);
    for (QWidget* w : {ui->ServerTest, ui->ServerSave, ui->ServerInit, ui->ServerPush})
        w->setEnabled(false);
    emit busyChanged(true);
    auto outcome = std::make_shared<std::tuple<bool, QString, QString>>(false, QString(), QString());
    // A server that does not answer takes seconds: the window stays alive meanwhile.
    m_worker = QThread::create(
        [work, outcome] { std::get<0>(*outcome) = work(&std::get<1>(*outcome), &std::get<2>(*outcome)); });
    connect(m_worker, &QThread::finished, this, [this, outcome] {
        m_worker->deleteLater();
        m_worker = nullptr;
        for (QWidget* w : {ui->ServerTest, ui->ServerSave, ui->ServerInit, ui->ServerPush})
            w->setEnabled(true);
        emit busyChanged(false);
        const auto& [ok, done, error] = *outcome;
        showResult(ok, ok ? done : error);
    });
    m_worker->start();
}

void ServerForm::showResult(bool ok, const QString& text)
{
    QPalette p = ui->ServerResult->palette();
    p.setColor(QPalette::Text, ok ? palette().color(QPalette::WindowText) : QColor(170, 0, 0));
    ui->ServerResult->setPalette(p);
    ui->ServerResult->setPlainText(text);
}
