#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Decodes JPEG photos through libjpeg's decompression interface, reading the file through libjpeg's own stdio
// source (the file is never held in memory whole). Given the size a photo is shown at, it decodes at the smallest
// of libjpeg's scales (1/1 to 1/8) that still covers that size, and thins out what even 1/8 leaves too large: a
// small file claiming 9000 × 9000 pixels costs a few megabytes, not hundreds. A header claiming more pixels than
// a photo may have (Picture::fitsPixelLimit) is refused before decoding, and libjpeg's memory is bounded. CMYK
// and YCCK pictures come out as RGB. A truncated or corrupt file is an error that comes back to the caller;
// libjpeg's default handler would end the whole program instead.
class JpegReader {
public:
    // What libjpeg may take for one picture. Progressive pictures keep all their coefficients, about two bytes a
    // pixel and component, at every scale: one that would need more is refused before they are allocated.
    static constexpr size_t MaxMemory = size_t(256) * 1024 * 1024;

    // An invalid `shown` decodes at full size.
    static QImage read(const QString& path, const QSize& shown = QSize(), QString* error = nullptr);
    // The same for bytes in memory, through the same stdio source.
    static QImage decode(const QByteArray& data, QString* error = nullptr);
};
