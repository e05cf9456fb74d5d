#pragma once

#include <QByteArray>
#include <QImage>
#include <vector>

namespace print {

// The modules of one QR code, made by libqrencode.
class QrCode {
public:
    // The light border every reader needs around the code, in modules.
    static constexpr int QuietZone = 4;

    // The bytes in 8-bit mode at error-correction level M, in the smallest version that holds them; a null code
    // when they do not fit the largest.
    static QrCode encode(const QByteArray& data);

    bool isNull() const { return m_width == 0; }
    // Modules per side, without the quiet zone.
    int width() const { return m_width; }
    bool dark(int x, int y) const { return m_dark[size_t(y) * size_t(m_width) + size_t(x)]; }
    // The code with its quiet zone, every module `scale` pixels square: black and white, no blurred edges.
    QImage image(int scale) const;

private:
    int m_width = 0;
    std::vector<bool> m_dark;
};

} // namespace print
