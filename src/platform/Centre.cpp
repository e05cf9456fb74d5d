#include "platform/Centre.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace platform {

void Centre::onScreen(QWidget* window)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen)
        window->move(screen->availableGeometry().center() - window->rect().center());
}

} // namespace platform
