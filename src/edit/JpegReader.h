#pragma once

#include <QImage>
#include <QString>

// Decodes JPEG photos through libjpeg's decompression interface. A truncated or corrupt file is an error that
// comes back to the caller; libjpeg's default handler would end the whole program instead.
class JpegReader {
public:
    static QImage read(const QString& path, QString* error = nullptr);
    static QImage decode(const QByteArray& data, QString* error = nullptr);
};
