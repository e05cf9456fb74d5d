#include "app/HintHook.h"

#include "mainwin/Forms.h"
#include "mainwin/Tmain.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QWidget>

namespace {

HintHook* g_hook = nullptr;

void showHint(const QString& text)
{
    if (forms::main)
        forms::main->ShowHint(text);
}

} // namespace

void HintHook::install()
{
    if (g_hook)
        return;
    g_hook = new HintHook(qApp);
    qApp->installEventFilter(g_hook);
    // A highlighted menu title has a hint of its own (记录 tells what its commands are for), also when its menu
    // is opened from the keyboard and no item is highlighted yet.
    if (forms::main) {
        QMenuBar* bar = forms::main->menuBar();
        connect(bar, &QMenuBar::hovered, g_hook,
                [](QAction* action) { showHint(action ? action->statusTip() : QString()); });
        for (QAction* title : bar->actions()) {
            if (QMenu* menu = title->menu())
                connect(menu, &QMenu::aboutToShow, g_hook, [title] { showHint(title->statusTip()); });
        }
    }
}

void HintHook::uninstall()
{
    delete g_hook;
    g_hook = nullptr;
}

QString HintHook::hintAt(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (!w->statusTip().isEmpty())
            return w->statusTip();
        if (w->isWindow())
            break;
    }
    return QString();
}

bool HintHook::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        return true;
    case QEvent::Enter:
        // Qt enters the enclosing widgets first and the widget under the pointer last. While a menu is open its
        // highlighted item gives the hint, wherever the pointer is.
        m_leaving = nullptr;
        if (auto* w = qobject_cast<QWidget*>(watched); w && !QApplication::activePopupWidget())
            showHint(hintAt(w));
        break;
    case QEvent::Leave:
        // The pointer is now over the enclosing widget, or outside the window.
        if (auto* w = qobject_cast<QWidget*>(watched); w && !QApplication::activePopupWidget()) {
            m_leaving = w;
            showHint(w->isWindow() ? QString() : hintAt(w->parentWidget()));
        }
        break;
    case QEvent::StatusTip: {
        // Qt sends a status tip when the pointer enters or leaves a widget that has one and when a menu item is
        // highlighted; an empty tip means the hint is gone. The empty tip of a widget being left would hide the
        // enclosing widget's hint, which the leave above has already shown.
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        if (tip.isEmpty() && watched == m_leaving) {
            m_leaving = nullptr;
            return true;
        }
        showHint(tip);
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
