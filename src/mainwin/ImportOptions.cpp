#include "mainwin/ImportOptions.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

ImportOptions::ImportOptions(QWidget* parent, const QString& fileName) : QDialog(parent)
{
    setObjectName(QStringLiteral("ImportOptions"));
    setWindowTitle(QStringLiteral("导入联系人"));
    FileLabel = new QLabel(QStringLiteral("文件：") + fileName, this);
    FileLabel->setObjectName(QStringLiteral("FileLabel"));
    FileLabel->setTextFormat(Qt::PlainText);
    auto* existing = new QLabel(QStringLiteral("已有的联系人："), this);
    SkipExisting = new QRadioButton(QStringLiteral("跳过"), this);
    SkipExisting->setObjectName(QStringLiteral("SkipExisting"));
    FillBlanks = new QRadioButton(QStringLiteral("补充空白项目"), this);
    FillBlanks->setObjectName(QStringLiteral("FillBlanks"));
    auto* pair = new QButtonGroup(this);
    pair->addButton(SkipExisting);
    pair->addButton(FillBlanks);
    SkipExisting->setChecked(true);
    auto* hint = new QLabel(QStringLiteral("跳过：通讯录中已有的同名联系人不改动。\n"
                                           "补充空白项目：只把文件中的内容填进它们空着的项目，已经填写的项目不变。"),
                            this);
    hint->setWordWrap(true);
    ImportButton = new QPushButton(QStringLiteral("导入"), this);
    ImportButton->setObjectName(QStringLiteral("ImportButton"));
    CancelButton = new QPushButton(QStringLiteral("取消"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    for (QPushButton* b : {ImportButton, CancelButton}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(ImportButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* choice = new QHBoxLayout;
    choice->addWidget(existing);
    choice->addWidget(SkipExisting);
    choice->addWidget(FillBlanks);
    choice->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ImportButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FileLabel);
    layout->addLayout(choice);
    layout->addWidget(hint);
    layout->addLayout(buttons);
    setFixedWidth(460);
    SkipExisting->setFocus();
}

bool ImportOptions::fillBlanks() const
{
    return FillBlanks->isChecked();
}

void ImportOptions::keyPressEvent(QKeyEvent* event)
{
    // Enter imports, unless the focus is on 取消; Esc cancels (QDialog).
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (focusWidget() == CancelButton)
            reject();
        else
            accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
