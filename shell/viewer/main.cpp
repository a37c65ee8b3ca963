// The help viewer: shows the help folder's contents page, or the page given.
#include "shell/viewer/HelpViewer.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ravelin-help"));
    const QStringList args = QCoreApplication::arguments();
    QString page = args.value(1);
    if (page.isEmpty()) {
        // Beside the program in a build, in the prefix's share folder when installed.
        page = QCoreApplication::applicationDirPath() + QStringLiteral("/help/index.html");
        if (!QFileInfo::exists(page))
            page = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/ravelin/help/index.html");
    }
    if (!QFileInfo::exists(page))
        return 2;
    HelpViewer viewer(page);
    viewer.show();
    return app.exec();
}
