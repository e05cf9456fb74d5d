#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Loads a picture file for an image control: JPEG through libjpeg, BMP, ICO and PNG through Qt's own readers. Only
// regular files of up to MaxFileSize are read: a named pipe would block the program, and no photo needs more.
class Picture {
public:
    static constexpr qint64 MaxFileSize = 32 * 1024 * 1024;
    // Room for a 50-megapixel camera's picture. A header claiming more (a few hundred bytes can claim 65500 × 65500)
    // is refused before decoding, whatever the file's size; 60 million pixels of 4 bytes stay within 256 MB.
    static constexpr qint64 MaxPixels = 60'000'000;

    static bool fitsPixelLimit(qint64 width, qint64 height) { return width * height <= MaxPixels; }
    // Why a picture of this size is refused.
    static QString tooLargeMessage(const QSize& size);

    // `shown` is the size the picture is drawn at (pictures are stretched to their frame): a larger picture is
    // decoded or scaled down to about that size. An invalid size keeps the picture's own.
    static QImage load(const QString& path, const QSize& shown, QString* error = nullptr);
    static QImage load(const QString& path, QString* error = nullptr) { return load(path, QSize(), error); }
    // Filter for the picture dialog: every kind of picture the program can show.
    static QString dialogFilter();
};
