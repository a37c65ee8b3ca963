#include "app/InstanceGuard.h"
#include "app/frmMain.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ravelin"));
    // Names the installed .desktop entry, so desktops show its name and icon for the window.
    QApplication::setDesktopFileName(QStringLiteral("org.ravelin.Ravelin"));
    InstanceGuard guard;
    auto* window = new frmMain;
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->Form_Load(guard)) {
        delete window;
        return 0;
    }
    window->show();
    return app.exec();
}
