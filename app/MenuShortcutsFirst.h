#pragma once
// Makes a window's menu shortcuts win over the keys its controls would keep
// for themselves (a text box takes Ctrl+A to select its text): installed on
// the controls, it turns down their claim on a key that a menu command has.
#include <QObject>

class QMenuBar;
class QWidget;

class MenuShortcutsFirst : public QObject {
public:
    // Watches every control `window` holds now, for the shortcuts of the
    // menus of `bar`.
    MenuShortcutsFirst(QWidget* window, const QMenuBar* bar);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const QMenuBar* bar_;
};
