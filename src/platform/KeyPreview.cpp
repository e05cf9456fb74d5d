#include "platform/KeyPreview.h"

#include <QObject>

namespace platform {

void KeyPreview::install(QObject* window, QObject* filter)
{
    window->installEventFilter(filter);
    for (QObject* child : window->children()) {
        if (child->isWidgetType())
            install(child, filter);
    }
}

} // namespace platform
