#include "shell/KillApp.h"

#include <QApplication>
#include <QWidget>

namespace KillApp {

void CloseByTitle(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowTitle().left(255).contains(title, Qt::CaseSensitive))
            w->close();
    }
}

}  // namespace KillApp
