#pragma once

#include <QObject>

// The application-wide hint handler: tooltips are swallowed and every hint (status tip) of any window goes to
// the main window's status bar, shown as one single panel while it lasts.
class HintHook : public QObject {
    Q_OBJECT
public:
    static void install();
    static void uninstall();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
