#include "platform/Pickers.h"

#include <QColorDialog>
#include <QFileDialog>

namespace platform {

namespace {
std::function<QString()>& pictureAnswer()
{
    static std::function<QString()> f;
    return f;
}
std::function<QColor()>& colorAnswer()
{
    static std::function<QColor()> f;
    return f;
}
} // namespace

QString Pickers::pictureFile(QWidget* parent, const QString& filter)
{
    if (pictureAnswer())
        return pictureAnswer()();
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

QColor Pickers::color(QWidget* parent, const QColor& initial)
{
    if (colorAnswer())
        return colorAnswer()();
    return QColorDialog::getColor(initial, parent);
}

void Pickers::setPictureAnswer(std::function<QString()> answer)
{
    pictureAnswer() = std::move(answer);
}

void Pickers::setColorAnswer(std::function<QColor()> answer)
{
    colorAnswer() = std::move(answer);
}

} // namespace platform
