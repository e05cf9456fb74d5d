#include "print/ContactCodeWindow.h"

#include "platform/ErrorLead.h"
#include "platform/Pickers.h"
#include "platform/ProgramDir.h"
#include "platform/Prompt.h"
#include "print/BookReader.h"
#include "print/OutputFile.h"
#include "print/QrView.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace print {

namespace {

const QString kScan = QStringLiteral("用手机相机或微信“扫一扫”扫描，即可把联系人存入手机。");

} // namespace

ContactCodeWindow::ContactCodeWindow(const exchange::Contact& contact, ContactCode code, const QString& programDir,
                                     QWidget* parent)
    : QDialog(parent), m_name(contact.name), m_code(std::move(code)), m_programDir(programDir)
{
    setObjectName(QStringLiteral("ContactCodeWindow"));
    setWindowTitle(QStringLiteral("二维码名片"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    NameLabel = new QLabel(contact.name, this);
    NameLabel->setObjectName(QStringLiteral("NameLabel"));
    NameLabel->setAlignment(Qt::AlignCenter);
    QFont bold = NameLabel->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    NameLabel->setFont(bold);
    Code = new QrView(this);
    Code->setObjectName(QStringLiteral("Code"));
    Code->setCode(m_code.code);
    Hint = new QLabel(this);
    Hint->setObjectName(QStringLiteral("Hint"));
    Hint->setAlignment(Qt::AlignCenter);
    Hint->setWordWrap(true);
    const QString leftOut = m_code.leftOut();
    Hint->setText(leftOut.isEmpty() ? kScan : leftOut + QLatin1Char('\n') + kScan);
    SaveButton = new QPushButton(QStringLiteral("保存图片..."), this);
    SaveButton->setObjectName(QStringLiteral("SaveButton"));
    CloseButton = new QPushButton(QStringLiteral("关闭(&C)"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    for (QPushButton* b : {SaveButton, CloseButton}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(SaveButton);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(NameLabel);
    layout->addWidget(Code, 1);
    layout->addWidget(Hint);
    layout->addLayout(buttons);

    connect(SaveButton, &QPushButton::clicked, this, &ContactCodeWindow::SaveButtonClick);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    resize(380, 470);
}

void ContactCodeWindow::showFor(store::Connection& connection, const QString& name, const QString& programDir,
                                QWidget* parent)
{
    exchange::Contact contact;
    bool found = false;
    QString error;
    if (!BookReader::readContact(connection, name, &contact, &found, &error)) {
        platform::Prompt::error(parent, platform::ErrorLead::readDatabase(), error);
        return;
    }
    if (!found) {
        platform::Prompt::information(
            parent, QStringLiteral("记录“") + name +
                        QStringLiteral("”已经不存在了，可能已被其他程序删除。\n请刷新（F5）以显示当前的记录。"));
        return;
    }
    ContactCode code = ContactCode::make(contact);
    if (code.code.isNull()) {
        platform::Prompt::information(parent,
                                      QStringLiteral("“") + name + QStringLiteral("”的资料太长，放不进一个二维码。"));
        return;
    }
    ContactCodeWindow window(contact, std::move(code), programDir, parent);
    window.exec();
}

void ContactCodeWindow::SaveButtonClick()
{
    // The contact's name as the file's name, when it can be one.
    const QString stem = platform::ProgramDir::isSafeComponent(m_name) ? m_name : QStringLiteral("二维码名片");
    QString path = platform::Pickers::saveFile(this, QStringLiteral("保存二维码图片"),
                                               QDir::home().filePath(stem + QStringLiteral(".png")),
                                               QStringLiteral("PNG图片 (*.png)"));
    if (path.isEmpty())
        return;
    path = OutputFile::withExtension(path, QStringLiteral(".png"));
    QString error;
    if (!OutputFile::mayWrite(m_programDir, path, &error) || !m_code.writePicture(path, &error)) {
        platform::Prompt::warning(this, error);
        return;
    }
    Hint->setText(QStringLiteral("图片已保存：") + QDir::toNativeSeparators(path));
}

} // namespace print
