#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// The application-wide hint handler: tooltips are swallowed and every hint (status tip) of any window goes to
// the main window's status bar, shown as one single panel while it lasts.
class HintHook : public QObject {
    Q_OBJECT
public:
    static void install();
    static void uninstall();

    // The hint that applies under the pointer at this widget: its own, else that of the nearest enclosing
    // widget of the same window that has one; empty when none has.
    static QString hintAt(const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;

    // The widget the pointer is leaving, while its own leave handling runs.
    QPointer<QWidget> m_leaving;
};
