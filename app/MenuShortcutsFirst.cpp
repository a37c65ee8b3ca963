#include "app/MenuShortcutsFirst.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

MenuShortcutsFirst::MenuShortcutsFirst(QWidget* window, const QMenuBar* bar) : QObject(window), bar_(bar) {
    for (QWidget* w : window->findChildren<QWidget*>())
        w->installEventFilter(this);
}

bool MenuShortcutsFirst::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
    for (const QAction* title : bar_->actions()) {
        if (!title->menu())
            continue;
        for (const QAction* a : title->menu()->actions()) {
            if (a->isEnabled() && !a->shortcut().isEmpty() && a->shortcut() == pressed) {
                // Not taken by the control: the shortcut runs the command.
                event->ignore();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
