#include "app/MenuShortcutsFirst.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

MenuShortcutsFirst::MenuShortcutsFirst(QWidget* window) : QObject(window), window_(window) {
    for (QWidget* w : window->findChildren<QWidget*>())
        w->installEventFilter(this);
}

bool MenuShortcutsFirst::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
    for (const QMenu* menu : window_->findChildren<QMenu*>()) {
        for (const QAction* a : menu->actions()) {
            if (a->isEnabled() && !a->shortcut().isEmpty() && a->shortcut() == pressed) {
                // Not taken by the control: the shortcut runs the command.
                event->ignore();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
