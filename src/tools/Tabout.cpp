#include "tools/Tabout.h"

#include "hub/Site.h"
#include "platform/Centre.h"
#include "platform/KeyPreview.h"
#include "platform/Shell.h"
#include "ui_Tabout.h"

#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShowEvent>
#include <QSvgRenderer>
#include <QTimer>

#include <utility>

namespace {

QPixmap picture(const QString& resource)
{
    QPixmap pixmap(22, 30);
    pixmap.fill(Qt::transparent);
    QSvgRenderer svg(resource);
    QPainter painter(&pixmap);
    svg.render(&painter);
    return pixmap;
}

} // namespace

Tabout::Tabout(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::Tabout>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("about"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(213, 118);

    ui->Label5->setText(QStringLiteral("网站：") + hub::siteHost());
    m_images[0] = picture(QStringLiteral(":/about/phone-idle.svg"));
    m_images[1] = picture(QStringLiteral(":/about/phone-ringing.svg"));
    ShowImage(0);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &Tabout::Timer1Timer);
    Timer1->start();

    // Esc must close the window whatever has the focus; clicks on the panel and the web-site line are seen here.
    platform::KeyPreview::install(this, this);
}

Tabout::~Tabout() = default;

void Tabout::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        platform::Centre::onScreen(this);
}

void Tabout::ShowImage(int index)
{
    m_imageIndex = index;
    // The button takes no input, yet shows its picture in full colour rather than greyed out.
    QIcon icon;
    icon.addPixmap(m_images[index], QIcon::Normal);
    icon.addPixmap(m_images[index], QIcon::Disabled);
    ui->ToolButton1->setIcon(icon);
}

void Tabout::Timer1Timer()
{
    ShowImage(m_imageIndex == 0 ? 1 : 0);
}

void Tabout::Label5Click()
{
    platform::Shell::open(hub::homePage());
}

bool Tabout::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            event->accept();
            if (event->type() == QEvent::KeyPress)
                reject();
            return true;
        }
        break;
    case QEvent::MouseButtonPress:
        // The web-site line keeps its clicks to itself; the other lines pass theirs on to the panel.
        if (watched == ui->Label5) {
            m_doubleClicked = false;
            return true;
        }
        break;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        auto* widget = static_cast<QWidget*>(watched);
        if (mouse->button() != Qt::LeftButton || !widget->rect().contains(mouse->position().toPoint()))
            break;
        if (watched == ui->Label5) {
            // The release that ends a double click opens nothing: the first click of it has opened the page.
            if (!std::exchange(m_doubleClicked, false))
                Label5Click();
            return true;
        }
        if (watched == ui->Panel1) {
            reject();
            return true;
        }
        break;
    }
    case QEvent::MouseButtonDblClick:
        if (watched == this) {
            reject();
            return true;
        }
        if (watched == ui->Label5) {
            m_doubleClicked = true;
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
