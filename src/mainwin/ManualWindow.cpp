#include "mainwin/ManualWindow.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

ManualWindow::ManualWindow(const QString& manualFile, QWidget* parent)
    : QDialog(parent), m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("manual"));
    setWindowTitle(QStringLiteral("使用手册"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
    m_browser->setObjectName(QStringLiteral("ManualBrowser"));
    // Pictures are found beside the page; addresses outside it go to whatever the desktop opens them with.
    m_browser->setOpenExternalLinks(true);
    m_browser->setSource(QUrl::fromLocalFile(manualFile));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(760, 560);
}

ManualWindow* ManualWindow::showFor(QWidget* owner, const QString& manualFile)
{
    auto* window = owner->findChild<ManualWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (!window)
        window = new ManualWindow(manualFile, owner);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
