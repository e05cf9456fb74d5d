#pragma once

#include <QColor>
#include <QString>
#include <functional>

class QWidget;

namespace platform {

// The picture-file and colour dialogs. Tests install answers instead of real dialogs.
class Pickers {
public:
    // Full path of the chosen picture, or empty when cancelled.
    static QString pictureFile(QWidget* parent, const QString& filter);
    // The chosen colour, or an invalid colour when cancelled.
    static QColor color(QWidget* parent, const QColor& initial);

    static void setPictureAnswer(std::function<QString()> answer);
    static void setColorAnswer(std::function<QColor()> answer);
};

} // namespace platform
