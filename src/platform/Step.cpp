#include "platform/Step.h"

#include <QTimer>

namespace platform {

QTimer* newStep(QObject* owner, const char* name, int interval)
{
    auto* t = new QTimer(owner);
    t->setObjectName(QString::fromLatin1(name));
    t->setInterval(interval);
    return t;
}

void startStep(QTimer* timer)
{
    if (!timer->isActive())
        timer->start();
}

} // namespace platform
