#include "support/ModalWindow.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

QWidget* driveModal(const QString& objectName, const std::function<void()>& open,
                    const std::function<void(QWidget*)>& drive)
{
    QWidget* driven = nullptr;
    QTimer timer; // dies with this call: a window that never opened leaves no step behind
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* window = QApplication::activeModalWidget();
        if (!window || window->objectName() != objectName)
            return;
        if (QTest::qWaitForWindowActive(window)) {
            driven = window;
            drive(window);
        }
        if (window->isVisible())
            window->close();
    });
    timer.start(0);
    open();
    return driven;
}
