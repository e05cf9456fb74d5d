#include "print/QrCode.h"

#include <qrencode.h>

#include <memory>

namespace print {

QrCode QrCode::encode(const QByteArray& data)
{
    QrCode code;
    if (data.isEmpty())
        return code;
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> symbol(
        QRcode_encodeData(int(data.size()), reinterpret_cast<const unsigned char*>(data.constData()), 0, QR_ECLEVEL_M),
        &QRcode_free);
    if (!symbol)
        return code; // ERANGE: too long for version 40 (or out of memory)
    code.m_width = symbol->width;
    code.m_dark.resize(size_t(symbol->width) * size_t(symbol->width));
    for (size_t i = 0; i < code.m_dark.size(); ++i)
        code.m_dark[i] = symbol->data[i] & 1;
    return code;
}

QImage QrCode::image(int scale) const
{
    if (isNull() || scale < 1)
        return QImage();
    const int side = (m_width + 2 * QuietZone) * scale;
    QImage out(side, side, QImage::Format_Grayscale8);
    out.fill(255);
    for (int y = 0; y < m_width; ++y) {
        for (int x = 0; x < m_width; ++x) {
            if (!dark(x, y))
                continue;
            for (int row = 0; row < scale; ++row) {
                uchar* line = out.scanLine((y + QuietZone) * scale + row);
                std::fill_n(line + (x + QuietZone) * scale, scale, uchar(0));
            }
        }
    }
    return out;
}

} // namespace print
