#pragma once

#include <QColor>
#include <QString>
#include <functional>

class QWidget;

namespace platform {

// The picture-file, file and colour dialogs. Tests install answers instead of real dialogs.
class Pickers {
public:
    // Full path of the chosen picture, or empty when cancelled.
    static QString pictureFile(QWidget* parent, const QString& filter);
    // The chosen colour, or an invalid colour when cancelled.
    static QColor color(QWidget* parent, const QColor& initial);
    // Full path of an existing file to read, or empty when cancelled.
    static QString openFile(QWidget* parent, const QString& caption, const QString& dir, const QString& filter);
    // Full path of a file to write (the dialog asks before an existing file is replaced), or empty when cancelled.
    // *selectedFilter, when given, is the filter (file type) the user left chosen.
    static QString saveFile(QWidget* parent, const QString& caption, const QString& suggested, const QString& filter,
                            QString* selectedFilter = nullptr);

    static void setPictureAnswer(std::function<QString()> answer);
    static void setColorAnswer(std::function<QColor()> answer);
    static void setOpenFileAnswer(std::function<QString()> answer);
    // The answer's file type is `selectedFilter` when given.
    static void setSaveFileAnswer(std::function<QString()> answer, const QString& selectedFilter = QString());
};

} // namespace platform
