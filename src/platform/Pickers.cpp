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
std::function<QString()>& openFileAnswer()
{
    static std::function<QString()> f;
    return f;
}
std::function<QString()>& saveFileAnswer()
{
    static std::function<QString()> f;
    return f;
}
QString& saveFilterAnswer()
{
    static QString f;
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

QString Pickers::openFile(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    if (openFileAnswer())
        return openFileAnswer()();
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString Pickers::saveFile(QWidget* parent, const QString& caption, const QString& suggested, const QString& filter,
                          QString* selectedFilter)
{
    if (saveFileAnswer()) {
        if (selectedFilter && !saveFilterAnswer().isEmpty())
            *selectedFilter = saveFilterAnswer();
        return saveFileAnswer()();
    }
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter, selectedFilter);
}

void Pickers::setPictureAnswer(std::function<QString()> answer)
{
    pictureAnswer() = std::move(answer);
}

void Pickers::setColorAnswer(std::function<QColor()> answer)
{
    colorAnswer() = std::move(answer);
}

void Pickers::setOpenFileAnswer(std::function<QString()> answer)
{
    openFileAnswer() = std::move(answer);
}

void Pickers::setSaveFileAnswer(std::function<QString()> answer, const QString& selectedFilter)
{
    saveFileAnswer() = std::move(answer);
    saveFilterAnswer() = selectedFilter;
}

} // namespace platform
