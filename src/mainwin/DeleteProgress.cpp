#include "mainwin/DeleteProgress.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {
int g_delay = 300;
constexpr int kRepaintEvery = 50;
} // namespace

DeleteProgress::DeleteProgress(QWidget* list, int total) : m_list(list), m_total(total), m_lastRepaint(-kRepaintEvery)
{
    m_clock.start();
}

DeleteProgress::~DeleteProgress()
{
    delete m_panel;
}

void DeleteProgress::setDelay(int ms)
{
    g_delay = ms;
}

void DeleteProgress::advance(int done)
{
    const qint64 now = m_clock.elapsed();
    if (now < g_delay || now - m_lastRepaint < kRepaintEvery)
        return;
    if (!m_panel) {
        QWidget* window = m_list->window();
        m_panel = new QFrame(window);
        m_panel->setObjectName(QStringLiteral("DeleteProgress"));
        m_panel->setFrameShape(QFrame::Panel);
        m_panel->setFrameShadow(QFrame::Sunken);
        m_panel->setAutoFillBackground(true);
        auto* column = new QVBoxLayout(m_panel);
        column->setContentsMargins(6, 4, 6, 6);
        column->setSpacing(3);
        auto* caption = new QLabel(QStringLiteral("正在删除记录..."), m_panel);
        caption->setAlignment(Qt::AlignCenter);
        m_bar = new QProgressBar(m_panel);
        m_bar->setRange(0, m_total);
        m_bar->setTextVisible(false);
        m_bar->setFixedHeight(12);
        column->addWidget(caption);
        column->addWidget(m_bar);
        m_panel->resize(242, 41);
        const QPoint centre = m_list->mapTo(window, m_list->rect().center());
        m_panel->move(centre.x() - m_panel->width() / 2, centre.y() - m_panel->height() / 2);
        m_panel->show();
        m_panel->raise();
    }
    m_bar->setValue(done);
    m_lastRepaint = now;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
