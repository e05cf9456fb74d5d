#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Loads a picture file for an image control: JPEG through libjpeg, BMP, ICO and PNG through Qt's own readers. Only
// regular files of up to MaxFileSize are read: a named pipe would block the program, and no photo needs more.
class Picture {
public:
    static constexpr qint64 MaxFileSize = 32 * 1024 * 1024;

    // `shown` is the size the picture is drawn at (pictures are stretched to their frame): a larger picture is
    // decoded or scaled down to about that size. An invalid size keeps the picture's own.
    static QImage load(const QString& path, const QSize& shown, QString* error = nullptr);
    static QImage load(const QString& path, QString* error = nullptr) { return load(path, QSize(), error); }
    // Filter for the picture dialog: every kind of picture the program can show.
    static QString dialogFilter();
};
