#pragma once

#include <QByteArray>
#include <QString>

namespace exchange {

// Contact photos in photo/ as the program keeps them: the file photo/<name><ext>, 照片 holding <name><ext>.
class PhotoFiles {
public:
    PhotoFiles() = delete;

    enum class Result {
        Written, // a new file
        Reused,  // the same picture was there already (a contact deleted and imported again)
        Taken,   // another picture has that file name; it is left alone
        Failed,
    };

    // Writes the picture as photo/<name><extension>: complete or not at all, and never over an existing file.
    static Result write(const QString& name, const QString& extension, const QByteArray& data);
    // The picture a 照片 value names, for an export: JPEG and PNG as they are, any other picture Qt reads as PNG.
    // False for no photo, a missing or unreadable file.
    static bool read(const QString& value, QByteArray* data, QString* extension);
    static QString path(const QString& value);
};

} // namespace exchange
