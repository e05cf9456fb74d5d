#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace exchange {

// One record of table main with its values as the program stores them: trimmed texts, " " for blank, 0/0 for no
// birthday, "no.bmp" for no photo.
struct Contact {
    QString name;
    QString sex;
    int month = 0;
    int day = 0;
    QString relation;
    QString phone;
    QString mobile;
    QString phs;
    QString address;
    QString note;
    QString photo;
    QString registered;

    // A photo read from a file (import) or from photo/ (export): JPEG or PNG bytes and ".jpg" or ".png".
    QByteArray photoData;
    QString photoExtension;
    // What the mapping could not keep as given, for the import report.
    QStringList warnings;
};

} // namespace exchange
