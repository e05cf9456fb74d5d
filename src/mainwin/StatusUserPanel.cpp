#include "mainwin/StatusUserPanel.h"

#include <QPainter>

StatusUserPanel::StatusUserPanel(QWidget* parent)
    : QWidget(parent), m_text(QStringLiteral("Tarsiwen出品！免费软件，欢迎使用！")),
      m_icon(QStringLiteral(":/icons/user.svg"))
{
    setObjectName(QStringLiteral("StatusPanel0"));
    setFixedWidth(220);
}

QString StatusUserPanel::text() const
{
    return m_text;
}

void StatusUserPanel::setUser(const QString& name, const QString& rights)
{
    m_text = QStringLiteral("当前用户：") + name + QStringLiteral("，您是") + rights + QStringLiteral("！");
    m_userDrawn = true;
    update();
}

void StatusUserPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics fm(font());
    if (m_userDrawn) {
        m_icon.paint(&p, QRect(4, 2, 12, 16));
        p.drawText(QPoint(19, 4 + fm.ascent()), m_text);
    } else {
        p.drawText(QRect(2, 0, width() - 2, height()), Qt::AlignVCenter | Qt::AlignLeft, m_text);
    }
}
