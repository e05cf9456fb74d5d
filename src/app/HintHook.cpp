#include "app/HintHook.h"

#include "mainwin/Forms.h"
#include "mainwin/Tmain.h"

#include <QApplication>
#include <QStatusTipEvent>

namespace {
HintHook* g_hook = nullptr;
}

void HintHook::install()
{
    if (g_hook)
        return;
    g_hook = new HintHook(qApp);
    qApp->installEventFilter(g_hook);
}

void HintHook::uninstall()
{
    delete g_hook;
    g_hook = nullptr;
}

bool HintHook::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        return true;
    case QEvent::StatusTip:
        // Qt sends a status tip when the pointer enters or leaves a widget that has one and when a menu item is
        // highlighted; an empty tip means the hint is gone.
        if (forms::main)
            forms::main->ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}
