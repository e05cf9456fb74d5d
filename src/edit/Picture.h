#pragma once

#include <QImage>
#include <QString>

// Loads a picture file for an image control: JPEG through libjpeg, BMP, ICO and PNG through Qt's own readers.
class Picture {
public:
    static QImage load(const QString& path, QString* error = nullptr);
    // Filter for the picture dialog: every kind of picture the program can show.
    static QString dialogFilter();
};
