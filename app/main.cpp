#include "base/InstanceGuard.h"
#include "app/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ravelin"));
    // Names the installed .desktop entry, so desktops show its name and icon for the window.
    QApplication::setDesktopFileName(QStringLiteral("org.ravelin.Ravelin"));
    InstanceGuard guard;
    auto* window = new MainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->load(guard)) {
        delete window;
        return 0;
    }
    window->show();
    return app.exec();
}
