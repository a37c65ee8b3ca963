// The help viewer: shows the help folder's contents page, or the page given.
#include "shell/viewer/HelpViewer.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ravelin Help"));
    const QStringList args = QCoreApplication::arguments();
    const QString page = args.size() > 1
                             ? args.at(1)
                             : QCoreApplication::applicationDirPath() + QStringLiteral("/help/index.html");
    if (!QFileInfo::exists(page))
        return 2;
    HelpViewer viewer(page);
    viewer.show();
    return app.exec();
}
