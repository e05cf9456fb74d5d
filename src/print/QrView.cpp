#include "print/QrView.h"

#include <QPainter>

namespace print {

QrView::QrView(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(200, 200);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void QrView::setCode(const QrCode& code)
{
    m_code = code;
    update();
}

int QrView::moduleSize() const
{
    const int modules = m_code.width() + 2 * QrCode::QuietZone;
    if (m_code.isNull())
        return 0;
    const qreal ratio = devicePixelRatioF();
    return std::max(1, int(std::min(width(), height()) * ratio) / modules);
}

QSize QrView::sizeHint() const
{
    const int modules = m_code.width() + 2 * QrCode::QuietZone;
    const int side = std::max(320, modules * 4);
    return QSize(side, side);
}

void QrView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (m_code.isNull())
        return;
    // Drawn in device pixels: a module covers whole pixels and no edge is smoothed into grey.
    const qreal ratio = devicePixelRatioF();
    painter.scale(1 / ratio, 1 / ratio);
    const int scale = moduleSize();
    const int side = (m_code.width() + 2 * QrCode::QuietZone) * scale;
    const int left = (int(width() * ratio) - side) / 2 + QrCode::QuietZone * scale;
    const int top = (int(height() * ratio) - side) / 2 + QrCode::QuietZone * scale;
    for (int y = 0; y < m_code.width(); ++y) {
        for (int x = 0; x < m_code.width(); ++x) {
            if (m_code.dark(x, y))
                painter.fillRect(QRect(left + x * scale, top + y * scale, scale, scale), Qt::black);
        }
    }
}

} // namespace print
