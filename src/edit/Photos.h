#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class QWidget;

// Contact photos: files in photo/ named after the contact, staged as photo/yes + extension when the user
// confirms a picked picture, and committed to the contact's file when the record is saved.
class Photos {
public:
    static QString placeholderValue() { return QStringLiteral("no.bmp"); }
    // Absolute path of photo/<value>.
    static QString path(const QString& value);
    // The picture's extension: from the first "." of the file name (without its folder) to the end.
    static QString extensionOf(const QString& fileName);
    // Extensions are exactly 4 characters, dot included.
    static bool isAcceptedExtension(const QString& extension) { return extension.size() == 4; }
    // The two-line refusal for a picked file whose extension is not 4 characters long.
    static QString extensionMessage(const QString& fileName);
    // A photo file name that would replace the placeholder or the staging file, or leave photo/.
    static bool isReservedPhotoName(const QString& name, const QString& extension);
    static QString reservedNameMessage(const QString& fileName);
    // A photo file in photo/ could not be written (the folder is missing or read-only, the disk is full, or the file
    // or photo/ is a link out of the program's directory).
    static QString copyFailedMessage(const QString& fileName);
    // The file name a photo error names: the picked file's name, or photo/ + the record's value.
    static QString pictureName(const QString& path);

    // Copies the picked file to the staging file photo/yes + extension, overwriting it.
    static bool stage(const QString& pickedPath, const QString& extension, QString* error = nullptr);
    // Copies the staging file for this extension to the contact's photo file, overwriting it. On a server the book
    // keeps the photo's bytes for every desktop (store::PhotoStore::put, in the transaction that saves the record);
    // photo/ is this desktop's copy.
    static bool commit(const QString& name, const QString& extension, QString* error = nullptr);

    // The picture for a record's 照片 value: the photo file, or the placeholder when the value is empty,
    // "no.bmp" or names no readable file. error tells why a named photo could not be shown.
    // `shown` is the size the picture is drawn at (see Picture::load).
    static QImage forValue(const QString& value, const QSize& shown, QString* error = nullptr);
    static QImage forValue(const QString& value, QString* error = nullptr) { return forValue(value, QSize(), error); }
    static QImage placeholder(const QSize& shown, QString* error = nullptr);
    static QImage placeholder(QString* error = nullptr) { return placeholder(QSize(), error); }
    // A neutral picture drawn by the program when even the placeholder file is missing or unreadable.
    static QImage drawnPlaceholder();
};
